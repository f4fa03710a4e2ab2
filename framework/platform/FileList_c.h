#pragma once
// The sorted names of one folder's files (or sub-folders) for the file
// menus. Each entry keeps the file's real name beside the name it shows (cut
// at its last '.' when the list has extensions), so the full path is the
// file that was listed, whatever the case of its extension.
// Threads: the editor's and the idle side's; not the audio thread.
#include "framework/platform/Disk_c.h"
#include "os/FileSystem.h"

#include <string>
#include <string_view>
#include <vector>

class FileList_c {
public:
    static constexpr int kCapacity = 128;
    static constexpr int kMaxExtensions = 16;

    FileList_c() = default;

    // nameLength > 0: the longest name shown. extensions null: any file.
    // layer: an entry "Layer" is appended to every scan.
    void setup(int nameLength, std::string_view placeholder, const ExtensionList* extensions, bool layer);
    // Up to 16 entries, up to the first empty one.
    void setExtensions(const ExtensionList& extensions);
    void clear();

    int count() const { return static_cast<int>(entries_.size()); }
    // "" for an empty list, the placeholder past the last entry, null for i
    // outside 0..capacity - 1.
    const char* getName(int i) const;
    // folder + '/' + the entry's real file name; null for i out of range,
    // an empty folder or the placeholder. Valid until the next call.
    const char* getFullPath(int i);

    // Lists the folder anew (sorted); "z patterns arp" is never listed.
    void scan(bool folders);
    void sort();
    // The folder, then scan and sort; with extensions the shown names lose
    // them. A folder unchanged since its last settled listing (see
    // os::FolderStamp) is not read again: a program change among thousands
    // of presets costs what it costs among a few.
    void rescan(std::string_view folder, bool folders);
    // Rescans the folder of path (with folders: its parent) and answers the
    // index of the entry named like the file (without extension) or the
    // folder; -1 without path, -4 for an empty one, -3 when not found.
    int selectPath(const char* path, bool folders);
    // The index of the entry shown as name (see selectPath), -3 when none is.
    int indexOf(std::string_view name) const;

    const std::string& folder() const { return folder_; }
    const std::string& placeholder() const { return placeholder_; }

private:
    struct Entry {
        std::string shown;    // what menus show
        std::string fileName; // the name on disk; empty for the placeholder
    };

    std::string placeholder_ = "uninitialized";
    std::size_t nameLength_ = 320;
    bool hasExtensions_ = false;
    ExtensionList extensions_;
    bool layer_ = false;
    std::string folder_;
    std::vector<Entry> entries_;
    std::string fullPath_;
    // The last rescan's result; setup and setExtensions forget it.
    struct Listing {
        std::string folder;
        bool folders = false;
        os::FolderStamp stamp;
        std::vector<Entry> entries;
    };
    Listing listed_;
};
