#include "framework/platform/EditorThread.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

std::mutex g_editorMutex;
std::thread::id g_editorThread; // default id: none
std::atomic<bool> g_loggedRefusal{false};

} // namespace

void setEditorThread() {
    std::lock_guard<std::mutex> guard(g_editorMutex);
    g_editorThread = std::this_thread::get_id();
}

void clearEditorThread() {
    std::lock_guard<std::mutex> guard(g_editorMutex);
    g_editorThread = std::thread::id();
}

bool isEditorThread() {
    std::lock_guard<std::mutex> guard(g_editorMutex);
    return g_editorThread != std::thread::id() && g_editorThread == std::this_thread::get_id();
}

bool mayBlockForUser(const char* what) {
    if (isEditorThread())
        return true;
    if (!g_loggedRefusal.exchange(true))
        std::fprintf(stderr, "Kelvanti: \"%s\" asked outside the editor's thread; answered with the default\n",
                     what ? what : "");
    return false;
}
