#pragma once
// Files the host writes for the user (WAV, FXP, bank) that are never left
// half-written and never replace what the user did not mean to replace:
//  - a regular file or a new name: the bytes go to a temporary file beside
//    it, renamed over it by commit(); an existing file keeps its mode (and,
//    where allowed, its owner);
//  - a symbolic link is followed: its target is replaced that way, the link
//    stays; another user's link in a shared sticky folder is refused
//    (LinkFollowing.h);
//  - a regular file that cannot be written (mode 0444 as its owner) is
//    refused, as cp refuses it;
//  - anything else the name resolves to that can be written (a device such as
//    /dev/null, a FIFO) is written in place, opened at the first write, never
//    removed or replaced;
//  - "-" and any name of what standard output is (/dev/stdout, a file it was
//    redirected to) are written through descriptor 1 as it is: appending
//    when it was opened for appending, refused when it is not open for writing.
// Pending temporary files are removed when the process ends on SIGINT,
// SIGTERM, SIGHUP or SIGPIPE once removeTemporariesOnSignals() was called.
// One thread per OutputFile.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvanti_host {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();   // an uncommitted temporary file is removed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Checks that path can be written and, for a regular file or a new name,
    // creates the temporary file now. False with a one-line error naming
    // path (a folder, a missing folder, no permission).
    bool prepare(const std::string& path, std::string& error);

    bool write(const void* data, std::size_t size, std::string& error);
    // Overwrites bytes already written; only a temporary file can do this.
    bool canRewrite() const { return direct_ < 0 && fd_ >= 0; }
    bool rewrite(uint64_t offset, const void* data, std::size_t size, std::string& error);

    // Flushes to disk and renames the temporary file over the target (or
    // closes the direct stream). After a failure nothing of it is left.
    bool commit(std::string& error);

    const std::string& path() const { return path_; }
    // Whether prepare() found the output to be this process's standard output
    // ("-", /dev/stdout or any name of it): then it carries nothing else.
    bool isStandardOutput() const { return standardOutput_; }

private:
    void discard();
    bool takeStandardOutput(std::string& error);
    bool openDirect(std::string& error);

    std::string path_;            // as the user gave it, for messages
    std::string target_;          // what is replaced: links followed
    std::string temporary_;       // empty when written directly
    int fd_ = -1;
    int direct_ = -1;             // 1: a device or FIFO, written in place; -1: a temporary file
    int registration_ = -1;       // slot in the table of pending temporary files
    bool committed_ = false;
    bool standardOutput_ = false;
};

// Whether two output names lead to one file, device, pipe or socket: for names
// that exist, the same device and inode ("-" standing for standard output);
// for names that do not exist yet, the same name once links and the folder
// are resolved. Two outputs written there would leave only the last one.
bool sameOutput(const std::string& a, const std::string& b);

// Writes bytes to path the way OutputFile does, in one go.
bool writeOutputFile(const std::string& path, const void* data, std::size_t size, std::string& error);

// From now on SIGINT, SIGTERM, SIGHUP and SIGPIPE remove every pending
// temporary file and then end the process as the signal would have.
void removeTemporariesOnSignals();

} // namespace kelvanti_host
