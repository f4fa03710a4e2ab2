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
    char path[pathtext::kPathBufferSize];
    folder_.copy(path, folder_.size());
    path[folder_.size()] = '\0';
    if (!pathtext::appendPath(path, sizeof path, entry.fileName))
        return nullptr;
    fullPath_ = path;
    return fullPath_.c_str();
}

void FileList_c::scan(bool folders) {
    clear();
    const ExtensionList* extensions = hasExtensions_ ? &extensions_ : nullptr;
    std::string name;
    // n counts directory positions: a skipped entry still takes one.
    for (int n = 0; count() < kCapacity && Disk_c::listFiles(folder_, name, n, folders, extensions); ++n) {
        if (os::compareNamesIgnoringCase(name, "z patterns arp") == 0)
            continue;
        entries_.push_back({name.substr(0, nameLength_), name});
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
    if (folder.size() >= pathtext::kPathBufferSize) {
        folder_.clear();
        clear();
        return;
    }
    folder_ = folder;
    scan(folders);
    sort();
    if (hasExtensions_)
        for (Entry& entry : entries_)
            entry.shown = std::string(pathtext::withoutExtension(entry.shown));
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
    // The last entry of that name; one differing only in case when there is
    // no exact one (a path stored by a Windows build).
    int found = -3;
    for (int i = count(); i-- > 0 && found < 0;)
        if (entries_[static_cast<std::size_t>(i)].shown == sought)
            found = i;
    for (int i = count(); i-- > 0 && found < 0;)
        if (os::compareNamesIgnoringCase(entries_[static_cast<std::size_t>(i)].shown, sought) == 0)
            found = i;
    return found;
}
