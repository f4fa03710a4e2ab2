// The real plug-in's editor on an X display of its own, driven by
// kelvanti-editor as a host would: opened before any audio, a drag logs one
// edit bracket and lands where the pointer points, Ctrl-click resets, the
// swap bar and the back page's header turn the pages without a resize.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tools/host/lib/Process.h"

namespace {

struct ToolRun {
    int exitCode = -1;
    std::vector<std::string> log;  // the host callbacks, idle calls left out
    std::string err;
};

ToolRun editorTool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = vsthost::splitCommandPrefix(KELVANTI_EXEC_WRAPPER);
    argv.push_back(KELVANTI_EDITOR_TOOL);
    argv.push_back(KELVANTI_PLUGIN_PATH);
    argv.push_back("--log");
    argv.insert(argv.end(), args.begin(), args.end());
    const vsthost::ProcessResult result = vsthost::runProcess(argv);
    ToolRun run;
    run.exitCode = result.exitCode;
    run.err = result.err;
    std::istringstream lines(result.out);
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind("idle", 0) != 0) run.log.push_back(line);
    return run;
}

// The value the log reports last for parameter 0 ("param 0 Timbre Range V text").
double finalValue(const ToolRun& run, int index) {
    const std::string prefix = "param " + std::to_string(index) + " ";
    for (const std::string& line : run.log)
        if (line.rfind(prefix, 0) == 0) {
            std::istringstream fields(line.substr(prefix.size()));
            std::string word;
            std::vector<std::string> words;
            while (fields >> word) words.push_back(word);
            // The name may hold blanks: the value is the second field from the end.
            return words.size() >= 2 ? std::stod(words[words.size() - 2]) : -1.0;
        }
    return -1.0;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class EditorOnX : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("editor_x11_" + std::to_string(::getpid()) + "_" +
                                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string path(const char* name) const { return (folder / name).string(); }
    std::filesystem::path folder;
};

TEST_F(EditorOnX, DragResetAndPagesAsAHostDrivesThem) {
    // Fresh settings: knobs drag up and down. Down to 0 first, then 30 px up
    // (the editor sits at the top of the screen: the pointer cannot go
    // higher; the headless tests drag the full 120 px and with Shift).
    setenv("KELVANTI_REGISTRY_DIR", path("").c_str(), 1);
    const ToolRun drag = editorTool({"--drag", "74,36,0,300", "--drag", "74,36,0,-30"});
    ASSERT_EQ(drag.exitCode, 0) << drag.err;
    std::vector<std::string> brackets;
    for (const std::string& line : drag.log) {
        if (line.rfind("beginEdit", 0) == 0 || line.rfind("endEdit", 0) == 0) brackets.push_back(line);
        EXPECT_NE(line.rfind("process", 0), 0u) << "the editor needed audio: " << line;
    }
    EXPECT_EQ(brackets, (std::vector<std::string>{"beginEdit 0", "endEdit 0", "beginEdit 0", "endEdit 0"}));
    // 240 px is the whole scale; the parameter keeps 18 steps of it.
    EXPECT_NEAR(finalValue(drag, 0), 30.0 / 240.0, 1.0 / 36);

    // Ctrl-click after a drag: back to where a fresh plug-in starts.
    const ToolRun fresh = editorTool({});
    const ToolRun reset = editorTool({"--drag", "74,36,0,-120", "--click", "74,36,ctrl"});
    ASSERT_EQ(reset.exitCode, 0) << reset.err;
    EXPECT_NEAR(finalValue(reset, 0), finalValue(fresh, 0), 1e-6);

    // The swap bar turns to the back page, its header back; never a resize.
    const ToolRun pages = editorTool({"--shot", path("main.png"), "--click", "100,145", "--shot", path("back.png"),
                                  "--click", "300,20", "--shot", path("again.png")});
    ASSERT_EQ(pages.exitCode, 0) << pages.err;
    for (const std::string& line : pages.log) EXPECT_NE(line.rfind("sizeWindow", 0), 0u);
    const std::string main = fileBytes(path("main.png")), back = fileBytes(path("back.png"));
    ASSERT_FALSE(main.empty());
    EXPECT_NE(main, back);
    EXPECT_EQ(main, fileBytes(path("again.png")));
}

} // namespace
