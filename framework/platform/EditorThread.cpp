#include "framework/platform/EditorThread.h"

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

namespace {

std::mutex g_editorMutex;
// Instance → the thread that opened it. A handful of entries at most.
std::map<const void*, std::thread::id>& registrations() {
    static std::map<const void*, std::thread::id> table;
    return table;
}
std::atomic<bool> g_loggedRefusal{false};

} // namespace

void setEditorThread(const void* instance) {
    std::lock_guard<std::mutex> guard(g_editorMutex);
    registrations()[instance] = std::this_thread::get_id();
}

void clearEditorThread(const void* instance) {
    std::lock_guard<std::mutex> guard(g_editorMutex);
    registrations().erase(instance);
}

bool isEditorThread() {
    std::lock_guard<std::mutex> guard(g_editorMutex);
    const std::thread::id self = std::this_thread::get_id();
    for (const auto& entry : registrations())
        if (entry.second == self) return true;
    return false;
}

bool mayBlockForUser(const char* what) {
    if (isEditorThread())
        return true;
    if (!g_loggedRefusal.exchange(true))
        std::fprintf(stderr, "Kelvanti: \"%s\" asked outside the editor's thread; answered with the default\n",
                     what ? what : "");
    return false;
}
