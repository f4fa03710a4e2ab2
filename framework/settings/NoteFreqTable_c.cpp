#include "framework/settings/NoteFreqTable_c.h"

#include "engine/dsp/SafeDivision.h"
#include "framework/platform/Disk_c.h"
#include "os/PathText.h"
#include "framework/settings/TunFile.h"

#include <cmath>
#include <mutex>
#include <string>

namespace {

using Guard = std::lock_guard<os::RecursiveLock>;

constexpr const char* kBuiltinNames[] = {"12 Tone Equal", "Tonewheel"};

// Cents off equal temperament per pitch class of the tonewheel scale.
constexpr double kTonewheelCents[12] = {0, 0.883, 0.595, 0.288, 0.003, 0.71, 0.704, -0.023, 0.684, 0.399, 0.091, 0.107};

bool usable(float f) { return std::isfinite(f) && f > 0.0f; }

// 12-tone equal temperament, 8.1758 Hz at key 0 (440 Hz at key 69).
void fillEqualTemperament(float* table) {
    for (int i = 0; i < NoteFreqTable_c::kEntries; ++i)
        table[i] = static_cast<float>(8.175798915643707 * std::pow(2.0, i * 0.083333333333333));
}

} // namespace

NoteFreqTable_c::NoteFreqTable_c() {
    float table[kEntries];
    fillEqualTemperament(table);
    for (int i = 0; i < kEntries; ++i)
        frequencies_[i].store(table[i], std::memory_order_relaxed);
}

void NoteFreqTable_c::defineParameters(ParaSet_c*& sharedSet, int /*rows*/) { defineSharedParameters(sharedSet); }

void NoteFreqTable_c::defineSharedParameters(ParaSet_c*& sharedSet) {
    if (adoptSet(sharedSet, 1, kColumnCount)) {
        ParaSet_c& s = *set();
        s.columnDefinition(kVersion)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
        s.columnDefinition(kOnOff)->defineSwitch("On/Off", 0);
        s.columnDefinition(kFrequencies)->defineFloatArray("Frequencies", kEntries);
        s.columnDefinition(kTunPath)->defineText("TUN-File Path", true, false, "");
        s.columnDefinition(kLoadCommand)->defineText("Load Command ", false, false, "");
        s.copyRowZeroToAll();
    }
    buildBuiltinTable(kEqualTemperament);
}

void NoteFreqTable_c::buildBuiltinTable(int choice) {
    Parameter_c* cells = set() ? set()->cell(0, kFrequencies) : nullptr;
    if (!cells)
        return;
    const bool tonewheel = choice == kTonewheel;
    {
        Guard guard(parameterLock());
        if (tonewheel) {
            for (int i = 0; i < kEntries; ++i) {
                const double cents = kTonewheelCents[i % 12] * 0.01 + i;
                cells->setFloat(i, static_cast<float>(8.175798915643707 * std::pow(2.0, cents * 0.083333333333333)));
            }
        } else {
            float table[kEntries];
            fillEqualTemperament(table);
            for (int i = 0; i < kEntries; ++i)
                cells->setFloat(i, table[i]);
        }
        set()->setText(0, kTunPath, kBuiltinNames[tonewheel ? 1 : 0]);
    }
    publishTable();
}

float NoteFreqTable_c::getFrequency(float key) const {
    int n;
    if (!(key >= 1.0f))
        n = 0;
    else if (key >= 126.0f)
        n = 126;
    else
        n = static_cast<int>(key);
    const float low = frequencies_[n].load(std::memory_order_relaxed);
    const float high = frequencies_[n + 1].load(std::memory_order_relaxed);
    return low + (high - low) * (key - static_cast<float>(n));
}

void NoteFreqTable_c::publishTable() {
    const Parameter_c* cells = set() ? set()->cell(0, kFrequencies) : nullptr;
    if (!cells)
        return;
    Guard guard(parameterLock());
    for (int i = 0; i < kEntries; ++i)
        frequencies_[i].store(cells->getFloat(i), std::memory_order_relaxed);
}

bool NoteFreqTable_c::hasUsableFrequency() const {
    const Parameter_c* cells = set() ? set()->cell(0, kFrequencies) : nullptr;
    if (!cells)
        return false;
    Guard guard(parameterLock());
    for (int i = 0; i < kEntries; ++i)
        if (usable(cells->getFloat(i)))
            return true;
    return false;
}

// A table without a single usable frequency would silence the instrument.
void NoteFreqTable_c::ensureUsableTable() {
    if (hasUsableFrequency())
        publishTable();
    else
        buildBuiltinTable(kEqualTemperament);
}

void NoteFreqTable_c::parameterChanged(int row, int column) {
    Part_c::parameterChanged(row, column);
    if (!set())
        return;
    if (column == -1 || column == kTunPath) {
        if (column == -1)
            ensureUsableTable();
        loadNamedFile();
        analyse();
    } else if (column == kLoadCommand) {
        std::string command;
        getTextString(0, kLoadCommand, command);
        if (!command.empty()) {
            {
                Guard guard(parameterLock());
                set()->setText(0, kTunPath, command);
            }
            parameterChanged(row, kTunPath);
        }
    }
}

size_t NoteFreqTable_c::readChunk(const uint8_t* buffer, size_t length, int row) {
    const size_t read = Part_c::readChunk(buffer, length, row);
    publishSetTable();
    return read;
}

void NoteFreqTable_c::publishSetTable() {
    ensureUsableTable();
    analyse();
}

void NoteFreqTable_c::loadNamedFile() {
    std::string path;
    getTextString(0, kTunPath, path);
    for (const char* builtin : kBuiltinNames)
        if (path == builtin)
            return;
    if (!path.empty())
        loadTunFile(path);
}

bool NoteFreqTable_c::loadTunFile(std::string_view path) {
    Parameter_c* cells = set() ? set()->cell(0, kFrequencies) : nullptr;
    Disk_c disk;
    if (!cells || !disk.openText(path))
        return false;
    char line[pathtext::kPathBufferSize];
    {
        Guard guard(parameterLock());
        TunLine tun;
        while (disk.readLine(line, sizeof line) >= 0)
            if (parseTunLine(line, tun))
                cells->setFloat(tun.key, tun.frequency);
    }
    publishTable();
    analyse();
    return true;
}

// A uniform scale (every neighbour ratio of keys 43..78 within 3% of the
// ratio of keys 42/43) sets the step size to that ratio in semitones.
void NoteFreqTable_c::analyse() {
    float step = 1.0f;
    float f[kEntries];
    for (int i = 0; i < kEntries; ++i)
        f[i] = frequencies_[i].load(std::memory_order_relaxed);
    bool positive = true;
    for (int i = 42; i <= 78; ++i)
        positive = positive && usable(f[i]);
    if (positive) {
        const float r = safeDivide(f[43], f[42]);
        bool uniform = true;
        for (int i = 44; i <= 78 && uniform; ++i)
            uniform = std::fabs(safeDivide(r, safeDivide(f[i], f[i - 1])) - 1.0f) <= 0.03f;
        if (uniform)
            step = static_cast<float>(std::log(r) * 17.31234);
    }
    stepSize_.store(step, std::memory_order_relaxed);
}
