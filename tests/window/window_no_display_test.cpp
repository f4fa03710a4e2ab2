// The toy editor plug-in where no X display can be reached: effEditOpen
// answers 0, the reason is printed once per process, and the plug-in plays on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginInstance.h"

namespace {

int occurrences(const std::string& text, const std::string& what) {
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

TEST(WindowNoDisplay, EditOpenAnswersZeroSaysSoOnceAndThePluginPlaysOn) {
    vsthost::Host host;
    std::string error;
    auto plugin = vsthost::PluginInstance::load(KELVANTI_TOY_EDITOR_PLUGIN, host, error);
    ASSERT_TRUE(plugin) << error;
    plugin->open();
    plugin->resume();

    ::testing::internal::CaptureStderr();
    ::unsetenv("DISPLAY");
    const VstIntPtr unset1 = plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{0x400001}));
    const VstIntPtr unset2 = plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{0x400001}));
    ::setenv("DISPLAY", ":987", 1);   // nothing listens there
    const VstIntPtr unreachable = plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{0x400001}));
    plugin->dispatch(effEditIdle);
    plugin->dispatch(effEditClose);
    const std::string said = ::testing::internal::GetCapturedStderr();
    ::unsetenv("DISPLAY");

    EXPECT_EQ(unset1, 0);
    EXPECT_EQ(unset2, 0);
    EXPECT_EQ(unreachable, 0);
    EXPECT_EQ(occurrences(said, "kelvanti: no editor window"), 1) << said;

    // The rectangle stays valid and the audio goes on.
    ERect* rect = nullptr;
    plugin->dispatch(effEditGetRect, 0, 0, &rect);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 420);
    EXPECT_EQ(rect->bottom - rect->top, 180);
    plugin->setParameter(1, 0.75f);
    vsthost::AudioBuffers inputs(0, 64);
    vsthost::AudioBuffers outputs(2, 64);
    plugin->processReplacing(inputs, outputs, 64);
    EXPECT_FLOAT_EQ(outputs.channel(0)[63], 0.75f);
    EXPECT_FLOAT_EQ(outputs.channel(1)[0], 0.75f);
}

} // namespace
