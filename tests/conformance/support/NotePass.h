#pragma once
// One pass of the processing grid: a random note-on in the first of ten
// blocks, its note-off in the last, every block checked. With automation each
// block is played as sub-blocks of 32 samples with up to ten random
// parameter writes before each.
#include <string>

#include "tests/conformance/support/Dice.h"
#include "tests/conformance/support/PluginSession.h"

namespace conformance {

struct NotePass {
    int blockFrames = 512;
    int blocks = 10;
    bool automate = false;
};

// The first fault, naming block and sample; empty when every block was clean.
std::string playNotePass(PluginSession& session, GuardedAudio& audio, const NotePass& pass, Dice& dice);

} // namespace conformance
