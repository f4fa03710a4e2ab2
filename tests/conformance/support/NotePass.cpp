#include "tests/conformance/support/NotePass.h"

#include <algorithm>

namespace conformance {
namespace {

constexpr int kSubBlockFrames = 32;
constexpr int kMaxWritesPerSubBlock = 10;

struct NoteEvent {
    int block;
    int offset;
    unsigned char status, key, velocity;
};

void writeRandomParameters(PluginSession& session, Dice& dice) {
    const int parameters = session.effect().numParams;
    if (parameters <= 0) return;
    const int writes = dice.between(0, kMaxWritesPerSubBlock);
    for (int i = 0; i < writes; ++i) session.plugin().setParameter(dice.between(0, parameters - 1), dice.unit());
}

} // namespace

std::string playNotePass(PluginSession& session, GuardedAudio& audio, const NotePass& pass, Dice& dice) {
    const auto key = static_cast<unsigned char>(dice.between(36, 96));
    const NoteEvent notes[] = {
        {0, dice.between(0, pass.blockFrames - 1), 0x90, key, static_cast<unsigned char>(dice.between(1, 127))},
        {pass.blocks - 1, dice.between(0, pass.blockFrames - 1), 0x80, key, 64},
    };
    const int step = pass.automate ? std::min(kSubBlockFrames, pass.blockFrames) : pass.blockFrames;
    vsthost::EventList events;
    for (int block = 0; block < pass.blocks; ++block) {
        for (int start = 0; start < pass.blockFrames; start += step) {
            const int frames = std::min(step, pass.blockFrames - start);
            events.clear();
            for (const NoteEvent& note : notes) {
                if (note.block == block && note.offset >= start && note.offset < start + frames) {
                    events.addMidi(note.offset - start, note.status, note.key, note.velocity);
                }
            }
            if (pass.automate) writeRandomParameters(session, dice);
            const std::string fault = session.play(audio, frames, events);
            if (!fault.empty()) {
                return "block " + std::to_string(block) + " (frames " + std::to_string(start) + "+" +
                       std::to_string(frames) + "): " + fault;
            }
        }
    }
    return {};
}

} // namespace conformance
