#pragma once
// The command codes carried by HoldData_c through the plug-in's two rings and
// into Synth::handleCommand. The values are fixed: editor code and stored
// behaviour refer to them by number.
#include <cstdint>

enum SynthCommand : uint8_t {
    kCmdNone = 0,                   // a cancelled entry: executed as nothing

    // Synth::handleCommand (editor keys, clickable areas, idle fall-through)
    kCmdEditorKeyPress = 5,         // a = character, b = modifier * 256 + virtual key
    kCmdEditorKeyRelease = 6,
    kCmdPresetPathToText = 13,      // a = host-parameter entry
    kCmdNextProgram = 15,
    kCmdPreviousProgram = 16,
    kCmdSwapFrames = 51,
    kCmdPartNoteHook = 61,
    kCmdRemoveAssignments = 62,
    kCmdPageModeOn = 63,
    kCmdPageModeOff = 64,

    // to-idle ring
    kCmdSelectGlobalProgram = 69,   // b = program
    kCmdSelectGlobalBank = 70,      // b = bank
    kCmdHostProgramChange = 73,     // b = program
    kCmdSelectPartProgram = 74,     // a = part, b = program
    kCmdSelectPartBank = 75,        // a = part, b = bank
    kCmdSettingChanged = 76,        // a = row, p = settings object, b = column
    kCmdMidiProgramChange = 77,     // a = part, b = program
    kCmdMidiBankSelect = 78,        // a = part, b = bank
    kCmdSetCurrentPart = 79,        // a = part
    kCmdErrorMessageBox = 80,       // p = owned text (see CommandPayload.h), q = constant caption

    // to-audio ring
    kCmdKeyboardNoteOn = 81,        // a = part, midi = note-on message
    kCmdResetVoices = 82,
    kCmdAllNotesOff = 83,           // a = part, 255 = every part
    kCmdKeyboardNoteOff = 88,       // a = part, midi = note-off message
    kCmdSendControllersToHost = 89, // a = part, b = host parameter (-1: every assignment)
};
