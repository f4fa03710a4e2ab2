#include "framework/platform/Disk_c.h"

#include "os/PathText.h"
#include "os/FileSystem.h"
#include "os/ModulePath.h"

#include <algorithm>
#include <cstring>

namespace {

bool openablePath(std::string_view path) {
    return !path.empty() && path.find('\0') == std::string_view::npos;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) { return os::compareNamesIgnoringCase(a, b) == 0; }

} // namespace

Disk_c::~Disk_c() { close(); }

bool Disk_c::openForReading(std::string_view path) {
    close();
    if (!openablePath(path))
        return false;
    const std::string resolved = os::resolveCaseInsensitive(std::string(path));
    if (resolved.empty() || !os::fileExists(resolved) || !os::readFile(resolved, bytes_, kMaxReadBytes)) {
        bytes_.clear();
        return false;
    }
    position_ = 0;
    mode_ = Mode::Read;
    return true;
}

bool Disk_c::openText(std::string_view path) { return openForReading(path); }
bool Disk_c::openRead(std::string_view path) { return openForReading(path); }

bool Disk_c::openWrite(std::string_view path) {
    close();
    if (!openablePath(path)) {
        error_ = path.empty() ? "no file name" : "the name holds a zero byte";
        return false;
    }
    writePath_.assign(path);
    bytes_.clear();
    mode_ = Mode::Write;
    return true;
}

bool Disk_c::close() {
    bool ok = true;
    if (mode_ == Mode::Write) {
        error_.clear();
        ok = os::writeFileAtomic(writePath_, bytes_.data(), bytes_.size(), &error_);
    }
    mode_ = Mode::Closed;
    bytes_.clear();
    bytes_.shrink_to_fit();
    position_ = 0;
    writePath_.clear();
    return ok;
}

int Disk_c::readLine(char* buffer, std::size_t size) {
    if (mode_ != Mode::Read || !buffer || size == 0)
        return -1;
    if (position_ >= bytes_.size())
        return -2;
    const auto begin = bytes_.begin() + static_cast<std::ptrdiff_t>(position_);
    const auto lineEnd = std::find(begin, bytes_.end(), uint8_t{'\n'});
    position_ = static_cast<std::size_t>(lineEnd - bytes_.begin()) + (lineEnd == bytes_.end() ? 0 : 1);
    const auto textEnd = std::find(begin, lineEnd, uint8_t{'\r'});
    const std::size_t length = std::min(static_cast<std::size_t>(textEnd - begin), size - 1);
    std::copy(begin, begin + static_cast<std::ptrdiff_t>(length), reinterpret_cast<uint8_t*>(buffer));
    buffer[length] = '\0';
    return static_cast<int>(length);
}

std::size_t Disk_c::read(void* data, std::size_t count) {
    if (mode_ != Mode::Read || !data)
        return 0;
    const std::size_t n = std::min(count, bytes_.size() - position_);
    if (n > 0)
        std::memcpy(data, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

bool Disk_c::write(const void* data, std::size_t count) {
    if (mode_ != Mode::Write || (!data && count > 0))
        return false;
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + count);
    return true;
}

bool Disk_c::matchesExtension(const ExtensionList* extensions, std::string_view name) {
    if (!extensions)
        return true;
    if (name.find('.') == std::string_view::npos)
        return false;
    const std::string_view extension = pathtext::extensionOf(name);
    return std::any_of(extensions->begin(), extensions->end(), [&](const std::string& e) {
        return !e.empty() && sameIgnoringCase(e, extension);
    });
}

std::vector<std::string> Disk_c::listNames(std::string_view folder, bool folders, const ExtensionList* extensions) {
    std::vector<std::string> names;
    std::vector<os::DirEntry> entries;
    if (folder.empty() || !os::listDirectory(os::resolveCaseInsensitive(std::string(folder)), entries))
        return names;
    for (os::DirEntry& entry : entries) {
        const bool matches = entry.isDirectory ? folders && entry.name[0] != '.'
                                               : matchesExtension(extensions, entry.name);
        if (matches)
            names.push_back(std::move(entry.name));
    }
    return names;
}

bool Disk_c::listFiles(std::string_view folder, std::string& name, int n, bool folders,
                       const ExtensionList* extensions) {
    if (n < 0)
        return false;
    std::vector<std::string> names = listNames(folder, folders, extensions);
    if (static_cast<std::size_t>(n) >= names.size())
        return false;
    name = std::move(names[static_cast<std::size_t>(n)]);
    return true;
}

std::vector<std::string> Disk_c::listFilesSorted(std::string_view folder, const ExtensionList* extensions,
                                                 std::size_t capacity) {
    std::vector<std::string> names = listNames(folder, false, extensions);
    if (names.size() > capacity)
        names.resize(capacity);
    return names;
}

void Disk_c::sortNames(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return os::nameOrderLess(a, b); });
}

bool Disk_c::findFirstOfType(std::string_view folder, char* out, std::size_t outCapacity,
                             const ExtensionList& extensions, std::size_t capacity) {
    if (!out || outCapacity == 0)
        return false;
    out[0] = '\0';
    std::vector<std::string> names = listFilesSorted(folder, &extensions, capacity);
    if (names.empty())
        return false;
    sortNames(names);
    const std::string path = pathtext::joined(folder, names.front());
    if (path.size() >= outCapacity)
        return false;
    std::memcpy(out, path.c_str(), path.size() + 1);
    return true;
}

bool Disk_c::findKitFile(std::string_view folder, char* out, std::size_t outCapacity) {
    static const ExtensionList kKitExtensions = {"KQ3", "KQ4", "KQC", "QV_T_Kit"};
    return findFirstOfType(folder, out, outCapacity, kKitExtensions, 512);
}

std::string Disk_c::getModuleFolder() { return os::dataFolder(); }

// ------------------------------------------------------------------ FilePath

std::string FilePath::clean(std::string_view path) {
    std::string text;
    text.reserve(path.size());
    for (char c : path) {
        if (c == '*' || c == '?' || c == '|' || c == '"')
            continue;
        text += c == '\\' ? '/' : c;
    }
    return text;
}

void FilePath::assign(std::string_view path) {
    text = clean(path);
    absolute = pathtext::isAbsolutePath(text);
}
