#include "os/Clock.h"
#include "os/Dialogs.h"
#include "os/FileSystem.h"
#include "os/Process.h"
#include "support/OsScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

using Argv = std::vector<std::string>;

namespace {

// Sets environment variables for the length of a test and restores them.
class EnvironmentGuard {
public:
    void set(const std::string& name, const char* value) {
        if (std::find(saved_.begin(), saved_.end(), name) == saved_.end()) {
            saved_.push_back(name);
            const char* old = std::getenv(name.c_str());
            values_.push_back(old ? std::optional<std::string>(old) : std::nullopt);
        }
        if (value) {
            ::setenv(name.c_str(), value, 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
    ~EnvironmentGuard() {
        for (std::size_t i = 0; i < saved_.size(); ++i) {
            if (values_[i]) {
                ::setenv(saved_[i].c_str(), values_[i]->c_str(), 1);
            } else {
                ::unsetenv(saved_[i].c_str());
            }
        }
    }

private:
    std::vector<std::string> saved_;
    std::vector<std::optional<std::string>> values_;
};

std::vector<std::string> readNulSeparated(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::vector<std::string> items;
    if (!os::readFile(path, bytes, 1 << 20)) return items;
    std::string current;
    for (uint8_t b : bytes) {
        if (b == 0) {
            items.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(b));
        }
    }
    return items;
}

template <typename Condition>
bool waitUntil(Condition condition, unsigned timeoutMs) {
    const uint32_t start = os::tickMs();
    while (!condition()) {
        if (os::tickDiff(os::tickMs(), start) > static_cast<int32_t>(timeoutMs)) return false;
        os::sleepMs(5);
    }
    return true;
}

const std::vector<os::FileFilter> kPresetFilters = {{"FXP Presets", {"*.fxp", "*.FXP"}}, {"Any File", {"*.*"}}};

os::DialogRequest request(os::DialogKind kind, const std::string& caption, const std::string& text = "") {
    os::DialogRequest r;
    r.kind = kind;
    r.caption = caption;
    r.text = text;
    return r;
}

} // namespace

TEST(OsDialogs, ZenityCommandLines) {
    using os::DialogKind;
    EXPECT_EQ(os::dialogCommandLine("zenity", request(DialogKind::Error, "Zendrix", "Cannot read <b>x.fxp</b>")),
              (Argv{"zenity", "--error", "--no-markup", "--title=Zendrix", "--text=Cannot read <b>x.fxp</b>"}));
    EXPECT_EQ(os::dialogCommandLine("zenity", request(DialogKind::YesNo, "Save", "--help")),
              (Argv{"zenity", "--question", "--no-markup", "--title=Save", "--text=--help"}));

    os::DialogRequest open = request(DialogKind::OpenFile, "Load Preset");
    open.startFolder = "/home/u/Kelvanti Presets";
    open.filters = kPresetFilters;
    EXPECT_EQ(os::dialogCommandLine("zenity", open),
              (Argv{"zenity", "--file-selection", "--title=Load Preset", "--filename=/home/u/Kelvanti Presets/",
                    "--file-filter=FXP Presets | *.fxp *.FXP", "--file-filter=Any File | *.*"}));

    os::DialogRequest save = request(DialogKind::SaveFile, "Save Preset");
    save.startFolder = "/data/";
    save.defaultName = "Lead.fxp";
    save.filters = {{"A|B", {"*.fxp"}}};
    EXPECT_EQ(os::dialogCommandLine("zenity", save),
              (Argv{"zenity", "--file-selection", "--title=Save Preset", "--save", "--filename=/data/Lead.fxp",
                    "--file-filter=A/B | *.fxp"}));

    os::DialogRequest folder = request(DialogKind::ChooseFolder, "Bank Folder");
    folder.startFolder = "/data";
    folder.filters = kPresetFilters; // folders take no filter
    EXPECT_EQ(os::dialogCommandLine("zenity", folder),
              (Argv{"zenity", "--file-selection", "--title=Bank Folder", "--directory", "--filename=/data/"}));

    // No start folder: the helper's own default, never the host's directory by name.
    EXPECT_EQ(os::dialogCommandLine("zenity", request(DialogKind::ChooseFolder, "F")),
              (Argv{"zenity", "--file-selection", "--title=F", "--directory"}));

    // Windows-era 8-bit texts become UTF-8; a NUL byte cannot reach an argument.
    EXPECT_EQ(os::dialogCommandLine("zenity", request(DialogKind::Error, "Caf\xE9", std::string("a\0b", 3))),
              (Argv{"zenity", "--error", "--no-markup", "--title=Caf\xC3\xA9", "--text=a b"}));
    EXPECT_TRUE(os::dialogCommandLine("xmessage", request(DialogKind::Error, "x")).empty());

    // An editor's dialog stays above its window, with either helper.
    os::DialogRequest attached = request(DialogKind::YesNo, "Q", "Sure?");
    attached.parentWindow = 0x2a00007;
    EXPECT_EQ(os::dialogCommandLine("zenity", attached),
              (Argv{"zenity", "--attach=44040199", "--question", "--no-markup", "--title=Q", "--text=Sure?"}));
    EXPECT_EQ(os::dialogCommandLine("kdialog", attached),
              (Argv{"kdialog", "--title", "Q", "--attach", "44040199", "--yesno", "<qt>Sure?</qt>"}));
}

TEST(OsDialogs, KdialogCommandLines) {
    using os::DialogKind;
    EXPECT_EQ(os::dialogCommandLine("kdialog", request(DialogKind::Error, "Zendrix", "<b>x</b> & \"y\"\nz")),
              (Argv{"kdialog", "--title", "Zendrix", "--error",
                    "<qt>&lt;b&gt;x&lt;/b&gt; &amp; &quot;y&quot;<br>z</qt>"}));
    EXPECT_EQ(os::dialogCommandLine("kdialog", request(DialogKind::YesNo, "Q", "Overwrite existing file ?")),
              (Argv{"kdialog", "--title", "Q", "--yesno", "<qt>Overwrite existing file ?</qt>"}));

    os::DialogRequest open = request(DialogKind::OpenFile, "Load");
    open.startFolder = "/p";
    open.filters = kPresetFilters;
    EXPECT_EQ(os::dialogCommandLine("kdialog", open),
              (Argv{"kdialog", "--title", "Load", "--getopenfilename", "/p", "*.fxp *.FXP|FXP Presets\n*.*|Any File"}));

    os::DialogRequest save = request(DialogKind::SaveFile, "Save");
    save.startFolder = "/p";
    save.defaultName = "x.fxp";
    EXPECT_EQ(os::dialogCommandLine("kdialog", save),
              (Argv{"kdialog", "--title", "Save", "--getsavefilename", "/p/x.fxp"}));

    os::DialogRequest folder = request(DialogKind::ChooseFolder, "Folder");
    folder.startFolder = "/p/q";
    EXPECT_EQ(os::dialogCommandLine("kdialog", folder),
              (Argv{"kdialog", "--title", "Folder", "--getexistingdirectory", "/p/q"}));
}

TEST(OsDialogs, WithoutHelperOrDisplayErrorsGoToStderrQuestionsSayNoDialogsCancel) {
    OsScratchFolder emptyBin;
    for (int variant = 0; variant < 2; ++variant) {
        EnvironmentGuard env;
        if (variant == 0) {
            env.set("DISPLAY", ":0"); // a display but no helper on PATH
            env.set("PATH", emptyBin.path().c_str());
        } else {
            env.set("DISPLAY", nullptr); // helpers present but no display
            env.set("WAYLAND_DISPLAY", nullptr);
        }
        testing::internal::CaptureStderr();
        os::showError("Zendrix", "Cannot open bank");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Zendrix: Cannot open bank\n") << variant;
        // A file's bytes quoted in the text reach the terminal escaped, on one line.
        testing::internal::CaptureStderr();
        os::showError("Zendrix", "Unknown block \x1b[2J\nTAG");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Zendrix: Unknown block \\x1b[2J\\nTAG\n") << variant;

        EXPECT_FALSE(os::askYesNo("Q", "Overwrite?"));
        std::string path = "untouched";
        EXPECT_FALSE(os::openFileDialog("Open", "/", kPresetFilters, path));
        EXPECT_FALSE(os::saveFileDialog("Save", "/", "x.fxp", kPresetFilters, path));
        EXPECT_FALSE(os::chooseFolderDialog("Folder", "/", path));
        EXPECT_EQ(path, "untouched");
    }
}

TEST(OsDialogs, ScriptedBackendSeesEveryCallAndGivesTheAnswers) {
    struct Script : os::DialogBackend {
        std::vector<os::DialogRequest> seen;
        bool yes = false;
        std::string answer;
        void showError(const os::DialogRequest& r) override { seen.push_back(r); }
        bool askYesNo(const os::DialogRequest& r) override {
            seen.push_back(r);
            return yes;
        }
        bool choosePath(const os::DialogRequest& r, std::string& path) override {
            seen.push_back(r);
            if (answer.empty()) return false;
            path = answer;
            return true;
        }
    } script;
    os::setDialogBackendForTesting(&script);

    // The thread's editor window reaches every request made on that thread.
    os::setDialogParentWindow(77);
    os::showError("Cap", "Text");
    os::setDialogParentWindow(0);
    script.yes = true;
    EXPECT_TRUE(os::askYesNo("Q", "Sure?"));
    script.yes = false;
    EXPECT_FALSE(os::askYesNo("Q", "Sure?"));
    std::string path;
    script.answer = "/a/b.fxp";
    EXPECT_TRUE(os::saveFileDialog("Save", "/a", "b.fxp", kPresetFilters, path));
    EXPECT_EQ(path, "/a/b.fxp");
    script.answer.clear();
    EXPECT_FALSE(os::chooseFolderDialog("Folder", "/a", path));
    EXPECT_EQ(path, "/a/b.fxp");
    os::setDialogBackendForTesting(nullptr);

    ASSERT_EQ(script.seen.size(), 5u);
    EXPECT_EQ(script.seen[0].kind, os::DialogKind::Error);
    EXPECT_EQ(script.seen[0].caption, "Cap");
    EXPECT_EQ(script.seen[0].parentWindow, 77u);
    EXPECT_EQ(script.seen[1].parentWindow, 0u);
    EXPECT_EQ(script.seen[0].text, "Text");
    EXPECT_EQ(script.seen[1].kind, os::DialogKind::YesNo);
    EXPECT_EQ(script.seen[1].text, "Sure?");
    EXPECT_EQ(script.seen[3].kind, os::DialogKind::SaveFile);
    EXPECT_EQ(script.seen[3].startFolder, "/a");
    EXPECT_EQ(script.seen[3].defaultName, "b.fxp");
    EXPECT_EQ(script.seen[3].filters.size(), 2u);
    EXPECT_EQ(script.seen[4].kind, os::DialogKind::ChooseFolder);
}

// A stand-in "zenity" on PATH records what it was started with and answers
// as the test tells it, so the real spawning road is checked end to end.
class OsDialogsFakeHelper : public testing::Test {
protected:
    void SetUp() override {
        argsLog_ = scratch_ / "args";
        envLog_ = scratch_ / "env";
        installHelper("exit 0");
        env_.set("PATH", bin_.path().c_str());
        env_.set("DISPLAY", ":424242");
        env_.set("LD_LIBRARY_PATH", "/nonexistent/host/libs");
        env_.set("LD_PRELOAD", "/nonexistent/host/preload.so");
        env_.set("KELVANTI_HELPER_PROBE", "kept");
    }

    void TearDown() override {
        // Every helper must have been collected.
        EXPECT_TRUE(waitUntil([] { return os::childProcessIds().empty(); }, 10000));
    }

    // body runs after the arguments and environment were logged.
    void installHelper(const std::string& body) {
        const std::string script = "#!/bin/sh\nprintf '%s\\0' \"$@\" > '" + argsLog_ + ".tmp'\n/usr/bin/env -0 > '" +
                                   envLog_ + "'\n/bin/mv '" + argsLog_ + ".tmp' '" + argsLog_ + "'\n" + body + "\n";
        const std::string path = bin_.write("zenity", script);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }

    std::vector<std::string> loggedArgs() {
        std::vector<std::string> args = readNulSeparated(argsLog_);
        args.insert(args.begin(), "zenity");
        return args;
    }

    OsScratchFolder bin_;
    OsScratchFolder scratch_;
    std::string argsLog_;
    std::string envLog_;
    EnvironmentGuard env_;
};

TEST_F(OsDialogsFakeHelper, ErrorBoxDoesNotBlockAndTheChildGetsAFilteredEnvironment) {
    // The helper stays up until the test releases it (10 s at most), so
    // showError can only have returned without waiting for it.
    const std::string release = scratch_ / "release";
    const std::string done = scratch_ / "done";
    installHelper("i=0; while [ ! -e '" + release + "' ] && [ $i -lt 200 ]; do /bin/sleep 0.05; i=$((i+1)); done; : > '" +
                  done + "'");
    os::showError("Zendrix", "Chunk \"<i>bad</i>\" rejected");
    ASSERT_TRUE(waitUntil([&] { return os::fileExists(argsLog_); }, 10000));
    EXPECT_FALSE(os::fileExists(done)) << "the error box blocked its caller";
    OsScratchFolder::touch(release);
    EXPECT_TRUE(waitUntil([&] { return os::fileExists(done); }, 15000));

    os::DialogRequest expected = request(os::DialogKind::Error, "Zendrix", "Chunk \"<i>bad</i>\" rejected");
    EXPECT_EQ(loggedArgs(), os::dialogCommandLine("zenity", expected));

    const std::vector<std::string> childEnv = readNulSeparated(envLog_);
    auto has = [&](const std::string& prefix) {
        return std::any_of(childEnv.begin(), childEnv.end(),
                           [&](const std::string& e) { return e.compare(0, prefix.size(), prefix) == 0; });
    };
    EXPECT_FALSE(has("LD_LIBRARY_PATH="));
    EXPECT_FALSE(has("LD_PRELOAD="));
    EXPECT_TRUE(has("KELVANTI_HELPER_PROBE=kept"));
    EXPECT_TRUE(has("DISPLAY=:424242"));
    // The host's own environment is untouched.
    EXPECT_STREQ(std::getenv("LD_LIBRARY_PATH"), "/nonexistent/host/libs");
    EXPECT_STREQ(std::getenv("LD_PRELOAD"), "/nonexistent/host/preload.so");
}

TEST_F(OsDialogsFakeHelper, AnswersComeFromExitCodeAndOutput) {
    installHelper("exit 0");
    EXPECT_TRUE(os::askYesNo("Q", "Overwrite existing file ?"));
    EXPECT_EQ(loggedArgs(), os::dialogCommandLine("zenity", request(os::DialogKind::YesNo, "Q",
                                                                         "Overwrite existing file ?")));
    installHelper("exit 1");
    EXPECT_FALSE(os::askYesNo("Q", "Overwrite existing file ?"));
    installHelper("exit 5"); // a helper that failed is not a yes
    EXPECT_FALSE(os::askYesNo("Q", "?"));

    // The chosen path comes through stdout, without the helper's newline;
    // the waiting thread keeps being called back meanwhile.
    installHelper("/bin/sleep 0.3; printf '/tmp/a b/Lead \\303\\251.fxp\\n'; exit 0");
    int waitCalls = 0;
    os::setDialogWaitHandler([](void* context) { ++*static_cast<int*>(context); }, &waitCalls);
    std::string path;
    EXPECT_TRUE(os::openFileDialog("Open", "/tmp", kPresetFilters, path));
    os::setDialogWaitHandler(nullptr, nullptr);
    EXPECT_EQ(path, "/tmp/a b/Lead \xC3\xA9.fxp");
    EXPECT_GE(waitCalls, 3);
    os::DialogRequest open = request(os::DialogKind::OpenFile, "Open");
    open.startFolder = "/tmp";
    open.filters = kPresetFilters;
    EXPECT_EQ(loggedArgs(), os::dialogCommandLine("zenity", open));

    installHelper("printf '/x/y\\n'; exit 0");
    EXPECT_TRUE(os::chooseFolderDialog("Folder", "/x", path));
    EXPECT_EQ(path, "/x/y");

    // Cancel: exit 1, nothing written; the path is left alone.
    installHelper("exit 1");
    path = "kept";
    EXPECT_FALSE(os::saveFileDialog("Save", "/tmp", "x.fxp", kPresetFilters, path));
    EXPECT_EQ(path, "kept");
    // OK with an empty answer is no choice either.
    installHelper("exit 0");
    EXPECT_FALSE(os::openFileDialog("Open", "/tmp", kPresetFilters, path));
    EXPECT_EQ(path, "kept");
}
