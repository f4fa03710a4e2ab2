// The editor's file buttons with scripted answers: export and import of a
// preset, the overwrite question ("no" writes nothing), each button's own
// start folder, and a tuning file whose name shows at once.
#include "EditorFixture.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "../unit/support/ScriptedDialogs.h"
#include "framework/platform/Registry.h"
#include "framework/synth/FxpFormat.h"
#include "os/ModulePath.h"

namespace {

using editortest::EditorTest;

std::string bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class EditorFiles : public EditorTest {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("editor_files_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder / "registry");
        setenv("KELVANTI_REGISTRY_DIR", (folder / "registry").c_str(), 1);
        EditorTest::SetUp();
        window = openHeadless();
        ASSERT_NE(window, nullptr);
        dialogs = std::make_unique<ScriptedDialogs>();
    }
    void TearDown() override {
        dialogs.reset();
        EditorTest::TearDown();
        unsetenv("KELVANTI_DATA_DIR");
        std::filesystem::remove_all(folder);
    }
    void click(int x, int y) {
        window->injectClick(x, y);
        editor->idle();
        editor->idle();
    }
    std::filesystem::path folder;
    os::HeadlessWindow* window = nullptr;
    std::unique_ptr<ScriptedDialogs> dialogs;
};

TEST_F(EditorFiles, ExportImportAndTheOverwriteQuestion) {
    const std::filesystem::path preset = folder / "Tick.fxp";
    plugin->setParameter(0, 1.0f);
    dialogs->paths.push_back(preset.string());
    click(663, 108);  // export
    ASSERT_TRUE(std::filesystem::exists(preset));
    ASSERT_EQ(dialogs->asked.size(), 1u);
    EXPECT_EQ(dialogs->asked[0].caption, "Export Kelvanti Sound Program");
    EXPECT_EQ(dialogs->asked[0].startFolder, os::dataFolder() + "/KelvantiPresets");
    const std::string saved = bytesOf(preset);

    // Onto the existing file: the question, and "no" keeps the file as it was.
    plugin->setParameter(0, 0.0f);
    dialogs->paths.push_back(preset.string());
    dialogs->answers.push_back(false);
    click(663, 108);
    ASSERT_EQ(dialogs->asked.size(), 3u);
    EXPECT_EQ(dialogs->asked[2].text, "Overwrite existing file ?");
    EXPECT_EQ(bytesOf(preset), saved);

    // Import: the file's sound comes back; the import button started where
    // it starts, not where the export button left off.
    dialogs->paths.push_back(preset.string());
    click(635, 108);
    ASSERT_EQ(dialogs->asked.size(), 4u);
    EXPECT_EQ(dialogs->asked[3].caption, "Import Kelvanti Sound Program");
    EXPECT_EQ(dialogs->asked[3].startFolder, os::dataFolder() + "/KelvantiPresets");
    EXPECT_FLOAT_EQ(plugin->getParameter(0), 1.0f);
    EXPECT_NEAR(editor->controlOf(0)->shownValue(), 1.0f, 1e-6);
    // The export button remembers its own folder.
    char stored[320] = {};
    ASSERT_TRUE(readRegistryString("FxpExportFolder", stored, sizeof stored));
    EXPECT_EQ(std::string(stored), folder.string());
}

// A host may still be reading the chunk it was handed while the user exports
// a preset: the export leaves those bytes where and as they were.
TEST_F(EditorFiles, AnExportLeavesTheChunkTheHostHoldsAsItWas) {
    for (const VstInt32 kind : {1, 0}) {   // program, bank
        SCOPED_TRACE(kind == 1 ? "program chunk" : "bank chunk");
        void* data = nullptr;
        const VstIntPtr size = plugin->dispatcher(effGetChunk, kind, 0, &data, 0.0f);
        ASSERT_GT(size, 0);
        const auto* handed = static_cast<const unsigned char*>(data);
        const std::vector<unsigned char> copy(handed, handed + size);
        const std::filesystem::path preset = folder / ("Held " + std::to_string(kind) + ".fxp");
        dialogs->paths.push_back(preset.string());
        click(663, 108);  // export
        ASSERT_TRUE(std::filesystem::exists(preset));
        EXPECT_EQ(std::memcmp(handed, copy.data(), copy.size()), 0);
    }
}

// The editor opens before any audio. The first export lists the default bank
// and loads its first preset on the way (the start-up load); the file must
// still be whole: the sound the plug-in has, under that preset's name.
TEST_F(EditorFiles, ExportBeforeTheFirstResumeWritesAWholePreset) {
    const std::filesystem::path bank = folder / "data" / "Kelvanti Banks" / "Diverse";
    std::filesystem::create_directories(bank);
    setenv("KELVANTI_DATA_DIR", folder.c_str(), 1);  // no bank: the writer loads nothing
    {
        Zendrix_c writer(&editortest::HostLog::callback);
        writer.dispatcher(effOpen, 0, 0, nullptr, 0.0f);
        writer.setParameter(1, 0.25f);
        ASSERT_TRUE(writer.saveProgramFile(0, (bank / "Kit One.FXP").string()));
    }
    setenv("KELVANTI_DATA_DIR", (folder / "data").c_str(), 1);
    plugin->setParameter(0, 1.0f);  // before the start-up load: kept over its preset
    const std::filesystem::path exported = folder / "Exported.fxp";
    dialogs->paths.push_back(exported.string());
    click(663, 108);
    ASSERT_EQ(dialogs->asked.size(), 1u);  // the file dialog, no error
    const std::string bytes = bytesOf(exported);
    fxp::ProgramFile file;
    ASSERT_EQ(fxp::decodeProgramFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), "HRVK", file),
              fxp::DecodeResult::Ok);
    EXPECT_EQ(file.name, "Kit One");
    // Loaded elsewhere, the file sounds as the plug-in does.
    setenv("KELVANTI_DATA_DIR", folder.c_str(), 1);
    Zendrix_c reader(&editortest::HostLog::callback);
    reader.dispatcher(effOpen, 0, 0, nullptr, 0.0f);
    ASSERT_GT(reader.loadProgramFile(0, exported.string()), 0);
    EXPECT_FLOAT_EQ(reader.getParameter(0), 1.0f);
    for (VstInt32 i = 0; i < 25; ++i) EXPECT_FLOAT_EQ(reader.getParameter(i), plugin->getParameter(i)) << i;
}

