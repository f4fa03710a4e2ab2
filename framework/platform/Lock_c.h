#pragma once
// The plug-in's re-entrant lock (a critical section): the idle drain, the
// chunk loader, the parameter write path and the editor take it. The owner
// may enter again; tryEnter by the owner succeeds.
#include "framework/platform/Tool_c.h"
#include "os/Lock.h"

class Lock_c : public Tool_c {
public:
    bool enter() {
        lock_.enter();
        return true;
    }
    bool tryEnter() { return lock_.tryEnter(); }
    void leave() { lock_.leave(); }
    bool heldByThisThread() const { return lock_.heldByThisThread(); }

    // Second entry points with the same effect (and std::lock_guard support).
    bool lock() { return enter(); }
    void unlock() { leave(); }

private:
    os::RecursiveLock lock_;
};
