#pragma once
// The command line of kelvanti-render. One command per run; each command
// reads the options it needs.
#include <string>
#include <vector>

namespace render {

enum class Command { None, Help, Info };

struct Options {
    Command command = Command::None;
    std::string pluginPath;
};

// Fills options from the arguments (without the program name); false with a
// one-line reason in error for an unknown option or a missing value.
bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// The usage text printed for --help and after a usage error.
const char* usageText();

} // namespace render
