#include "tools/host/render/Options.h"

namespace render {
namespace {

bool setCommand(Options& options, Command command, const std::string& name, std::string& error) {
    if (options.command != Command::None && options.command != command) {
        error = "only one command per run (" + name + " given after another)";
        return false;
    }
    options.command = command;
    return true;
}

} // namespace

bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // The value of an option that takes one.
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            if (!setCommand(options, Command::Help, arg, error)) return false;
        } else if (arg == "--info") {
            if (!setCommand(options, Command::Info, arg, error) || !value(options.pluginPath)) return false;
        } else {
            error = "unknown option '" + arg + "'";
            return false;
        }
    }
    if (options.command == Command::None) {
        error = "no command given";
        return false;
    }
    return true;
}

const char* usageText() {
    return "usage: kelvanti-render --info PLUGIN   print what a host learns from the plug-in\n"
           "       kelvanti-render --help          this text\n";
}

} // namespace render
