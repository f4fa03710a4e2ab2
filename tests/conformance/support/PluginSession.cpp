#include "tests/conformance/support/PluginSession.h"

#include <gtest/gtest.h>

#include "tests/conformance/support/SuiteSettings.h"

namespace conformance {

std::unique_ptr<PluginSession> PluginSession::create(const std::shared_ptr<vsthost::PluginLibrary>& library,
                                                     std::string& error) {
    std::unique_ptr<PluginSession> session(new PluginSession);
    session->host_ = std::make_unique<vsthost::Host>();
    session->plugin_ = vsthost::PluginInstance::create(library, *session->host_, error);
    if (!session->plugin_) return nullptr;
    if (!session->effect().processReplacing) {
        error = "the plug-in has no processReplacing (hosts refuse it)";
        return nullptr;
    }
    return session;
}

std::unique_ptr<PluginSession> PluginSession::create(std::string& error) {
    std::shared_ptr<vsthost::PluginLibrary> library = vsthost::PluginLibrary::load(pluginPath(), error);
    if (!library) return nullptr;
    return create(library, error);
}

void PluginSession::start(float sampleRate, int declaredBlockSize) {
    host_->answers().sampleRate = static_cast<VstIntPtr>(sampleRate);
    host_->answers().blockSize = declaredBlockSize;
    plugin_->setSampleRate(sampleRate);
    plugin_->setBlockSize(declaredBlockSize);
    plugin_->open();
    plugin_->resume();
    plugin_->dispatch(effStartProcess);
}

void PluginSession::stop() {
    plugin_->dispatch(effStopProcess);
    plugin_->suspend();
}

GuardedAudio PluginSession::makeAudio(int maxFrames) {
    return GuardedAudio(effect().numInputs, effect().numOutputs, maxFrames);
}

std::string PluginSession::play(GuardedAudio& audio, int frames, vsthost::EventList& events) {
    plugin_->sendEvents(events);
    audio.arm(frames);
    effect().processReplacing(&effect(), audio.inputs(), audio.outputs(), frames);
    return audio.fault(frames);
}

std::unique_ptr<PluginSession> createSessionOrFail() {
    std::string error;
    std::unique_ptr<PluginSession> session = PluginSession::create(error);
    EXPECT_TRUE(session) << error;
    return session;
}

} // namespace conformance
