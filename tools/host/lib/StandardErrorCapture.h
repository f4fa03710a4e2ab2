#pragma once
// Collects what is written to standard error (file descriptor 2) while it
// lives, by this process and any library in it: how the host learns the
// messages a plug-in prints for its error boxes when no dialog helper can
// show them. The text is handed back instead of reaching the terminal.
// One at a time; the calling thread should be the only one writing then.
#include <string>

namespace kelvanti_host {

class StandardErrorCapture {
public:
    StandardErrorCapture();
    ~StandardErrorCapture();   // restores standard error (what was caught is dropped)
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

    // Restores standard error and answers what was written since the start
    // (at most 64 KiB of it). Later calls answer "".
    std::string finish();

private:
    int saved_ = -1;   // the real standard error
    int file_ = -1;    // an unnamed temporary file that stood in for it
};

} // namespace kelvanti_host
