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
//    when it was opened for appending, refused when it is not open for writing;
//  - so is any name of an open descriptor of this process (/dev/stderr,
//    /dev/fd/N, /proc/self/fd/N, a link to one): written through that
//    descriptor as the shell opened it, refused when it is not open for writing.
// A run with several outputs completes every temporary file (complete()),
// then writes its streams, then renames (publish()): an output that fails
// late replaces none of the others.
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

    // complete() then publish().
    bool commit(std::string& error);
    // Flushes the temporary file to disk and closes it, or closes the direct
    // stream (opening it first when nothing was written). After a failure
    // nothing of it is left.
    bool complete(std::string& error);
    // Renames the completed temporary file over the target; nothing for a stream.
    bool publish(std::string& error);

    // Written in place (a device, FIFO, socket or descriptor), not through a temporary file.
    bool isStream() const { return direct_ > 0; }
    // The descriptor of this process the output is written through (1 for
    // standard output), or -1.
    int descriptor() const { return descriptor_; }

    const std::string& path() const { return path_; }
    // Whether prepare() found the output to be this process's standard output
    // ("-", /dev/stdout or any name of it): then it carries nothing else.
    bool isStandardOutput() const { return standardOutput_; }

private:
    void discard();
    bool takeStandardOutput(std::string& error);
    bool takeDescriptor(int descriptor, std::string& error);
    bool openDirect(std::string& error);

    std::string path_;            // as the user gave it, for messages
    std::string target_;          // what is replaced: links followed
    std::string temporary_;       // empty when written directly
    int fd_ = -1;
    int direct_ = -1;             // 1: a device or FIFO, written in place; -1: a temporary file
    int descriptor_ = -1;         // the descriptor written through, or -1: opened by name
    int registration_ = -1;       // slot in the table of pending temporary files
    bool committed_ = false;
    bool completed_ = false;
    bool standardOutput_ = false;
};

// Whether two output names lead to one file, device, pipe or socket: for names
// that exist, the same device and inode ("-" standing for standard output);
// for names that do not exist yet, the same name in the same folder (by its
// device and inode, so a folder and its bind mount are one) once links are
// resolved. Two outputs written there would leave only the last one.
bool sameOutput(const std::string& a, const std::string& b);

// Writes bytes to path the way OutputFile does, in one go.
bool writeOutputFile(const std::string& path, const void* data, std::size_t size, std::string& error);

// For a program's start, before it opens any file: notes the descriptors it
// was started with (only those are written through by name, never one the
// program or a plug-in opened later), and gives 0, 1 and 2, where closed,
// /dev/null open for reading only: no file of the program takes their
// numbers, and an output named "-" or /dev/stdout is refused as not open for
// writing, as without the call.
void noteInheritedDescriptors();

// From now on SIGINT, SIGTERM, SIGHUP and SIGPIPE remove every pending
// temporary file and then end the process as the signal would have; SIGXFSZ
// is ignored, so a write past the file size limit fails like any other.
void removeTemporariesOnSignals();

} // namespace kelvanti_host
