#pragma once
// Replaces the global allocation functions of the test executable so a test
// can count every allocation made while g_counting is set. Include it from
// exactly one source file of an executable: the replacements are definitions.
#include <atomic>
#include <cstdlib>
#include <new>

inline std::atomic<bool> g_counting{false};
inline std::atomic<int> g_allocations{0};

namespace countingalloc {
inline void* counted(std::size_t size) {
    if (g_counting.load()) g_allocations.fetch_add(1);
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
} // namespace countingalloc

void* operator new(std::size_t size) { return countingalloc::counted(size); }
void* operator new[](std::size_t size) { return countingalloc::counted(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return countingalloc::counted(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& t) noexcept { return operator new(size, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
