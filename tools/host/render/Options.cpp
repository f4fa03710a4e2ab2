#include "tools/host/render/Options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace render {
namespace {

bool parseWholeNumber(const std::string& text, long low, long high, int& out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9) return false;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < low || value > high) return false;
    out = static_cast<int>(value);
    return true;
}

bool parseSeconds(const std::string& text, double& out) {
    vsthost::ParameterValue value;
    std::string ignored;
    // The same plain decimal syntax the parameter values use, without the n.
    if (text.empty() || text.back() == 'n' || text.back() == 'N' ||
        !vsthost::parseParameterValue(text, value, ignored) || !value.unit.empty() || !std::isfinite(value.number) ||
        value.number < 0.0 ||
        value.number > kMaxTailSeconds)
        return false;
    out = value.number;
    return true;
}

class Parser {
public:
    Parser(const std::vector<std::string>& args, Options& options, std::string& error)
        : args_(args), options_(options), error_(error) {}

    ParseResult run();

private:
    bool command(Command command);
    bool value(std::string& into);
    ParseResult number(const std::string& text, long low, long high, int& into);
    ParseResult setting(const std::string& text);
    ParseResult renderOption(const std::string& arg);
    ParseResult editorOption(const std::string& arg);

    const std::vector<std::string>& args_;
    Options& options_;
    std::string& error_;
    std::size_t at_ = 0;
    bool commandGiven_ = false;
    bool renderOptionGiven_ = false;
};

bool Parser::command(Command command) {
    if (commandGiven_ || (renderOptionGiven_ && command != Command::Render)) {
        error_ = "only one command per run (" + args_[at_] + " given with another)";
        return false;
    }
    commandGiven_ = command != Command::Render;
    renderOptionGiven_ = renderOptionGiven_ || command == Command::Render;
    options_.command = command;
    return true;
}

bool Parser::value(std::string& into) {
    if (at_ + 1 >= args_.size()) {
        error_ = "option " + args_[at_] + " needs a value";
        return false;
    }
    into = args_[++at_];
    return true;
}

ParseResult Parser::number(const std::string& text, long low, long high, int& into) {
    if (parseWholeNumber(text, low, high, into)) return ParseResult::Ok;
    error_ = args_[at_ - 1] + ": '" + text + "' is not a whole number from " + std::to_string(low) + " to " +
             std::to_string(high);
    return ParseResult::BadValue;
}

ParseResult Parser::setting(const std::string& text) {
    const std::size_t equals = text.find('=');
    ParameterSetting setting;
    if (equals == std::string::npos || equals == 0) {
        error_ = "--set: '" + text + "' is not NAME=VALUE";
        return ParseResult::BadValue;
    }
    setting.name = text.substr(0, equals);
    setting.valueText = text.substr(equals + 1);
    std::string reason;
    if (!vsthost::parseParameterValue(setting.valueText, setting.value, reason)) {
        error_ = "--set " + setting.name + ": " + reason;
        return ParseResult::BadValue;
    }
    options_.settings.push_back(setting);
    return ParseResult::Ok;
}

