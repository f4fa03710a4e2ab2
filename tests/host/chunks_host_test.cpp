// The chunks a host asks for, with the factory banks as the data folder:
// the bytes effGetChunk hands out stay readable and unchanged until the
// instance's next effGetChunk, whatever the host sends or the idle side does
// in between; and a chunk taken before the first resume holds the sound the
// instance becomes. The reads are the host's own (instrumented in the
// sanitizer build).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/host/support/BuiltPlugin.h"
#include "tests/host/support/ScratchFolder.h"

namespace {

constexpr VstInt32 kBank = 0, kProgram = 1;   // effGetChunk's index

// The committed factory banks as this process's data folder, with a registry of its own.
class FactoryData {
public:
    FactoryData() {
        const std::filesystem::path data = folder_.file("data");
        std::filesystem::create_directories(data);
        std::filesystem::create_directories(folder_.file("registry"));
        std::error_code error;
        std::filesystem::create_directory_symlink(std::filesystem::path(KELVANTI_SOURCE_DIR) / "resources" / "banks",
                                                  data / "Kelvanti Banks", error);
        ok_ = folder_.ok() && !error;
        ::setenv("KELVANTI_REGISTRY_DIR", folder_.file("registry").c_str(), 1);
        use();
    }
    ~FactoryData() { ::unsetenv("KELVANTI_DATA_DIR"); }
    bool ok() const { return ok_; }
    // Instances made from here on list the factory banks.
    void use() const { ::setenv("KELVANTI_DATA_DIR", folder_.file("data").c_str(), 1); }

private:
    render_run::ScratchFolder folder_;
    bool ok_ = false;
};

struct Instance {
    explicit Instance(const std::shared_ptr<vsthost::PluginLibrary>& library) {
        // The idle side runs when this host says so (effIdle), not on the timer.
        host.answers().canDo["supplyIdle"] = 1;
        plugin = builtplugin::makeInstance(library, host);
        if (!plugin) return;
        plugin->open();
        plugin->setSampleRate(44100.0f);
        plugin->setBlockSize(512);
    }
    vsthost::Host host;
    std::unique_ptr<vsthost::PluginInstance> plugin;
};

// What effGetChunk handed out, and a copy taken at once.
struct HandedChunk {
    const unsigned char* data = nullptr;
    std::vector<unsigned char> copy;
    // Reads every byte the host was given (a read of freed memory stops the
    // sanitizer build here) and compares it with the copy.
    bool unchanged() const { return data && std::memcmp(data, copy.data(), copy.size()) == 0; }
};

HandedChunk takeChunk(vsthost::PluginInstance& plugin, VstInt32 kind) {
    void* data = nullptr;
    const VstIntPtr size = plugin.dispatch(effGetChunk, kind, 0, &data);
    if (size <= 0 || data == nullptr) return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return {bytes, std::vector<unsigned char>(bytes, bytes + size)};
}

// What a host may send between effGetChunk and reading the bytes: any
// dispatcher opcode with harmless arguments (pointers into zeroed memory; the
// host's own copy for effSetChunk), then the host's idle.
void sendOpcode(vsthost::PluginInstance& plugin, VstInt32 opcode, std::vector<unsigned char> chunk, VstInt32 kind) {
    alignas(16) static unsigned char scratch[1 << 16];
    std::memset(scratch, 0, sizeof scratch);
    VstIntPtr value = 0;   // effSetProgram 1 is loaded by the idle below; effMainsChanged 1 resumes
    if (opcode == effSetProgram || opcode == effMainsChanged) value = 1;
    if (opcode == effSetBlockSize || opcode == effSetBlockSizeAndSampleRate) value = 512;
    const bool rate = opcode == effSetSampleRate || opcode == effSetBlockSizeAndSampleRate;
    if (opcode == effSetChunk)
        plugin.dispatch(opcode, kind, static_cast<VstIntPtr>(chunk.size()), chunk.data());
    else
        plugin.dispatch(opcode, 0, value, scratch, rate ? 44100.0f : 0.0f);
    plugin.dispatch(effIdle);
}

TEST(HostChunks, TheHandedChunkOutlivesEveryOtherCall) {
    FactoryData data;
    ASSERT_TRUE(data.ok());
    auto library = builtplugin::loadLibrary();
    ASSERT_TRUE(library);
    for (const VstInt32 kind : {kBank, kProgram}) {
        SCOPED_TRACE(kind == kBank ? "bank chunk" : "program chunk");
        // Taken before the first resume: the calls that start the instance.
        for (const VstInt32 opcode : {effGetProgramName, effGetProgramNameIndexed, effMainsChanged}) {
            Instance early(library);
            ASSERT_TRUE(early.plugin);
            const HandedChunk chunk = takeChunk(*early.plugin, kind);
            ASSERT_FALSE(chunk.copy.empty());
            sendOpcode(*early.plugin, opcode, chunk.copy, kind);
            EXPECT_TRUE(chunk.unchanged()) << "before the first resume, then opcode " << opcode;
        }

        Instance running(library);
        ASSERT_TRUE(running.plugin);
        vsthost::PluginInstance& plugin = *running.plugin;
        plugin.resume();
        ASSERT_EQ(plugin.programName(), "01 Kit Tone");
        // Every opcode bar the close, the request itself and the editor's
        // window (the editor's tests export a preset while a chunk is held).
        for (VstInt32 opcode = 0; opcode <= effGetNumMidiOutputChannels; ++opcode) {
            if (opcode == effClose || opcode == effGetChunk || opcode == effEditOpen) continue;
            const HandedChunk chunk = takeChunk(plugin, kind);
            ASSERT_FALSE(chunk.copy.empty());
            sendOpcode(plugin, opcode, chunk.copy, kind);
            EXPECT_TRUE(chunk.unchanged()) << "opcode " << opcode;
            // Positive control: the program change reached the idle side.
            if (opcode == effSetProgram) {
                EXPECT_EQ(plugin.programName(), "02 Deep Kick");
            }
        }
    }
}

// Every parameter's value and display text, and the program name.
std::vector<std::string> stateOf(vsthost::PluginInstance& plugin) {
    std::vector<std::string> state{"program " + plugin.programName()};
    for (VstInt32 i = 0; i < plugin.numParams(); ++i) {
        char value[32];
        std::snprintf(value, sizeof value, " %.9g ", plugin.getParameter(i));   // every bit of the float
        state.push_back(plugin.parameterName(i) + value + plugin.parameterDisplay(i));
    }
    return state;
}

TEST(HostChunks, AChunkTakenBeforeTheFirstResumeHoldsWhatTheInstanceBecomes) {
    FactoryData data;
    ASSERT_TRUE(data.ok());
    auto library = builtplugin::loadLibrary();
    ASSERT_TRUE(library);
    // Positive control: the module defaults differ from the default preset.
    ::setenv("KELVANTI_DATA_DIR", "/nonexistent", 1);
    std::vector<std::string> defaults;
    {
        Instance bare(library);
        ASSERT_TRUE(bare.plugin);
        bare.plugin->resume();
        defaults = stateOf(*bare.plugin);
    }
    data.use();
    for (const VstInt32 kind : {kBank, kProgram}) {
        SCOPED_TRACE(kind == kBank ? "bank chunk" : "program chunk");
        Instance saved(library);
        ASSERT_TRUE(saved.plugin);
        const std::vector<unsigned char> chunk = takeChunk(*saved.plugin, kind).copy;
        ASSERT_FALSE(chunk.empty());
        saved.plugin->resume();
        const std::vector<std::string> expected = stateOf(*saved.plugin);
        ASSERT_EQ(expected[0], "program 01 Kit Tone");
        EXPECT_NE(expected, defaults);

        Instance restored(library);
        ASSERT_TRUE(restored.plugin);
        std::vector<unsigned char> copy(chunk);
        ASSERT_EQ(restored.plugin->dispatch(effSetChunk, kind, static_cast<VstIntPtr>(copy.size()), copy.data()),
                  static_cast<VstIntPtr>(copy.size()));
        restored.plugin->resume();
        EXPECT_EQ(stateOf(*restored.plugin), expected);
    }
}

} // namespace
