// Where the plug-in finds its data folders when a host loads it through a
// symbolic link (the usual way into ~/.vst): beside the real file first, then
// beside the link.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginInstance.h"
#include "tests/host/support/BankFolder.h"
#include "tests/host/support/RenderRun.h"

namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the life of the object and puts back what was there.
class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = std::make_unique<std::string>(old);
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvironmentOverride() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    const char* name_;
    std::unique_ptr<std::string> old_;
};

enum class Presets { BesideRealFile, BesideLink, BesideBoth, Nowhere };

struct Layout {
    const char* name;
    Presets presets;
};

} // namespace

TEST(PluginFolder, DataIsFoundBesideTheRealFileThenBesideTheLink) {
    const bankfolder::Bank& bank = bankfolder::bank();
    ASSERT_TRUE(bank.ok);
    render_run::ScratchFolder scratch;
    ASSERT_TRUE(scratch.ok());
    // The data folder comes from the library's place.
    EnvironmentOverride noDataOverride("KELVANTI_DATA_DIR", nullptr);

    static const Layout kLayouts[] = {
        {"beside the real file", Presets::BesideRealFile},
        {"beside the link", Presets::BesideLink},
        {"beside both", Presets::BesideBoth},
        {"nowhere", Presets::Nowhere},
    };
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        // Each layout has its own copy: a file loaded once is not loaded again by another name.
        const fs::path root = scratch.file(layout.name);
        const fs::path real = root / "lib" / "kelvanti";
        const fs::path vst = root / ".vst";
        fs::create_directories(real);
        fs::create_directories(vst);
        fs::copy_file(KELVANTI_PLUGIN_PATH, real / "Kelvanti.so");
        fs::create_symlink(real / "Kelvanti.so", vst / "Kelvanti.so");
        // Settings of its own: the default preset stored by one layout is not another's.
        fs::create_directories(root / "settings");
        EnvironmentOverride registry("KELVANTI_REGISTRY_DIR", (root / "settings").c_str());

        // Beside the link: a bank of one preset named apart from the real file's bank.
        const fs::path linkBank = vst / "Kelvanti Banks" / "Diverse";
        if (layout.presets == Presets::BesideLink || layout.presets == Presets::BesideBoth) {
            fs::create_directories(linkBank);
            fs::copy_file(bank.diverse / (bank.names[3] + ".FXP"), linkBank / "Beside The Link.FXP");
        }
        if (layout.presets == Presets::BesideRealFile || layout.presets == Presets::BesideBoth)
            fs::copy(bank.data / "Kelvanti Banks", real / "Kelvanti Banks", fs::copy_options::recursive);

        vsthost::Host host;
        std::string error;
        auto plugin = vsthost::PluginInstance::load((vst / "Kelvanti.so").string(), host, error);
        ASSERT_TRUE(plugin) << error;
        plugin->open();
        const float defaultTimbre = plugin->getParameter(0);
        plugin->resume();
        switch (layout.presets) {
        case Presets::BesideRealFile:
        case Presets::BesideBoth:
            EXPECT_EQ(plugin->programNameIndexed(0), bank.names[0]);
            EXPECT_EQ(plugin->programNameIndexed(11), bank.names[11]);
            EXPECT_EQ(plugin->programNameIndexed(12), "empty"); // the placeholder past the last
            EXPECT_NEAR(plugin->getParameter(0), bank.timbre[0], 0.01f); // the first preset is loaded
            break;
        case Presets::BesideLink:
            EXPECT_EQ(plugin->programNameIndexed(0), "Beside The Link");
            EXPECT_EQ(plugin->programNameIndexed(1), "empty");
            EXPECT_NEAR(plugin->getParameter(0), bank.timbre[3], 0.01f);
            break;
        case Presets::Nowhere:
            // No preset anywhere: every name is blank, not the placeholder.
            for (int program = 0; program < plugin->numPrograms(); ++program)
                EXPECT_EQ(plugin->programNameIndexed(program), "") << program;
            EXPECT_NEAR(plugin->getParameter(0), defaultTimbre, 0.001f);
            break;
        }
        plugin.reset();
    }
}
