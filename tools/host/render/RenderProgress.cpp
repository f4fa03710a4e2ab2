#include "tools/host/render/RenderProgress.h"

#include <cstdio>
#include <unistd.h>

namespace render {
namespace {

constexpr std::chrono::milliseconds kTerminalInterval{200};
constexpr std::chrono::seconds kLogInterval{3};   // also the time before the first log line

} // namespace

RenderProgress::RenderProgress(int64_t totalFrames, int sampleRate, bool shown)
    : totalFrames_(totalFrames), sampleRate_(sampleRate), terminal_(::isatty(STDERR_FILENO) == 1),
      start_(Clock::now()), nextShow_(start_ + (terminal_ ? kTerminalInterval : kLogInterval)), quiet_(!shown) {}

double RenderProgress::elapsedSeconds() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

void RenderProgress::update(int64_t framesDone) {
    const Clock::time_point now = Clock::now();
    if (quiet_ || now < nextShow_) return;
    nextShow_ = now + (terminal_ ? kTerminalInterval : kLogInterval);
    show(framesDone);
}

void RenderProgress::show(int64_t framesDone) {
    const double percent = totalFrames_ > 0 ? 100.0 * static_cast<double>(framesDone) / totalFrames_ : 100.0;
    std::fprintf(stderr, "%srendering %3.0f%% (%.1f of %.1f s)%s", terminal_ ? "\r" : "kelvanti-render: ", percent,
                 static_cast<double>(framesDone) / sampleRate_, static_cast<double>(totalFrames_) / sampleRate_,
                 terminal_ ? "" : "\n");
    std::fflush(stderr);
    shown_ = true;
}

void RenderProgress::finish() {
    if (terminal_ && shown_) std::fputs("\r                                              \r", stderr);
}

} // namespace render
