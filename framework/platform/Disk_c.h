#pragma once
// The file and folder toolkit: one open file at a time, text lines, folder
// scans for files of given extensions or for sub-folders. Path splitting and
// joining is pathtext's (PathText.h). Paths of any length the system takes
// are opened; one it refuses fails with its reason (errorText).
//
// Reading resolves a path that does not exist as written case-insensitively,
// folder by folder. Writing uses the exact path and is atomic: the bytes are
// kept until close, which writes a temporary file and renames it over the
// target, so a failed or interrupted save never leaves half a file.
//
// Listings are sorted case-insensitively (ties by byte) before "the n-th
// entry" is taken, so menus and "first file" choices do not depend on the
// file system. The current directory is never read or changed.
//
// Threads: one object per thread (GUI and idle side); never the audio thread.
#include "framework/platform/Tool_c.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A list of extensions without the dot ("FXP", "TUN"); compared without
// regard to case. A null list (see the operations) accepts every name.
using ExtensionList = std::vector<std::string>;

class Disk_c : public Tool_c {
public:
    // Files larger than this are not opened for reading.
    static constexpr std::size_t kMaxReadBytes = 64u * 1024u * 1024u;

    Disk_c() = default;
    ~Disk_c() override;
    Disk_c(const Disk_c&) = delete;
    Disk_c& operator=(const Disk_c&) = delete;

    // Each closes the open file first. False for an empty path, one holding
    // a zero byte, or a file that cannot be read (openText/openRead).
    bool openText(std::string_view path);
    bool openRead(std::string_view path);
    // Nothing touches the disk until close.
    bool openWrite(std::string_view path);
    // Ends the open file; a file opened for writing is written now. True
    // unless that write failed.
    bool close();
    bool isOpen() const { return mode_ != Mode::Closed; }
    // Why the last openWrite or close of a written file failed, as the
    // system says it ("Permission denied"); empty after a success.
    const std::string& errorText() const { return error_; }

    // The line without its LF or CR (cut at the first of them), ended, at
    // most size - 1 bytes (the rest of a longer line is skipped). Answers
    // its length, -1 when no file is open for reading, -2 at the end.
    int readLine(char* buffer, std::size_t size);
    // Up to count bytes of the file opened for reading; answers how many.
    std::size_t read(void* data, std::size_t count);
    // Bytes of the file opened for reading.
    std::size_t size() const { return mode_ == Mode::Write ? 0 : bytes_.size(); }
    // Appends to the file opened for writing; false when none is.
    bool write(const void* data, std::size_t count);

    static char getSeparator() { return '/'; }

    // True when extensions is null or holds the name's extension.
    static bool matchesExtension(const ExtensionList* extensions, std::string_view name);

    // The names of the folder's entries, in sorted order, that are files
    // with a listed extension or, with folders, sub-folders whose names do
    // not begin with '.'. One listing of the folder.
    static std::vector<std::string> listNames(std::string_view folder, bool folders,
                                              const ExtensionList* extensions);
    // The n-th (from 0) of those names. False when there is none.
    static bool listFiles(std::string_view folder, std::string& name, int n, bool folders,
                          const ExtensionList* extensions);
    // The matching files' names (no folders), at most capacity of them.
    static std::vector<std::string> listFilesSorted(std::string_view folder, const ExtensionList* extensions,
                                                    std::size_t capacity);
    // Case-insensitive order, ties by byte: the order of every listing.
    static void sortNames(std::vector<std::string>& names);
    // folder + the first matching file name (sorted), into out (capacity
    // bytes); out empty and false when there is none or it does not fit.
    static bool findFirstOfType(std::string_view folder, char* out, std::size_t outCapacity,
                                const ExtensionList& extensions, std::size_t capacity);
    // The first kit file ("KQ3", "KQ4", "KQC", "QV_T_Kit") of the folder.
    static bool findKitFile(std::string_view folder, char* out, std::size_t outCapacity);

    // The plug-in folder its data lives in: beside the library, or
    // KELVANTI_DATA_DIR when set (a copy; empty when unknown).
    static std::string getModuleFolder();

private:
    enum class Mode { Closed, Read, Write };
    bool openForReading(std::string_view path);

    Mode mode_ = Mode::Closed;
    std::vector<uint8_t> bytes_; // the whole file read, or the bytes to write
    std::size_t position_ = 0;
    std::string writePath_;
    std::string error_;
};

// A cleaned path text with its "absolute" flag.
struct FilePath {
    FilePath() = default;
    explicit FilePath(std::string_view path) { assign(path); }
    FilePath& operator=(std::string_view path) {
        assign(path);
        return *this;
    }
    // Removes '*', '?', '|' and '"' and turns '\' into '/'. ':' stays: on
    // Linux it is an ordinary character of a file name.
    static std::string clean(std::string_view path);

    std::string text;
    bool absolute = false;

private:
    void assign(std::string_view path);
};
