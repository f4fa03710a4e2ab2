// What a plug-in shares with its host and must leave as it found it: the
// locale, the current directory and environment, the signal handlers, and
// the floating-point control of the thread that loads and runs it. Each is
// its own check so a peer's table row says which one it harms.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "tests/conformance/support/NotePass.h"
#include "tests/conformance/support/SuiteSettings.h"
#include "tools/host/watch/ProcessState.h"

namespace conformance {
namespace {

using vsthost::ProcessAspect;

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "\n  " + line;
    return text;
}

// Load, open, play, close and unload, comparing the aspect after each stage.
void lifeLeavesUntouched(ProcessAspect aspect) {
    // A host that chose a locale of its own, as desktop hosts do.
    if (!std::setlocale(LC_ALL, "C.UTF-8")) std::setlocale(LC_ALL, "C");
    const vsthost::ProcessState before = vsthost::ProcessState::capture();
    auto expectUnchanged = [&before, aspect](const char* stage) {
        const auto changes = vsthost::describeChanges(before, vsthost::ProcessState::capture(), aspect);
        EXPECT_TRUE(changes.empty()) << "after " << stage << ":" << joined(changes);
    };

    std::string error;
    auto library = vsthost::PluginLibrary::load(pluginPath(), error);
    ASSERT_TRUE(library) << error;
    expectUnchanged("load");
    auto session = PluginSession::create(library, error);
    ASSERT_TRUE(session) << error;
    session->start(44100.0f, 512);
    expectUnchanged("open");
    GuardedAudio audio = session->makeAudio(512);
    Dice dice(90u);
    EXPECT_EQ(playNotePass(*session, audio, NotePass{}, dice), "");
    session->stop();
    expectUnchanged("processing");
    session.reset();
    expectUnchanged("close");
    library.reset();
    expectUnchanged("unload");
    std::setlocale(LC_ALL, "C");
}

TEST(HostHygiene, LocaleUntouched) {
    lifeLeavesUntouched(ProcessAspect::Locale);
}

TEST(HostHygiene, DirectoryAndEnvironmentUntouched) {
    lifeLeavesUntouched(ProcessAspect::DirectoryAndEnvironment);
}

TEST(HostHygiene, NoSignalHandlerInstalled) {
    lifeLeavesUntouched(ProcessAspect::SignalHandlers);
}

// Flush-to-zero or a rounding mode left behind changes the host's own arithmetic.
TEST(HostHygiene, FloatingPointControlUntouched) {
    lifeLeavesUntouched(ProcessAspect::FloatingPointControl);
}

} // namespace
} // namespace conformance
