#pragma once
// A block of bytes with its size: owned (allocated here, size + 1 bytes,
// zeroed, freed on destruction) or borrowed (the caller's memory, never
// freed, valid only while the caller keeps it).
//
// Word access addresses whole little-endian 32-bit words only: index i is
// refused when i < 0 or i >= size / 4, so no access passes the last whole
// word of the block.
//
// Threads: no lock; the owner serialises access.
#include <cstddef>
#include <cstdint>
#include <memory>

class MemC_c {
public:
    MemC_c() = default;
    // Owned: size bytes, zeroed. Allocation failure leaves no data (size 0).
    explicit MemC_c(size_t size);
    // Borrowed: the caller's bytes.
    MemC_c(uint8_t* data, size_t size) : data_(data), size_(data != nullptr ? size : 0) {}
    ~MemC_c() = default;
    MemC_c(const MemC_c&) = delete;
    MemC_c& operator=(const MemC_c&) = delete;

    // An owned copy of the bytes; null when the copy cannot be allocated.
    static std::unique_ptr<MemC_c> copyOf(const uint8_t* bytes, size_t size);

    size_t size() const { return size_; }
    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    bool owned() const { return owned_ != nullptr; }

    // Copies min(n, size) bytes to the start; the block is zeroed first when
    // fewer than size bytes come. False without data.
    bool fill(const uint8_t* bytes, size_t n);

    // The address of word i, or null when i is not a whole word of the block.
    uint8_t* wordAddress(int64_t i);
    // Word i into out (0 first, so a refused index leaves 0); false when refused.
    bool readWord(int64_t i, uint32_t& out) const;
    // Word i, or 0 when refused.
    uint32_t word(int64_t i) const;
    bool writeWord(int64_t i, uint32_t value);

    int64_t wordCount() const { return static_cast<int64_t>(size_ / 4); }

private:
    bool hasWord(int64_t i) const { return data_ != nullptr && i >= 0 && i < wordCount(); }

    std::unique_ptr<uint8_t[]> owned_;
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};
