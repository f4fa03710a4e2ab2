// An instrument's life in a host: loaded and unloaded again and again,
// several instances at once, instances made on other threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/conformance/support/NotePass.h"
#include "tests/conformance/support/ParameterValues.h"
#include "tests/conformance/support/SuiteSettings.h"

namespace conformance {
namespace {

std::shared_ptr<vsthost::PluginLibrary> loadLibraryOrFail() {
    std::string error;
    auto library = vsthost::PluginLibrary::load(pluginPath(), error);
    EXPECT_TRUE(library) << error;
    return library;
}

std::unique_ptr<PluginSession> sessionFrom(const std::shared_ptr<vsthost::PluginLibrary>& library) {
    std::string error;
    auto session = PluginSession::create(library, error);
    EXPECT_TRUE(session) << error;
    return session;
}

TEST(Life, TenLoadOpenCloseUnloadCycles) {
    for (int cycle = 0; cycle < 10; ++cycle) {
        auto library = loadLibraryOrFail();
        ASSERT_TRUE(library);
        auto session = sessionFrom(library);
        ASSERT_TRUE(session);
        session->start(48000.0f, 256);
        GuardedAudio audio = session->makeAudio(256);
        Dice dice(static_cast<std::uint32_t>(40 + cycle));
        NotePass pass;
        pass.blockFrames = 256;
        pass.blocks = 4;
        EXPECT_EQ(playNotePass(*session, audio, pass, dice), "") << "cycle " << cycle;
        session->stop();
        session.reset();
        library.reset();   // the last reference: dlclose
    }
    // A thread or timer the library left behind runs into unmapped code now.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

TEST(Life, SeveralInstancesAtOnceStayIndependent) {
    constexpr int kInstances = 4;
    auto library = loadLibraryOrFail();
    ASSERT_TRUE(library);
    std::vector<std::unique_ptr<PluginSession>> sessions;
    for (int i = 0; i < kInstances; ++i) {
        sessions.push_back(sessionFrom(library));
        ASSERT_TRUE(sessions.back());
        sessions.back()->start(44100.0f, 128);
    }
    const std::vector<float> secondBefore = readParameters(sessions[1]->plugin());
    Dice dice(50u);
    randomiseParameters(sessions[0]->plugin(), dice);
    EXPECT_EQ(parameterDifferences(secondBefore, readParameters(sessions[1]->plugin())), "")
        << "writing one instance's parameters changed another's";

    // Hosts process instances on several audio threads at once.
    std::vector<std::string> faults(kInstances);
    std::vector<std::thread> threads;
    for (int i = 0; i < kInstances; ++i) {
        threads.emplace_back([&, i] {
            GuardedAudio audio = sessions[static_cast<std::size_t>(i)]->makeAudio(128);
            Dice threadDice(static_cast<std::uint32_t>(60 + i));
            NotePass pass;
            pass.blockFrames = 128;
            pass.blocks = reducedScale() ? 20 : 60;
            faults[static_cast<std::size_t>(i)] =
                playNotePass(*sessions[static_cast<std::size_t>(i)], audio, pass, threadDice);
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int i = 0; i < kInstances; ++i) EXPECT_EQ(faults[static_cast<std::size_t>(i)], "") << "instance " << i;
    for (auto& session : sessions) session->stop();
}

TEST(Life, SecondInstanceCreatedOnAnotherThread) {
    auto library = loadLibraryOrFail();
    ASSERT_TRUE(library);
    auto first = sessionFrom(library);
    ASSERT_TRUE(first);
    first->start(48000.0f, 256);

    std::unique_ptr<PluginSession> second;
    std::string creationError;
    std::atomic<bool> created{false};
    std::thread creator([&] {
        second = PluginSession::create(library, creationError);
        if (second) second->start(48000.0f, 256);
        created = true;
    });
    // The first instance keeps playing while the second one is made.
    GuardedAudio audio = first->makeAudio(256);
    Dice dice(70u);
    NotePass pass;
    pass.blockFrames = 256;
    pass.blocks = 2;
    std::string fault;
    do {
        fault = playNotePass(*first, audio, pass, dice);
    } while (fault.empty() && !created);
    creator.join();
    EXPECT_EQ(fault, "");
    ASSERT_TRUE(second) << creationError;

    GuardedAudio secondAudio = second->makeAudio(256);
    pass.blocks = 10;
    EXPECT_EQ(playNotePass(*second, secondAudio, pass, dice), "");
    EXPECT_EQ(playNotePass(*first, audio, pass, dice), "");
    std::thread closer([&] {
        second->stop();
        second.reset();
    });
    closer.join();
    EXPECT_EQ(playNotePass(*first, audio, pass, dice), "");
    first->stop();
}

} // namespace
} // namespace conformance
