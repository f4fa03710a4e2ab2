// Allocation counting. Without a sanitizer the executable replaces the C and
// C++ allocation functions and forwards to glibc's allocator; glibc supports
// this replacement and routes its own internal allocations through it too.
// Under a sanitizer its allocator must stay in charge, so its malloc/free hooks
// do the counting instead.
#include <cerrno>
#include <cstddef>
#include <new>

#include "tools/host/watch/AudioCallCounters.h"
#include "tools/host/watch/AudioCallWatch.h"
#include "tools/host/watch/SanitizerBuild.h"

#define KELVANTI_EXPORTED __attribute__((visibility("default")))

#if KELVANTI_WATCH_UNDER_SANITIZER

extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*, std::size_t),
                                                         void (*freeHook)(const volatile void*));

namespace {

void countSanitizerAllocation(const volatile void*, std::size_t bytes) {
    vsthost::watch_detail::noteAllocation(bytes);
}

void ignoreSanitizerFree(const volatile void*) {}

const bool hooksInstalled =
    __sanitizer_install_malloc_and_free_hooks(countSanitizerAllocation, ignoreSanitizerFree) != 0;

} // namespace

namespace vsthost {
bool allocationWatchAvailable() { return hooksInstalled; }
} // namespace vsthost

#else

extern "C" {
void* __libc_malloc(std::size_t bytes);
void* __libc_calloc(std::size_t count, std::size_t bytes);
void* __libc_realloc(void* pointer, std::size_t bytes);
void* __libc_memalign(std::size_t alignment, std::size_t bytes);
void __libc_free(void* pointer);
void* malloc(std::size_t bytes) noexcept;
}

namespace {

using vsthost::watch_detail::noteAllocation;

bool isValidAlignment(std::size_t alignment) {
    return alignment >= sizeof(void*) && (alignment & (alignment - 1)) == 0;
}

void* alignedOrNull(std::size_t alignment, std::size_t bytes) {
    noteAllocation(bytes);
    return __libc_memalign(alignment < sizeof(void*) ? sizeof(void*) : alignment, bytes);
}

void* allocateOrThrow(std::size_t bytes) {
    if (void* pointer = malloc(bytes)) return pointer;
    throw std::bad_alloc();
}

void* allocateAlignedOrThrow(std::size_t bytes, std::align_val_t alignment) {
    if (void* pointer = alignedOrNull(static_cast<std::size_t>(alignment), bytes)) return pointer;
    throw std::bad_alloc();
}

} // namespace

extern "C" {

KELVANTI_EXPORTED void* malloc(std::size_t bytes) noexcept {
    noteAllocation(bytes);
    return __libc_malloc(bytes);
}

KELVANTI_EXPORTED void* calloc(std::size_t count, std::size_t bytes) noexcept {
    noteAllocation(count * bytes);
    return __libc_calloc(count, bytes);
}

KELVANTI_EXPORTED void* realloc(void* pointer, std::size_t bytes) noexcept {
    noteAllocation(bytes);
    return __libc_realloc(pointer, bytes);
}

KELVANTI_EXPORTED void free(void* pointer) noexcept {
    __libc_free(pointer);
}

KELVANTI_EXPORTED int posix_memalign(void** out, std::size_t alignment, std::size_t bytes) noexcept {
    if (!isValidAlignment(alignment)) return EINVAL;
    void* pointer = alignedOrNull(alignment, bytes);
    if (!pointer) return ENOMEM;
    *out = pointer;
    return 0;
}

KELVANTI_EXPORTED void* aligned_alloc(std::size_t alignment, std::size_t bytes) noexcept {
    return alignedOrNull(alignment, bytes);
}

KELVANTI_EXPORTED void* memalign(std::size_t alignment, std::size_t bytes) noexcept {
    return alignedOrNull(alignment, bytes);
}

} // extern "C"

KELVANTI_EXPORTED void* operator new(std::size_t bytes) { return allocateOrThrow(bytes); }
KELVANTI_EXPORTED void* operator new[](std::size_t bytes) { return allocateOrThrow(bytes); }
KELVANTI_EXPORTED void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return malloc(bytes); }
KELVANTI_EXPORTED void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return malloc(bytes); }
KELVANTI_EXPORTED void* operator new(std::size_t bytes, std::align_val_t alignment) {
    return allocateAlignedOrThrow(bytes, alignment);
}
KELVANTI_EXPORTED void* operator new[](std::size_t bytes, std::align_val_t alignment) {
    return allocateAlignedOrThrow(bytes, alignment);
}
KELVANTI_EXPORTED void* operator new(std::size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return alignedOrNull(static_cast<std::size_t>(alignment), bytes);
}
KELVANTI_EXPORTED void* operator new[](std::size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return alignedOrNull(static_cast<std::size_t>(alignment), bytes);
}

KELVANTI_EXPORTED void operator delete(void* pointer) noexcept { __libc_free(pointer); }
KELVANTI_EXPORTED void operator delete[](void* pointer) noexcept { __libc_free(pointer); }
KELVANTI_EXPORTED void operator delete(void* pointer, std::size_t) noexcept { __libc_free(pointer); }
KELVANTI_EXPORTED void operator delete[](void* pointer, std::size_t) noexcept { __libc_free(pointer); }
KELVANTI_EXPORTED void operator delete(void* pointer, const std::nothrow_t&) noexcept { __libc_free(pointer); }
KELVANTI_EXPORTED void operator delete[](void* pointer, const std::nothrow_t&) noexcept { __libc_free(pointer); }
KELVANTI_EXPORTED void operator delete(void* pointer, std::align_val_t) noexcept { __libc_free(pointer); }
KELVANTI_EXPORTED void operator delete[](void* pointer, std::align_val_t) noexcept { __libc_free(pointer); }
KELVANTI_EXPORTED void operator delete(void* pointer, std::size_t, std::align_val_t) noexcept { __libc_free(pointer); }
KELVANTI_EXPORTED void operator delete[](void* pointer, std::size_t, std::align_val_t) noexcept { __libc_free(pointer); }
KELVANTI_EXPORTED void operator delete(void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
    __libc_free(pointer);
}
KELVANTI_EXPORTED void operator delete[](void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
    __libc_free(pointer);
}

namespace vsthost {
bool allocationWatchAvailable() { return true; }
} // namespace vsthost

#endif