// An export that fails says which file and why (one that works shows no box:
// see the export test above).
TEST_F(EditorFiles, AFailedExportSaysWhichFileAndWhy) {
    std::ofstream(folder / "plain") << "a file, not a folder";
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {folder / "missing" / "Tick.fxp", "No such file or directory"},
        {folder / "plain" / "Tick.fxp", "Not a directory"},
    };
    for (const auto& [path, reason] : cases) {
        dialogs->asked.clear();
        dialogs->paths.push_back(path.string());
        click(663, 108);
        ASSERT_EQ(dialogs->asked.size(), 2u) << path;
        EXPECT_EQ(dialogs->asked[1].kind, os::DialogKind::Error);
        EXPECT_EQ(dialogs->asked[1].caption, "Save Error");
        EXPECT_EQ(dialogs->asked[1].text, "This preset could not be saved!\n" + path.string() + ": " + reason);
    }
}

TEST_F(EditorFiles, ATuningFileShowsItsNameAtOnce) {
    const std::filesystem::path tun = folder / "Pythagorean.tun";
    std::ofstream(tun) << "[Tuning]\r\nnote 60=6000\r\nnote 61=6090\r\n";
    editor->swapFrames();
    editor->idle();
    const std::string before = editor->slot(42).primary->getText();
    dialogs->paths.push_back(tun.string());
    click(422, 108);
    ASSERT_EQ(dialogs->asked.size(), 1u);
    EXPECT_EQ(dialogs->asked[0].caption, "Load Microtuning Definition");
    EXPECT_EQ(dialogs->asked[0].startFolder, os::dataFolder() + "/NoteFreqTables");
    // Both spellings of the pattern.
    ASSERT_EQ(dialogs->asked[0].filters.size(), 1u);
    EXPECT_EQ(dialogs->asked[0].filters[0].patterns, (std::vector<std::string>{"*.TUN", "*.tun"}));
    // The label of the tuning's name follows without another refresh.
    const std::string after = editor->slot(42).primary->getText();
    EXPECT_NE(after, before);
    EXPECT_NE(after.find("Pythagorean"), std::string::npos) << after;
}

} // namespace
