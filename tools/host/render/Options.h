#pragma once
// The command line of kelvanti-render. One command per run; each command
// reads the options it needs. Rendering is the command when no other is given.
#include <string>
#include <vector>

#include "tools/host/lib/ParameterLookup.h"

namespace render {

enum class Command { Help, Info, Render, EditorShot };

// One --set NAME=VALUE, the value already parsed.
struct ParameterSetting {
    std::string name;
    vsthost::ParameterValue value;
    std::string valueText;   // as given, for messages
};

struct Options {
    Command command = Command::Render;
    std::string pluginPath;          // empty: the plug-in beside the executable
    std::string midiPath;            // empty: the demo pattern
    std::string outputPath;          // empty: kDefaultOutputPath
    int sampleRate = 44100;
    int blockSize = 512;
    double tailSeconds = 2.0;
    bool floatOutput = false;
    std::vector<ParameterSetting> settings;
    std::string bankPath;
    std::string fxpPath;
    std::string saveBankPath;
    std::string saveFxpPath;
    std::string editorShotPath;      // --editor-shot
    bool editorBackPage = false;     // --page back
    bool editorRects = false;        // --editor-rects
};

constexpr const char* kDefaultOutputPath = "kelvanti.wav";
constexpr int kMinSampleRate = 8000, kMaxSampleRate = 384000;
constexpr int kMaxBlockSize = 8192;
constexpr double kMaxTailSeconds = 3600.0;

enum class ParseResult {
    Ok,
    UsageError,   // unknown option, missing value, two commands: show the usage
    BadValue,     // a value that is not what its option takes: one line is enough
};

// Fills options from the arguments (without the program name); on failure a
// one-line reason in error.
ParseResult parseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// The usage text printed for --help and after a usage error.
const char* usageText();

} // namespace render
