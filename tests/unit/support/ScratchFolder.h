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

// Runs work in a forked child process and answers its exit code (-1 when the
// child could not be started or did not exit normally). Fork before starting
// threads: the child holds only the calling thread.
int runInChildProcess(int (*work)(void* context), void* context);
