// Module parameter files, the clipboard and the file dialog that picks them.
#include "framework/model/ChunkWords.h"
#include "framework/platform/ModuleManager_c.h"
#include "framework/settings/NoteFreqTable_c.h"
#include "framework/settings/SynGlo_c.h"
#include "os/Registry.h"
#include "tests/unit/support/FakeSynth.h"
#include "tests/unit/support/OsScratchFolder.h"
#include "tests/unit/support/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void putBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// Points the registry at a scratch folder for as long as it lives; declared
// before the services, so their destructors (a file dialog stores its last
// folder) still write there.
struct ScratchRegistry {
    ScratchRegistry() { ::setenv("KELVANTI_REGISTRY_DIR", folder.path().c_str(), 1); }
    ~ScratchRegistry() { ::unsetenv("KELVANTI_REGISTRY_DIR"); }
    OsScratchFolder folder;
};

class ModuleFiles : public ::testing::Test {
protected:
    void SetUp() override {
        glo.defineSharedParameters(gloSet);
        tuning.defineSharedParameters(tuningSet);
    }

    ScratchRegistry registry;
    OsScratchFolder files;
    FakeSynth synth;
    ParaSet_c* gloSet = nullptr;
    SynGlo_c glo{1};
    ParaSet_c* tuningSet = nullptr;
    NoteFreqTable_c tuning;
};

} // namespace

TEST_F(ModuleFiles, SavedRowLoadsBack) {
    ScriptedDialogs dialogs;
    glo.setValue(0, SynGlo_c::kVelCurve, 7);
    glo.setText(0, SynGlo_c::kMultiSave, "/home/u/multi.fxb");
    const std::string path = files / "Glo settings.MOD";
    dialogs.paths = {path};
    synth.modules.run(&glo, 0, ModuleManager_c::kSave, "Glo");
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].caption, "Glo Module Parameters");
    EXPECT_EQ(dialogs.asked[0].filters.at(0).patterns.at(0), "*.MOD");
    const std::vector<uint8_t> saved = fileBytes(path);
    ASSERT_GE(saved.size(), 12u);
    EXPECT_EQ(static_cast<SetTypeId>(getChunkWord(saved.data())), makeSetTypeId("SYG0"));
    EXPECT_EQ(getChunkWord(saved.data() + 4), saved.size());
    EXPECT_EQ(synth.refreshes, 0); // saving shows nothing new

    std::string folder;
    ASSERT_TRUE(os::registryRead("Kelvanti_MOD_Glo", folder));
    EXPECT_EQ(folder, files.path());

    glo.setValue(0, SynGlo_c::kVelCurve, 2);
    glo.setText(0, SynGlo_c::kMultiSave, "");
    dialogs.paths = {path};
    synth.modules.run(&glo, 0, ModuleManager_c::kLoad, "Glo");
    EXPECT_EQ(dialogs.asked.back().startFolder, files.path()); // starts where the last one ended
    EXPECT_EQ(glo.getValue(0, SynGlo_c::kVelCurve), 7);
    std::string text;
    glo.getTextString(0, SynGlo_c::kMultiSave, text);
    EXPECT_EQ(text, "/home/u/multi.fxb");
    EXPECT_EQ(synth.loads, 1);
    EXPECT_EQ(synth.held, 0);
    EXPECT_EQ(synth.refreshes, 1);

    // Saving onto it again and answering "no" writes nothing.
    glo.setValue(0, SynGlo_c::kVelCurve, 1);
    dialogs.paths = {path};
    dialogs.answers = {false};
    synth.modules.run(&glo, 0, ModuleManager_c::kSave, "Glo");
    EXPECT_EQ(dialogs.asked.back().text, "Overwrite existing file ?");
    EXPECT_EQ(dialogs.asked.back().caption, "Glo Module Parameters");
    EXPECT_EQ(fileBytes(path), saved);

    // A save that fails says which file and why (the controller assignment's
    // saves take this road too).
    const std::string nowhere = files / "missing/Glo settings.MOD";
    dialogs.paths = {nowhere};
    synth.modules.run(&glo, 0, ModuleManager_c::kSave, "Glo");
    EXPECT_EQ(dialogs.asked.back().caption, "Save Error");
    EXPECT_EQ(dialogs.asked.back().text, "This module file could not be saved!\n" + nowhere + ": No such file or directory");
}

TEST_F(ModuleFiles, ForeignOrBrokenFilesChangeNothing) {
    const std::string good = files / "good.MOD";
    ASSERT_TRUE(synth.modules.saveFile(glo, good, 0));
    const std::vector<uint8_t> chunk = fileBytes(good);
    glo.setValue(0, SynGlo_c::kVelCurve, 3);

    std::vector<std::vector<uint8_t>> broken;
    std::vector<uint8_t> wrongId = chunk;
    putChunkWord(wrongId.data(), static_cast<uint32_t>(makeSetTypeId("TUN0")));
    broken.push_back(wrongId);
    std::vector<uint8_t> zeroLength = chunk;
    putChunkWord(zeroLength.data() + 4, 0);
    broken.push_back(zeroLength);
    broken.emplace_back(chunk.begin(), chunk.begin() + 8);             // shorter than a header
    broken.emplace_back(chunk.begin(), chunk.end() - 4);               // shorter than word 1 says
    std::vector<uint8_t> oversized = chunk;
    putChunkWord(oversized.data() + 4, 0x7FFFFFF0u);
    broken.push_back(oversized);
    for (size_t i = 0; i < broken.size(); ++i) {
        const std::string path = files / ("broken" + std::to_string(i) + ".MOD");
        putBytes(path, broken[i]);
        EXPECT_FALSE(synth.modules.loadFile(glo, path, 0)) << i;
        EXPECT_EQ(glo.getValue(0, SynGlo_c::kVelCurve), 3) << i;
    }
    EXPECT_EQ(synth.loads, 0);

    synth.instruments = 0; // a row without instrument is not replaced
    EXPECT_FALSE(synth.modules.loadFile(glo, good, 0));
    EXPECT_EQ(glo.getValue(0, SynGlo_c::kVelCurve), 3);
}

TEST_F(ModuleFiles, PasteOnlyIntoTheSameKind) {
    glo.setValue(0, SynGlo_c::kVelCurve, 8);
    ASSERT_TRUE(synth.modules.copy(glo, 0));
    glo.setValue(0, SynGlo_c::kVelCurve, 1);
    ASSERT_TRUE(synth.modules.paste(glo, 0));
    EXPECT_EQ(glo.getValue(0, SynGlo_c::kVelCurve), 8);
    EXPECT_EQ(synth.replaced, 1);

    // A clipboard taken from another kind of module is refused.
    tuning.setValue(0, NoteFreqTable_c::kOnOff, 1);
    ScriptedDialogs dialogs;
    synth.modules.run(&tuning, 0, ModuleManager_c::kPaste, "Tuning");
    EXPECT_EQ(tuning.getValue(0, NoteFreqTable_c::kOnOff), 1);
    EXPECT_EQ(synth.replaced, 1);
    ASSERT_TRUE(synth.modules.copy(tuning, 0));
    EXPECT_FALSE(synth.modules.paste(glo, 0));
    EXPECT_EQ(glo.getValue(0, SynGlo_c::kVelCurve), 8);

    // Outside the editor's thread no dialog opens: nothing is loaded.
    FakeSynth other;
    other.modules.run(&glo, 0, ModuleManager_c::kLoad, "Glo");
    EXPECT_EQ(other.loads, 0);
}
