// The set chunk: one row of a set as little-endian 32-bit words (see
// ParaSet_c.h for the layout). Writers are bounded by the caller's capacity;
// readers never trust a length found in the bytes.
#include "framework/model/ChunkWords.h"
#include "framework/model/ParaSet_c.h"
#include "os/Process.h"
#include <algorithm>
#include <mutex>
#include <set>
#include <string>

namespace {

std::string_view fullText(const Parameter_c& p) {
    return p.kind() == ParamKind::Options ? p.currentOptionEntry() : p.textView();
}

// The text a Text or Options entry stores. One longer than a chunk holds
// (a path in a deep folder) is stored empty: cut, it would name another file.
std::string_view entryText(const Parameter_c& p) {
    const std::string_view text = fullText(p);
    return text.size() > ParaSet_c::kMaxChunkText ? std::string_view() : text;
}

// Says once per text and process that it was stored empty (settings and
// projects are saved often). Threads: every writer of chunks; never the
// audio thread.
void tellTextNotStored(std::string_view text) {
    static std::mutex lock;
    static std::set<std::string, std::less<>> told;
    std::lock_guard<std::mutex> guard(lock);
    if (!told.emplace(text).second)
        return;
    os::printNotice("Kelvanti: \"" + std::string(text) + "\" is longer than the " +
                    std::to_string(ParaSet_c::kMaxChunkText) + " bytes a saved setting holds; it is saved empty");
}

// Text, its zero and padding, rounded up to a whole word.
size_t paddedTextSize(size_t textLength) { return (textLength + 1 + 3) & ~static_cast<size_t>(3); }

size_t entrySize(const Parameter_c& p) {
    switch (p.kind()) {
    case ParamKind::Text:
    case ParamKind::Options:
        return 4 + paddedTextSize(entryText(p).size());
    case ParamKind::FloatArray:
        return 4 + 4 * static_cast<size_t>(p.floatCount());
    default:
        return 4; // the placeholder too: an upper bound
    }
}

} // namespace

size_t ParaSet_c::getChunkSize(int row) const {
    if (!valid_)
        return 0;
    row = clampRow(row);
    size_t size = kChunkHeaderSize;
    for (int c = 0; c < columns_; ++c)
        size += entrySize(*cell(row, c));
    return size;
}

size_t ParaSet_c::writeChunk(uint8_t* buffer, size_t capacity, int row) const {
    if (!buffer || !valid_ || capacity < kChunkHeaderSize)
        return 0;
    row = clampRow(row);
    putChunkWord(buffer, static_cast<uint32_t>(typeId_));
    putChunkWord(buffer + 8, static_cast<uint32_t>(std::max<int32_t>(header_, 0)));
    size_t pos = kChunkHeaderSize;
    for (int c = 0; c < columns_; ++c) {
        const Parameter_c& p = *cell(row, c);
        const ParamKind kind = p.kind();
        if (kind == ParamKind::Placeholder)
            continue;
        if (kind == ParamKind::Text || kind == ParamKind::Options) {
            const std::string_view text = entryText(p);
            if (text.size() < fullText(p).size())
                tellTextNotStored(fullText(p));
            const size_t padded = paddedTextSize(text.size());
            if (capacity - pos < 4 + padded)
                return 0;
            putChunkWord(buffer + pos, static_cast<uint32_t>(padded));
            pos += 4;
            std::fill(buffer + pos, buffer + pos + padded, uint8_t{0});
            std::copy(text.begin(), text.end(), buffer + pos);
            pos += padded;
        } else if (kind == ParamKind::FloatArray) {
            const int n = p.floatCount();
            if ((capacity - pos) / 4 < 1 + static_cast<size_t>(n))
                return 0;
            putChunkWord(buffer + pos, static_cast<uint32_t>(n));
            pos += 4;
            for (int i = 0; i < n; ++i, pos += 4)
                putChunkWord(buffer + pos, p.getFloatBits(i));
        } else {
            if (capacity - pos < 4)
                return 0;
            const ParamDesc* desc = p.descriptor();
            const int32_t value = desc && desc->runningState ? desc->defaultValue : p.value();
            putChunkWord(buffer + pos, static_cast<uint32_t>(value));
            pos += 4;
        }
    }
    putChunkWord(buffer + 4, static_cast<uint32_t>(pos));
    return pos;
}

size_t ParaSet_c::readChunk(const uint8_t* buffer, size_t length, int row) {
    if (!valid_ || (!buffer && length > 0))
        return 0;
    if (isReadLocked())
        return length;
    row = clampRow(row);
    size_t pos = kChunkHeaderSize;
    for (int c = 0; c < columns_; ++c) {
        if (pos > length || length - pos < 4)
            break; // the column's first word is not inside the chunk
        Parameter_c& p = *cell(row, c);
        const ParamKind kind = p.kind();
        p.resetToDefault();
        if (kind == ParamKind::Placeholder)
            continue;
        const size_t available = length - pos - 4;
        const uint32_t word = getChunkWord(buffer + pos);
        pos += 4;
        if (kind == ParamKind::Text || kind == ParamKind::Options) {
            const size_t declared = word;
            const size_t present = std::min(declared, available);
            if (declared > 0) {
                const char* start = reinterpret_cast<const char*>(buffer + pos);
                std::string_view text(start, present);
                text = text.substr(0, std::min(text.find('\0'), kMaxChunkText));
                if (kind == ParamKind::Text)
                    p.setText(text);
                else
                    p.setOptionByText(text);
            }
            if (declared > available)
                break;
            pos += declared;
        } else if (kind == ParamKind::FloatArray) {
            const size_t declared = word;
            const size_t present = std::min(declared, available / 4);
            for (size_t i = 0; i < present; ++i, pos += 4)
                p.setFloatBits(static_cast<int>(std::min<size_t>(i, static_cast<size_t>(p.floatCount()))),
                               getChunkWord(buffer + pos));
            if (declared > present)
                break;
        } else {
            p.setValue(static_cast<int32_t>(word));
        }
    }
    return length;
}
