#pragma once
// The tuning table: the frequency of every MIDI key (the one-row set 'TUN0',
// keys 0..128 in Hz), built in (12-tone equal or "Tonewheel") or loaded from
// a tuning file (".TUN"), and the step size of the loaded scale.
//
// Threads: getFrequency and getStepSize run on the audio thread; they read
// a lock-free copy of the table (atomics), refreshed after every change, so
// they neither lock nor allocate. Everything else runs where parameters
// change, like any part. A chunk read straight into the set (not through
// readChunk, as the bank reader does) must be followed by publishSetTable.
#include "framework/model/Part_c.h"

#include <atomic>
#include <string_view>

class NoteFreqTable_c : public Part_c {
public:
    enum Column { kVersion = 0, kOnOff, kFrequencies, kTunPath, kLoadCommand, kColumnCount };
    enum BuiltinTable { kEqualTemperament = 0, kTonewheel = 1 };
    static constexpr int kEntries = 129; // keys 0..128

    NoteFreqTable_c();

    void defineParameters(ParaSet_c*& sharedSet, int rows) override;
    // Creates or attaches the set, then builds the 12-tone table.
    void defineSharedParameters(ParaSet_c*& sharedSet) override;
    SetTypeId getTypeId() const override { return makeSetTypeId("TUN0"); }

    // Fills all entries and names the table in "TUN-File Path" (no notification).
    void buildBuiltinTable(int choice);

    // Linear interpolation between the entries around key (truncated toward
    // zero, clamped to 0..126); outside 0..127 the end segments extrapolate.
    float getFrequency(float key) const;
    // Semitones per step of the loaded scale (1.0 unless it is uniform).
    using Part_c::getStepSize;
    float getStepSize() const { return stepSize_.load(std::memory_order_relaxed); }

    // Column -1 or "TUN-File Path": loads the file named there, then
    // analyses; "Load Command ": a non-empty text becomes the path and loads.
    // A table left with no usable frequency (a reset clears the array) is
    // rebuilt as 12-tone equal temperament first.
    void parameterChanged(int row, int column) override;
    size_t readChunk(const uint8_t* buffer, size_t length, int row) override;

    // Applies a tuning file's lines to the table: named keys change, the
    // others keep their values; a later line for a key wins; entry 128 is
    // never written. False when the file cannot be read.
    bool loadTunFile(std::string_view path);

    // Makes the set's table the one the audio thread reads and analyses its
    // step size; a table without a usable frequency (a reset clears the
    // array) becomes 12-tone equal temperament first. Loads no file.
    void publishSetTable();

private:
    void loadNamedFile();
    void analyse();
    bool hasUsableFrequency() const;
    void ensureUsableTable();
    void publishTable();

    std::atomic<float> frequencies_[kEntries];
    std::atomic<float> stepSize_{1.0f};
};
