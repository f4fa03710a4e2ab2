// kelvanti-render: a command-line VST 2.4 host for the plug-in.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/host/lib/OutputFile.h"
#include "tools/host/render/EditorShotCommand.h"
#include "tools/host/render/InfoCommand.h"
#include "tools/host/render/Options.h"
#include "tools/host/render/RenderCommand.h"
#include "tools/host/render/ToolMessages.h"

namespace {

int runHelp(const render::Options&) {
    std::fputs(render::usageText(), stdout);
    return 0;
}

// One entry per command; new commands add a line here.
struct CommandEntry {
    render::Command command;
    int (*run)(const render::Options&);
};

constexpr CommandEntry kCommands[] = {
    {render::Command::Help, runHelp},
    {render::Command::Info, render::runInfo},
    {render::Command::Render, render::runRender},
    {render::Command::EditorShot, render::runEditorShot},
};

} // namespace

int main(int argc, char** argv) {
    kelvanti_host::noteInheritedDescriptors();   // before any file is opened
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    render::Options options;
    std::string error;
    const render::ParseResult parsed = render::parseOptions(args, options, error);
    if (parsed != render::ParseResult::Ok) {
        render::tellUser(error);
        if (parsed == render::ParseResult::UsageError) std::fputs(render::usageText(), stderr);
        return 2;
    }
    for (const CommandEntry& entry : kCommands) {
        if (entry.command == options.command) return entry.run(options);
    }
    render::tellUser("command not available");
    return 2;
}
