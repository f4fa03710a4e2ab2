// Loader-call counting: the executable defines dlopen, dlsym, dlclose and
// dladdr and forwards to the next definition. dlopen and dlsym look at their
// caller's return address (RTLD_NEXT, the caller's namespace), so each
// forward is a tail call that leaves the caller's address in place; this file
// is built with sibling-call optimisation and without exceptions for that.
// Under a sanitizer the runtime itself intercepts these functions and calls
// them during start-up, so the watch stands down there.
#include "tools/host/watch/AudioCallCounters.h"
#include "tools/host/watch/AudioCallWatch.h"
#include "tools/host/watch/SanitizerBuild.h"

#if KELVANTI_WATCH_UNDER_SANITIZER

namespace vsthost {
bool loaderWatchAvailable() { return false; }
} // namespace vsthost

#else

#include <atomic>
#include <dlfcn.h>
#include <initializer_list>

#define KELVANTI_EXPORTED __attribute__((visibility("default")))

namespace {

using DlopenFunction = void* (*)(const char*, int) noexcept;
using DlsymFunction = void* (*)(void*, const char*) noexcept;
using DlcloseFunction = int (*)(void*) noexcept;
using DladdrFunction = int (*)(const void*, Dl_info*) noexcept;

// glibc's own dlsym, by version (the new one first, then the first one of each architecture).
DlsymFunction realDlsym() {
    static std::atomic<DlsymFunction> cached{nullptr};
    DlsymFunction function = cached.load(std::memory_order_acquire);
    if (!function) {
        for (const char* version : {"GLIBC_2.34", "GLIBC_2.2.5", "GLIBC_2.0"}) {
            function = reinterpret_cast<DlsymFunction>(::dlvsym(RTLD_NEXT, "dlsym", version));
            if (function) break;
        }
        cached.store(function, std::memory_order_release);
    }
    return function;
}

template <typename Function>
Function nextDefinition(std::atomic<Function>& cached, const char* name) {
    Function function = cached.load(std::memory_order_acquire);
    if (!function) {
        function = reinterpret_cast<Function>(realDlsym()(RTLD_NEXT, name));
        cached.store(function, std::memory_order_release);
    }
    return function;
}

std::atomic<DlopenFunction> nextDlopen{nullptr};
std::atomic<DlcloseFunction> nextDlclose{nullptr};
std::atomic<DladdrFunction> nextDladdr{nullptr};

} // namespace

extern "C" {

KELVANTI_EXPORTED void* dlopen(const char* file, int mode) noexcept {
    vsthost::watch_detail::noteLoaderCall();
    return nextDefinition(nextDlopen, "dlopen")(file, mode);
}

KELVANTI_EXPORTED void* dlsym(void* handle, const char* name) noexcept {
    vsthost::watch_detail::noteLoaderCall();
    return realDlsym()(handle, name);
}

KELVANTI_EXPORTED int dlclose(void* handle) noexcept {
    vsthost::watch_detail::noteLoaderCall();
    return nextDefinition(nextDlclose, "dlclose")(handle);
}

KELVANTI_EXPORTED int dladdr(const void* address, Dl_info* info) noexcept {
    vsthost::watch_detail::noteLoaderCall();
    return nextDefinition(nextDladdr, "dladdr")(address, info);
}

} // extern "C"

namespace vsthost {
bool loaderWatchAvailable() { return realDlsym() != nullptr; }
} // namespace vsthost

#endif
