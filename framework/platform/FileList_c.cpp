#include "framework/platform/FileList_c.h"

#include "os/PathText.h"
#include "os/FileSystem.h"

#include <algorithm>

void FileList_c::setup(int nameLength, std::string_view placeholder, const ExtensionList* extensions, bool layer) {
    if (nameLength <= 0)
        return;
    nameLength_ = static_cast<std::size_t>(nameLength);
    placeholder_ = placeholder;
    hasExtensions_ = extensions != nullptr;
    extensions_.clear();
    if (extensions)
        setExtensions(*extensions);
    layer_ = layer;
    listed_ = Listing();
    clear();
}

void FileList_c::setExtensions(const ExtensionList& extensions) {
    extensions_.clear();
    for (const std::string& e : extensions) {
        if (e.empty() || static_cast<int>(extensions_.size()) >= kMaxExtensions)
            break;
        extensions_.push_back(e);
    }
    hasExtensions_ = true;
    listed_ = Listing();
}

void FileList_c::clear() { entries_.clear(); }

const char* FileList_c::getName(int i) const {
    if (entries_.empty())
        return "";
    if (i < 0 || i >= kCapacity)
        return nullptr;
    // Past the last entry the list holds its placeholder ("empty").
    if (i >= count())
        return placeholder_.c_str();
    return entries_[static_cast<std::size_t>(i)].shown.c_str();
}

const char* FileList_c::getFullPath(int i) {
    if (i < 0 || i >= count() || folder_.empty())
        return nullptr;
    const Entry& entry = entries_[static_cast<std::size_t>(i)];
    if (entry.fileName.empty())
        return nullptr;
    fullPath_ = pathtext::joined(folder_, entry.fileName);
    return fullPath_.c_str();
}

void FileList_c::scan(bool folders) {
    clear();
    const ExtensionList* extensions = hasExtensions_ ? &extensions_ : nullptr;
    // One listing: a folder of thousands of presets is read once per scan.
    for (std::string& name : Disk_c::listNames(folder_, folders, extensions)) {
        if (count() >= kCapacity)
            break;
        if (os::compareNamesIgnoringCase(name, "z patterns arp") == 0)
            continue;
        entries_.push_back({name.substr(0, nameLength_), std::move(name)});
    }
    if (layer_ && count() < kCapacity)
        entries_.push_back({"Layer", "Layer"});
}

void FileList_c::sort() {
    if (count() < 2)
        return;
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return os::nameOrderLess(a.shown, b.shown); });
}

void FileList_c::rescan(std::string_view folder, bool folders) {
    folder_ = folder;
    // Taken before the listing: a change while it runs makes the next one differ.
    const os::FolderStamp stamp = os::folderStamp(os::resolveCaseInsensitive(folder_));
    if (listed_.stamp.settled && stamp.sameAs(listed_.stamp) && listed_.folders == folders && listed_.folder == folder_) {
        entries_ = listed_.entries;
        return;
    }
    scan(folders);
    sort();
    if (hasExtensions_)
        for (Entry& entry : entries_)
            entry.shown = std::string(pathtext::withoutExtension(entry.shown));
    listed_ = Listing{folder_, folders, stamp, entries_};
}

int FileList_c::selectPath(const char* path, bool folders) {
    if (!path)
        return -1;
    clear();
    const std::string_view text(path);
    if (text.empty())
        return -4;
    const std::string_view folder = pathtext::folderOf(text);
    std::string_view sought;
    if (folders) {
        sought = pathtext::fileNameOf(folder);
        rescan(pathtext::folderOf(folder), true);
    } else {
        sought = pathtext::withoutExtension(pathtext::fileNameOf(text));
        rescan(folder, false);
    }
    return indexOf(sought);
}

int FileList_c::indexOf(std::string_view name) const {
    // The last entry of that name; one differing only in case when there is
    // no exact one (a path stored by a Windows build).
    for (int i = count(); i-- > 0;)
        if (entries_[static_cast<std::size_t>(i)].shown == name)
            return i;
    for (int i = count(); i-- > 0;)
        if (os::compareNamesIgnoringCase(entries_[static_cast<std::size_t>(i)].shown, name) == 0)
            return i;
    return -3;
}
