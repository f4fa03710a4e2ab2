#pragma once
// Progress of a render on standard error: a line rewritten in place when
// standard error is a terminal; otherwise a line every few seconds, and only
// once the render has run that long, so short renders and logs stay quiet.
// None at all when standard error carries an output, which takes nothing else.
#include <chrono>
#include <cstdint>

namespace render {

class RenderProgress {
public:
    RenderProgress(int64_t totalFrames, int sampleRate, bool shown = true);
    void update(int64_t framesDone);
    // Clears the terminal line.
    void finish();
    double elapsedSeconds() const;

private:
    using Clock = std::chrono::steady_clock;
    void show(int64_t framesDone);

    int64_t totalFrames_;
    int sampleRate_;
    bool terminal_;
    Clock::time_point start_;
    Clock::time_point nextShow_;
    bool shown_ = false;
    bool quiet_;
};

} // namespace render
