// The README's kelvanti-render examples, run as a newcomer pastes them: in
// order, from a copy of the repository root after `make demo` (the built
// programs in build/x64/, the examples folder beside them).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "tests/host/support/Groove.h"
#include "tests/host/support/RenderRun.h"
#include "tools/host/lib/WavReader.h"

namespace {

namespace fs = std::filesystem;
using render_run::ScratchFolder;

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The indented lines of the usage section that run the renderer.
std::vector<std::string> exampleLines(const std::string& readme) {
    std::vector<std::string> lines;
    const std::size_t start = readme.find("`kelvanti-render` is a command-line host");
    const std::size_t end = readme.find("The host conformance suite", start);
    if (start == std::string::npos || end == std::string::npos) return lines;
    std::istringstream section(readme.substr(start, end - start));
    std::string line;
    while (std::getline(section, line)) {
        if (line.rfind("    build/x64/kelvanti-render ", 0) == 0) lines.push_back(line.substr(4));
    }
    return lines;
}

TEST(ReadmeExamples, TheGrooveIsOurs) {
    const fs::path shipped = fs::path(KELVANTI_SOURCE_DIR) / "examples" / "groove.mid";
    const smf_bytes::Bytes bytes = groove::fileBytes();
    if (std::getenv("KELVANTI_WRITE_EXAMPLES") != nullptr) {
        ASSERT_TRUE(render_run::writeFile(shipped.string(), bytes));
    }
    const std::string text = readText(shipped);
    EXPECT_EQ(std::vector<uint8_t>(text.begin(), text.end()), bytes)
        << "examples/groove.mid is not what tests/host/support/Groove.h writes (KELVANTI_WRITE_EXAMPLES=1 rewrites it)";
}

TEST(ReadmeExamples, EachLineRunsInOrderFromTheRepositoryRoot) {
    const std::vector<std::string> lines = exampleLines(readText(fs::path(KELVANTI_SOURCE_DIR) / "README.md"));
    ASSERT_GE(lines.size(), 5u) << "the README's kelvanti-render examples were not found";
    ScratchFolder root;
    ASSERT_TRUE(root.ok());
    fs::create_directories(root.file("build/x64"));
    fs::create_directories(root.file("examples"));
    fs::copy_file(fs::path(KELVANTI_SOURCE_DIR) / "examples" / "groove.mid", root.file("examples/groove.mid"));
    fs::create_symlink(KELVANTI_PLUGIN_PATH, root.file("build/x64/Kelvanti.so"));
    {   // the renderer, through the emulator where the build needs one
        std::ofstream script(root.file("build/x64/kelvanti-render"));
        script << "#!/bin/sh\nexec " << KELVANTI_EXEC_WRAPPER << " '" << KELVANTI_RENDER_PATH << "' \"$@\"\n";
    }
    fs::permissions(root.file("build/x64/kelvanti-render"), fs::perms::owner_all);

    const std::regex written(R"((--out|--save-fxp|--save-bank) (\S+))");
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        const auto result = vsthost::runProcess({"/bin/sh", "-c", "cd '" + root.file("") + "' && " + line});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        // Slow flavours (sanitizers, the emulator) log progress; nothing else may appear.
        EXPECT_TRUE(render_run::withoutProgress(result.err).empty()) << result.err;
        EXPECT_EQ(result.out.find("CLIPPED"), std::string::npos) << result.out;   // the examples sound clean
        for (std::sregex_iterator m(line.begin(), line.end(), written), none; m != none; ++m) {
            const std::string path = root.file((*m)[2].str());
            ASSERT_TRUE(fs::exists(path)) << path;
            if ((*m)[1].str() == "--out") {
                kelvanti_host::WavAudio audio;
                std::string error;
                EXPECT_TRUE(kelvanti_host::readWav(path, audio, error)) << error;
                EXPECT_GT(audio.frames(), 0u);
            }
        }
    }
}

} // namespace
