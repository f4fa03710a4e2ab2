#include "framework/synth/MemC_c.h"

#include "framework/model/ChunkWords.h"

#include <algorithm>
#include <new>

MemC_c::MemC_c(size_t size) {
    // One byte more than asked, so a zero always follows the data.
    owned_.reset(new (std::nothrow) uint8_t[size + 1]());
    if (owned_) {
        data_ = owned_.get();
        size_ = size;
    }
}

std::unique_ptr<MemC_c> MemC_c::copyOf(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr && size > 0)
        return nullptr;
    std::unique_ptr<MemC_c> copy(new (std::nothrow) MemC_c(size));
    if (!copy || copy->data() == nullptr)
        return nullptr;
    std::copy(bytes, bytes + size, copy->data());
    return copy;
}

bool MemC_c::fill(const uint8_t* bytes, size_t n) {
    if (data_ == nullptr || (bytes == nullptr && n > 0))
        return false;
    n = std::min(n, size_);
    if (n < size_)
        std::fill(data_, data_ + size_, uint8_t{0});
    std::copy(bytes, bytes + n, data_);
    return true;
}

uint8_t* MemC_c::wordAddress(int64_t i) { return hasWord(i) ? data_ + 4 * i : nullptr; }

bool MemC_c::readWord(int64_t i, uint32_t& out) const {
    out = 0;
    if (!hasWord(i))
        return false;
    out = getChunkWord(data_ + 4 * i);
    return true;
}

uint32_t MemC_c::word(int64_t i) const {
    uint32_t value = 0;
    readWord(i, value);
    return value;
}

bool MemC_c::writeWord(int64_t i, uint32_t value) {
    if (!hasWord(i))
        return false;
    putChunkWord(data_ + 4 * i, value);
    return true;
}