ParseResult Parser::renderOption(const std::string& arg) {
    std::string text;
    // A path option always names a file: "" is a mistake (an unset shell
    // variable), never a way to ask for the default.
    const auto stringOption = [&](std::string& into) {
        if (!value(into)) return ParseResult::UsageError;
        if (!into.empty()) return ParseResult::Ok;
        error_ = arg + ": an empty path";
        return ParseResult::BadValue;
    };
    if (arg == "--midi") return stringOption(options_.midiPath);
    if (arg == "--out") return stringOption(options_.outputPath);
    if (arg == "--bank") return stringOption(options_.bankPath);
    if (arg == "--fxp") return stringOption(options_.fxpPath);
    if (arg == "--save-bank") return stringOption(options_.saveBankPath);
    if (arg == "--save-fxp") return stringOption(options_.saveFxpPath);
    if (arg == "--float") {
        options_.floatOutput = true;
        return ParseResult::Ok;
    }
    if (arg == "--rate" || arg == "--block" || arg == "--set" || arg == "--tail") {
        if (!value(text)) return ParseResult::UsageError;
        if (arg == "--rate") return number(text, kMinSampleRate, kMaxSampleRate, options_.sampleRate);
        if (arg == "--block") return number(text, 1, kMaxBlockSize, options_.blockSize);
        if (arg == "--set") return setting(text);
        if (parseSeconds(text, options_.tailSeconds)) return ParseResult::Ok;
        error_ = "--tail: '" + text + "' is not a number of seconds from 0 to " +
                 std::to_string(static_cast<int>(kMaxTailSeconds));
        return ParseResult::BadValue;
    }
    if (arg.empty()) {
        error_ = "an empty plug-in path";
        return ParseResult::BadValue;
    }
    if (arg.rfind("-", 0) != 0) {   // the plug-in
        if (!options_.pluginPath.empty()) {
            error_ = "one plug-in per run ('" + arg + "' given after '" + options_.pluginPath + "')";
            return ParseResult::UsageError;
        }
        options_.pluginPath = arg;
        return ParseResult::Ok;
    }
    error_ = "unknown option '" + arg + "'";
    return ParseResult::UsageError;
}

ParseResult Parser::editorOption(const std::string& arg) {
    if (options_.command != Command::EditorShot) {
        if (commandGiven_ || renderOptionGiven_) {
            // --set, --fxp and the plug-in may come first; anything of playing may not.
            const bool onlySettings = options_.midiPath.empty() && options_.outputPath.empty() &&
                                      options_.bankPath.empty() &&
                                      options_.saveBankPath.empty() && options_.saveFxpPath.empty() && !commandGiven_;
            if (!onlySettings) {
                error_ = arg + " does not go with another command or with playing options";
                return ParseResult::UsageError;
            }
        }
        options_.command = Command::EditorShot;
        commandGiven_ = true;
    }
    std::string text;
    if (arg == "--editor-rects") {
        options_.editorRects = true;
        return ParseResult::Ok;
    }
    if (!value(text)) return ParseResult::UsageError;
    if (arg == "--page") {
        if (text != "main" && text != "back") {
            error_ = "--page: '" + text + "' is not main or back";
            return ParseResult::BadValue;
        }
        options_.editorBackPage = text == "back";
        return ParseResult::Ok;
    }
    if (text.empty()) {
        error_ = arg + ": an empty path";
        return ParseResult::BadValue;
    }
    options_.editorShotPath = text;
    return ParseResult::Ok;
}

ParseResult Parser::run() {
    for (at_ = 0; at_ < args_.size(); ++at_) {
        const std::string& arg = args_[at_];
        if (arg == "--help" || arg == "-h") {
            if (!command(Command::Help)) return ParseResult::UsageError;
        } else if (arg == "--info") {
            if (!command(Command::Info) || !value(options_.pluginPath)) return ParseResult::UsageError;
            if (options_.pluginPath.empty()) {
                error_ = "--info: an empty plug-in path";
                return ParseResult::BadValue;
            }
        } else if (arg == "--editor-shot" || arg == "--editor-rects" || arg == "--page") {
            const ParseResult result = editorOption(arg);
            if (result != ParseResult::Ok) return result;
        } else {
            if (options_.command == Command::EditorShot) {
                // The editor's picture takes the plug-in, --fxp and --set, nothing of playing.
                const bool allowed = arg == "--set" || arg == "--fxp" || arg.rfind("-", 0) != 0;
                if (!allowed) {
                    error_ = arg + " does not go with --editor-shot or --editor-rects";
                    return ParseResult::UsageError;
                }
                const ParseResult result = renderOption(arg);
                if (result != ParseResult::Ok) return result;
                continue;
            }
            if (!command(Command::Render)) return ParseResult::UsageError;
            const ParseResult result = renderOption(arg);
            if (result != ParseResult::Ok) return result;
        }
    }
    return ParseResult::Ok;
}

} // namespace

