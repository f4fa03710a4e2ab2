#include "os/window/DropData.h"

namespace os {

static int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool percentDecode(const std::string& text, std::string& decoded) {
    decoded.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) return false;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return false;
        const char value = static_cast<char>(high * 16 + low);
        if (value == '\0') return false;
        decoded.push_back(value);
        i += 2;
    }
    return true;
}

static bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

std::vector<DropItem> filesFromUriList(const std::string& bytes) {
    std::vector<DropItem> items;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::string path;
        if (startsWith(line, "file:///")) {
            path = line.substr(7);
        } else if (startsWith(line, "file://localhost/")) {
            path = line.substr(16);
        } else {
            continue;   // another host's file, or not a file at all
        }
        DropItem item;
        item.type = DropItem::Type::File;
        if (percentDecode(path, item.data)) items.push_back(std::move(item));
    }
    return items;
}

DropItem textItem(const std::string& bytes) {
    DropItem item;
    item.type = DropItem::Type::Text;
    item.data = bytes.substr(0, bytes.find('\0'));
    return item;
}

} // namespace os
