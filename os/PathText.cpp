#include "os/PathText.h"

namespace pathtext {
namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool hasDrivePrefix(std::string_view path) {
    return path.size() >= 2 && isLetter(path[0]) && path[1] == ':';
}

bool endsInSeparator(std::string_view folder) {
    return (!folder.empty() && isSeparator(folder.back())) ||
           (folder.size() == 2 && hasDrivePrefix(folder));
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

bool isAbsolutePath(std::string_view text) {
    if (!text.empty() && text[0] == '/')
        return true;
    return text.size() >= 3 && hasDrivePrefix(text) && isSeparator(text[2]);
}

} // namespace pathtext
