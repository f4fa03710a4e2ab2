#include "tools/host/editor/Options.h"

#include <cstdlib>
#include <sstream>

namespace editor_tool {

const char* const kUsage =
    "usage: kelvanti-editor --help\n"
    "       kelvanti-editor PLUGIN.so [--shot F.png] [--click X,Y[,mods]] [--drag X,Y,DX,DY[,mods]]\n"
    "                       [--wheel X,Y,N] [--key K] [--drop-text X,Y,T] [--drop-file X,Y,PATH] [--cover]\n"
    "                       [--focus-away]\n"
    "                       [--shot-during MS,F.png] [--destroy-parent-first] [--argb-parent] [--close-in-idle]\n"
    "                       [--idle MS] [--reopen] [--windows] [--cycles N] [--log]\n"
    "  Opens the plug-in's editor in a window of its own, performs the actions in order\n"
    "  (pumping effEditIdle every 50 ms), then closes it. Coordinates are the editor's pixels.\n"
    "  mods: shift, ctrl, alt, middle, right, joined by '+' (left button when none is named).\n"
    "  --cover lays a white window over the editor and takes it away: the editor must repaint.\n"
    "  --focus-away gives the keyboard focus to a small window of the tool's own outside the\n"
    "  editor, as when the user turns to another application.\n"
    "  --shot-during photographs the editor MS ms after it opened from a thread of its own, even\n"
    "  while the editor's thread is busy (in a modal loop): it is covered and uncovered first,\n"
    "  so only a repaint served meanwhile shows it.\n"
    "  K: a character (one that is on the keyboard's map), or Tab, Return, Escape, BackSpace,\n"
    "  Delete, Left, Right, Up, Down, Home, End, space, Num_Lock, KP_0..KP_9, KP_Decimal,\n"
    "  KP_Separator, KP_Enter, KP_Add, KP_Subtract, KP_Multiply, KP_Divide. A keypad key is pressed\n"
    "  without Shift: Num Lock decides what it types.\n"
    "  The actions run on a thread of their own: when one opens a popup menu (the editor's thread\n"
    "  then waits in the popup's loop), the next waits until the popup holds the keyboard, so\n"
    "  --key Escape, --key Down/Return or a --click on an entry (editor coordinates; the popup\n"
    "  hangs below the menu) reach it. Between actions the editor gets 4 idle calls (or the\n"
    "  popup opens). A popup still open after the last action may be played by someone else for\n"
    "  10 s; then it is closed with Escape and the tool fails (exit 4); so does a wait of 10 s\n"
    "  for the editor's thread without a popup.\n"
    "  --log prints the host callbacks (automate, beginEdit, endEdit, idle with the monotonic\n"
    "  clock's milliseconds, sizeWindow) as they come and the final program and parameter values.\n"
    "  --cycles N opens and closes the editor N times and prints the open file descriptors.\n"
    "  --close-in-idle closes the editor from inside the first audioMasterIdle the plug-in calls\n"
    "  (as hosts may, in the middle of a drag). --idle MS lets the editor idle MS ms (input may\n"
    "  come from elsewhere meanwhile). --reopen sends effEditOpen again with a new parent window\n"
    "  below the last; later actions go there. --windows logs the child windows of each parent.\n";

namespace {

bool parseInt(const std::string& text, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || parsed < -100000 || parsed > 100000) return false;
    value = static_cast<int>(parsed);
    return true;
}

// Splits at the first `count` commas: the rest (which may hold commas) is the last field.
std::vector<std::string> splitFields(const std::string& text, size_t count) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (fields.size() < count) {
        const size_t comma = text.find(',', start);
        if (comma == std::string::npos) break;
        fields.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    fields.push_back(text.substr(start));
    return fields;
}

bool parseModifiers(const std::string& text, Action& action) {
    std::stringstream words(text);
    std::string word;
    while (std::getline(words, word, '+')) {
        if (word == "shift") action.modifiers |= kShift;
        else if (word == "ctrl") action.modifiers |= kControl;
        else if (word == "alt") action.modifiers |= kAlt;
        else if (word == "middle") action.button = 2;
        else if (word == "right") action.button = 3;
        else if (word == "left") action.button = 1;
        else return false;
    }
    return true;
}

// "X,Y" and `numbers` more integers, then optional modifiers (when allowed) or a free text.
bool parsePoint(const std::string& text, int numbers, bool modifiers, bool freeText, Action& action) {
    const size_t fixed = 2 + static_cast<size_t>(numbers);
    const std::vector<std::string> fields = splitFields(text, fixed);
    if (fields.size() < fixed || (freeText && fields.size() != fixed + 1)) return false;
    int values[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < fixed; ++i)
        if (!parseInt(fields[i], values[i])) return false;
    action.x = values[0];
    action.y = values[1];
    if (numbers == 1) action.notches = values[2];
    if (numbers == 2) {
        action.dx = values[2];
        action.dy = values[3];
    }
    if (fields.size() > fixed) {
        if (freeText) action.text = fields[fixed];
        else if (!modifiers || !parseModifiers(fields[fixed], action)) return false;
    }
    return true;
}

} // namespace

bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        }
        const auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string text;
        Action action;
        bool ok = true;
        if (arg == "--log") {
            options.log = true;
            continue;
        } else if (arg == "--destroy-parent-first") {
            options.destroyParentFirst = true;
            continue;
        } else if (arg == "--close-in-idle") {
            options.closeInIdle = true;
            continue;
        } else if (arg == "--idle") {
            action.kind = Action::Kind::Idle;
            ok = value(text) && parseInt(text, action.ms) && action.ms > 0;
        } else if (arg == "--reopen" || arg == "--windows") {
            action.kind = arg == "--reopen" ? Action::Kind::Reopen : Action::Kind::Windows;
        } else if (arg == "--argb-parent") {
            options.argbParent = true;
            continue;
        } else if (arg == "--cycles") {
            ok = value(text) && parseInt(text, options.cycles) && options.cycles > 0;
            if (!ok) { error = "--cycles needs a positive count"; return false; }
            continue;
        } else if (arg == "--shot-during") {
            const std::vector<std::string> fields = splitFields(value(text) ? text : std::string(), 1);
            if (fields.size() != 2 || !parseInt(fields[0], options.shotDuringMs) || options.shotDuringMs < 0 ||
                fields[1].empty()) {
                error = "--shot-during needs MS,F.png";
                return false;
            }
            options.shotDuringFile = fields[1];
            continue;
        } else if (arg == "--cover") {
            action.kind = Action::Kind::Cover;
        } else if (arg == "--focus-away") {
            action.kind = Action::Kind::FocusAway;
        } else if (arg == "--shot") {
            action.kind = Action::Kind::Shot;
            ok = value(action.text) && !action.text.empty();
        } else if (arg == "--click") {
            action.kind = Action::Kind::Click;
            ok = value(text) && parsePoint(text, 0, true, false, action);
        } else if (arg == "--drag") {
            action.kind = Action::Kind::Drag;
            ok = value(text) && parsePoint(text, 2, true, false, action);
        } else if (arg == "--wheel") {
            action.kind = Action::Kind::Wheel;
            ok = value(text) && parsePoint(text, 1, false, false, action) && action.notches != 0;
        } else if (arg == "--key") {
            action.kind = Action::Kind::Key;
            ok = value(action.text) && !action.text.empty();
        } else if (arg == "--drop-text" || arg == "--drop-file") {
            action.kind = arg == "--drop-text" ? Action::Kind::DropText : Action::Kind::DropFile;
            ok = value(text) && parsePoint(text, 0, false, true, action) && !action.text.empty();
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else if (options.plugin.empty()) {
            options.plugin = arg;
            continue;
        } else {
            error = "more than one plug-in named: " + arg;
            return false;
        }
        if (!ok) {
            error = "bad or missing value for " + arg;
            return false;
        }
        options.actions.push_back(action);
    }
    if (options.plugin.empty()) {
        error = "no plug-in named";
        return false;
    }
    return true;
}

} // namespace editor_tool
