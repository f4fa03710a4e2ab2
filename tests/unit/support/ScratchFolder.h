#pragma once
// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
#include <string>

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Runs work in a forked child process. Start it before this process starts
// threads: the child holds only the calling thread.
class ForkedChild {
public:
    ForkedChild(int (*work)(void* context), void* context);
    // The child's exit code; -1 when it could not be started or did not exit normally.
    int wait();

private:
    int pid_;
};
