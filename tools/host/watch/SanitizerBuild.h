#pragma once
// Whether this build runs under a sanitizer that owns the allocator and the
// loader entry points (then the watches use the sanitizer's hooks, or stand down).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KELVANTI_WATCH_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KELVANTI_WATCH_UNDER_SANITIZER 1
#endif
#endif
#ifndef KELVANTI_WATCH_UNDER_SANITIZER
#define KELVANTI_WATCH_UNDER_SANITIZER 0
#endif
