// With zenity and an X server (Xvfb) the error box is really shown: the
// helper is started with the expected arguments, keeps running (it found the
// display) without blocking us, and is collected once it is closed.
#include "os/Clock.h"
#include "os/Dialogs.h"
#include "os/Process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <optional>
#include <thread>

namespace {

template <typename Condition>
bool waitUntil(Condition condition, unsigned timeoutMs) {
    const uint32_t start = os::tickMs();
    while (!condition()) {
        if (os::tickDiff(os::tickMs(), start) > static_cast<int32_t>(timeoutMs)) return false;
        os::sleepMs(10);
    }
    return true;
}

bool isChild(int pid) {
    const std::vector<int> children = os::childProcessIds();
    return std::find(children.begin(), children.end(), pid) != children.end();
}

// Ends a child for good: politely, then by force; waits a bounded time.
void endChild(os::ChildProcess& child) {
    int exitCode = 0;
    if (child.pid <= 0) return;
    os::terminateProcess(child);
    if (!os::waitForExit(child, 5000, exitCode)) {
        os::killProcess(child);
        os::waitForExit(child, 5000, exitCode);
    }
    os::closeOutput(child);
}

// An X server on a display number it picks itself (-displayfd), so parallel
// tests never collide; stopped when the object goes away.
class VirtualDisplay {
public:
    bool start(const std::string& program) {
        const std::vector<std::string> argv = {"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"};
        if (!os::startProcess(program, argv, os::environmentWithout({}), true, server_)) return false;
        std::string number;
        const uint32_t begin = os::tickMs();
        while (number.find('\n') == std::string::npos && os::tickDiff(os::tickMs(), begin) < 15000) {
            if (os::readOutput(server_, number, 64, 100) == os::ReadStatus::End) break;
        }
        if (number.find('\n') == std::string::npos) return false;
        name_ = ":" + number.substr(0, number.find('\n'));
        return true;
    }
    ~VirtualDisplay() { endChild(server_); }
    const std::string& name() const { return name_; }
    int pid() const { return server_.pid; }

private:
    os::ChildProcess server_;
    std::string name_;
};

class EnvironmentRestorer {
public:
    explicit EnvironmentRestorer(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) old_ = value;
    }
    ~EnvironmentRestorer() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(OsDialogDisplay, ErrorBoxRunsZenityOnTheDisplayWithoutBlocking) {
    const std::string xvfb = os::findOnPath("Xvfb");
    if (xvfb.empty()) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_FALSE(os::findOnPath("zenity").empty()) << "zenity is installed with Xvfb by the setup script";

    VirtualDisplay display;
    ASSERT_TRUE(display.start(xvfb)) << "Xvfb did not report a display";
    EnvironmentRestorer keepDisplay("DISPLAY");
    EnvironmentRestorer keepWayland("WAYLAND_DISPLAY");
    ::setenv("DISPLAY", display.name().c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");

    os::DialogRequest expected;
    expected.kind = os::DialogKind::Error;
    expected.caption = "Zendrix";
    expected.text = "Cannot load \"<b>Bank 1</b>.fxb\"";
    const std::vector<std::string> expectedArgv = os::dialogCommandLine("zenity", expected);

    // showError runs on its own thread so that a blocking one fails the test
    // instead of hanging it (closing the box below would release it).
    std::atomic<bool> returned{false};
    std::thread caller([&] {
        os::showError(expected.caption, expected.text);
        returned = true;
    });

    os::ChildProcess box;
    waitUntil([&] {
        for (int pid : os::childProcessIds()) {
            if (pid != display.pid() && os::processArguments(pid) == expectedArgv) box.pid = pid;
        }
        return box.pid > 0;
    }, 15000);
    const bool returnedWhileShown = waitUntil([&] { return returned.load(); }, 5000);
    if (!returnedWhileShown) os::terminateProcess(box);
    caller.join();
    EXPECT_TRUE(returnedWhileShown) << "the error box blocked its caller";
    ASSERT_GT(box.pid, 0) << "no zenity child with the expected arguments";

    // zenity ends at once when it cannot open the display; a box on screen stays.
    os::sleepMs(1500);
    EXPECT_TRUE(isChild(box.pid)) << "zenity ended: it did not show the box";

    // Closing the box: the background reaper collects the helper.
    os::terminateProcess(box);
    const bool collected = waitUntil([&] { return !isChild(box.pid); }, 10000);
    EXPECT_TRUE(collected) << "the closed helper was not collected";
    if (!collected) os::killProcess(box);
}
