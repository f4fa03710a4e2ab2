#pragma once
// What an instrument asks of the plug-in that hosts it: the note roads, the
// voice table and its voices, the output write positions, the host's tempo,
// and requests for the idle side. The plug-in base implements it, so the
// instruments of this layer never see the plug-in itself.
//
// Threads: all on the audio thread (or the thread that delivers MIDI): no
// allocation, no blocking lock; the idle requests only post a command.
#include "framework/model/NoteC_c.h"

#include <cstdint>

class PolyNoteTable_c;
class SoundingVoice;

class VoiceHost {
public:
    virtual float sampleRateValue() const = 0;
    // Samples per bar and bar position from the host's time info; true when the transport plays.
    virtual bool readHostTempo(int32_t* samplesPerBar, int32_t* position) = 0;
    // Samples per beat at the last host tempo; 0 before one is known.
    virtual double samplesPerBeat() const = 0;
    // The two output write positions the instruments move within a block.
    virtual void advanceOutputPositions(int32_t n) = 0;
    virtual void rewindOutputPositions(int32_t n) = 0;

    virtual void handleSystemMessage(const uint8_t bytes[3]) = 0;
    virtual void handleControllerInput(const uint8_t bytes[3]) = 0;
    virtual int32_t noteOnPart(int32_t part, const NoteC_c& note, const NoteC_c& received) = 0;
    virtual int32_t noteOnWithChoke(int32_t part, const NoteC_c& note, const NoteC_c& received) = 0;
    virtual void noteOffPart(int32_t part, const NoteC_c& note) = 0;
    virtual void allNotesOffPart(int32_t part) = 0;
    // Fades the part's voices out: their slots stay killed until they finish.
    virtual void killPartVoices(int32_t part) = 0;
    // A voice finished: its slot is freed and the part's count updated.
    virtual void updateNotesOn(int32_t voice) = 0;
    virtual bool partAcceptsNote(int32_t part, const NoteC_c& note) = 0;
    // RPN 0 data entry: the part's pitch-bend range in semitones.
    virtual void setPitchBendRange(int32_t part, int32_t semitones) = 0;

    // The time notes are stamped with (ms of audio rendered up to the event
    // being decoded, wrapping at 2^32): the voice table's clock.
    virtual uint32_t noteTimeMs() const = 0;
    virtual PolyNoteTable_c& voiceTable() = 0;
    // The voice object of a table slot (null when there is none).
    virtual SoundingVoice* getVoice(int32_t index) const = 0;

    // A MIDI program change or bank select (CC 32) for the part, applied at the next idle drain.
    virtual void requestProgramChange(int32_t part, int32_t program) = 0;
    virtual void requestBankSelect(int32_t part, int32_t bank) = 0;

protected:
    ~VoiceHost() = default;
};