ParseResult parseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    return Parser(args, options, error).run();
}

const char* usageText() {
    return "usage: kelvanti-render [PLUGIN] [--midi FILE.mid] [--out FILE.wav] [--rate HZ] [--block N]\n"
           "                       [--set NAME=VALUE ...] [--tail SECONDS] [--float]\n"
           "                       [--bank FILE] [--fxp FILE] [--save-bank FILE] [--save-fxp FILE]\n"
           "       kelvanti-render [PLUGIN] --editor-shot FILE.png [--page main|back] [--fxp FILE]\n"
           "                       [--set NAME=VALUE ...] [--editor-rects]\n"
           "                       draw the editor without a display; with --editor-rects print\n"
           "                       \"index page kind left top right bottom\" for every control\n"
           "       kelvanti-render --info PLUGIN   print what a host learns from the plug-in\n"
           "       kelvanti-render --help          this text\n"
           "\n"
           "Plays a standard MIDI file (format 0 or 1), or without --midi a demo pattern,\n"
           "through the plug-in like a host does and writes a stereo WAV file.\n"
           "  PLUGIN          the plug-in library (default: Kelvanti.so beside this program)\n"
           "  --midi FILE     the MIDI file to play (default: the demo pattern)\n"
           "  --out FILE      the WAV file to write (default: kelvanti.wav; - is standard output)\n"
           "  --rate HZ       sample rate, 8000 to 384000 (default 44100)\n"
           "  --block N       frames per process call, 1 to 8192 (default 512)\n"
           "  --tail SECONDS  time rendered after the last event of any kind, not only\n"
           "                  the last note-off (default 2)\n"
           "  --float         32-bit float samples (default: 24-bit PCM)\n"
           "  --set NAME=VALUE\n"
           "                  sets a host parameter before playing. NAME is the parameter's\n"
           "                  name, any case. VALUE 0..1 followed by n (\"0.25n\") is the\n"
           "                  normalised value; a plain number (\"-6\", \"-2.4\", \"-oo\") is in the\n"
           "                  units the display shows: the value whose display text reads\n"
           "                  nearest to it is taken (the lowest of equally near ones); when\n"
           "                  the display does not show that number, a line says which is used.\n"
           "                  Decimal point or comma. A unit may follow the number when it is\n"
           "                  the parameter's label, as --info lists it (\"-10 Main Vol.\"), or\n"
           "                  the text its display shows after the number.\n"
           "  --bank FILE     sets the plug-in's bank chunk from a raw file\n"
           "  --fxp FILE      loads a chunk preset file ('FPCh') made for this plug-in\n"
           "  --save-bank FILE  writes the bank chunk raw\n"
           "  --save-fxp FILE   writes the program chunk as a preset file\n"
           "The steps run in this order: --bank, --fxp, --set, the saves, then playing;\n"
           "a --set wins over the demo's own changes of that parameter. Nothing is\n"
           "written unless every step succeeds: the files appear together at the end.\n"
           "A regular file is replaced whole (its mode kept, a link's target replaced;\n"
           "one you may not write, such as mode 0444, is refused as cp refuses it;\n"
           "another user's link in a shared sticky folder such as /tmp is refused);\n"
           "a device, FIFO, pipe or socket is written in place. Standard output (-,\n"
           "/dev/stdout or the file it goes to) and any descriptor named (/dev/stderr,\n"
           "/dev/fd/N, /proc/self/fd/N) are written through the descriptor as the\n"
           "shell opened it, appending after >>; one not open for writing is refused.\n"
           "When standard output carries a file, the summary goes to standard error.\n"
           "One file named for two outputs is refused. A FIFO to read that no writer\n"
           "opens within a second is refused. With a save and neither --midi nor\n"
           "--out nothing is played. Chunk options need a plug-in that keeps its\n"
           "programs as chunks; a chunk the plug-in refuses is an error.\n"
           "The summary's voices are the most notes held at once in what was played.\n";
}

} // namespace render
