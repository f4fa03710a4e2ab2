#include "os/PathText.h"
#include <cstring>

namespace pathtext {
namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool hasDrivePrefix(std::string_view path) {
    return path.size() >= 2 && isLetter(path[0]) && path[1] == ':';
}

bool copyOut(std::string_view text, char* out, size_t capacity) {
    if (!out || text.size() >= capacity)
        return false;
    if (!text.empty())
        std::memmove(out, text.data(), text.size());
    out[text.size()] = '\0';
    return true;
}

bool endsInSeparator(std::string_view folder) {
    return (!folder.empty() && isSeparator(folder.back())) ||
           (folder.size() == 2 && hasDrivePrefix(folder));
}

// Writes folder + [separator] + name into out; the inputs may overlap out.
bool joinInto(std::string_view folder, std::string_view name, char* out, size_t capacity) {
    if (!out || name.empty() || folder.size() + name.size() > kMaxJoinedLength)
        return false;
    return copyOut(joined(folder, name), out, capacity);
}

} // namespace

bool isSeparator(char c) { return c == '/' || c == '\\'; }

std::string joined(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!folder.empty() && !name.empty() && !endsInSeparator(folder))
        path += kSeparator;
    path += name;
    return path;
}

size_t lastSeparator(std::string_view path) {
    for (size_t i = path.size(); i-- > 0;) {
        if (isSeparator(path[i]))
            return i;
    }
    return hasDrivePrefix(path) ? 1 : std::string_view::npos;
}

std::string_view folderOf(std::string_view path) {
    const size_t i = lastSeparator(path);
    if (i == std::string_view::npos)
        return path;
    if (i == 0 && isSeparator(path[0]))
        return path.substr(0, 1); // the root "/"
    if (hasDrivePrefix(path) && i <= 2)
        return path.substr(0, i + 1); // "C:" or the drive root "C:\"
    return path.substr(0, i);
}

std::string_view fileNameOf(std::string_view path) {
    const size_t i = lastSeparator(path);
    return i == std::string_view::npos ? path : path.substr(i + 1);
}

std::string_view extensionOf(std::string_view path) {
    const size_t dot = path.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
}

std::string_view withoutExtension(std::string_view text) {
    const size_t dot = text.rfind('.');
    return dot == std::string_view::npos ? text : text.substr(0, dot);
}

bool getFolder(std::string_view path, char* out, size_t capacity) {
    return copyOut(folderOf(path), out, capacity);
}

bool getFileName(std::string_view path, char* out, size_t capacity) {
    return copyOut(fileNameOf(path), out, capacity);
}

bool getExtension(std::string_view path, char* out, size_t capacity) {
    return copyOut(extensionOf(path), out, capacity);
}

bool nameWithoutExtension(std::string_view path, char* out, size_t capacity) {
    return copyOut(withoutExtension(fileNameOf(path)), out, capacity);
}

void stripExtension(char* text, size_t capacity) {
    if (!text || capacity == 0)
        return;
    const std::string_view t(text, strnlen(text, capacity));
    if (t.size() == capacity)
        return; // not ended inside its buffer: leave it alone
    text[withoutExtension(t).size()] = '\0';
}

bool joinPath(std::string_view folder, char* name, size_t capacity) {
    if (!name || capacity == 0)
        return false;
    const size_t nameLength = strnlen(name, capacity);
    if (nameLength == capacity)
        return false;
    return joinInto(folder, std::string_view(name, nameLength), name, capacity);
}

bool appendPath(char* folder, size_t capacity, std::string_view name) {
    if (!folder || capacity == 0)
        return false;
    const size_t folderLength = strnlen(folder, capacity);
    if (folderLength == capacity)
        return false;
    return joinInto(std::string_view(folder, folderLength), name, folder, capacity);
}

bool isAbsolutePath(std::string_view text) {
    if (!text.empty() && text[0] == '/')
        return true;
    return text.size() >= 3 && hasDrivePrefix(text) && isSeparator(text[2]);
}

} // namespace pathtext
