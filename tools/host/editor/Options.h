#pragma once
// The command line of kelvanti-editor.
#include <string>
#include <vector>

namespace editor_tool {

enum Modifier { kShift = 1, kControl = 2, kAlt = 4 };

struct Action {
    enum class Kind { Shot, Click, Drag, Wheel, Key, DropText, DropFile, Cover, FocusAway, Idle, Reopen, Windows };
    Kind kind = Kind::Shot;
    int x = 0;
    int y = 0;
    int dx = 0;
    int dy = 0;
    int notches = 0;      // Wheel: positive away from the user
    int modifiers = 0;    // Modifier bits
    int button = 1;       // X button: 1 left, 2 middle, 3 right
    int ms = 0;           // Idle: how long
    std::string text;     // Shot: the file; Key: the key; DropText: the text; DropFile: the path
};

struct Options {
    std::string plugin;
    std::vector<Action> actions;   // in the order given
    bool destroyParentFirst = false;
    bool log = false;
    bool argbParent = false;       // a 32-bit ARGB parent window
    bool closeInIdle = false;      // the first audioMasterIdle answers with effEditClose
    // A photograph taken by a thread of its own this many ms after the editor
    // opened, whatever the editor's thread is doing; negative: none.
    int shotDuringMs = -1;
    std::string shotDuringFile;
    int cycles = 0;                // open/close cycles counting descriptors, instead of the actions
    bool help = false;             // --help: the usage on stdout, nothing else
};

// False with a one-line reason in error. --help anywhere sets help and ends
// the parsing (true, no plug-in needed).
bool parseOptions(int argc, char** argv, Options& options, std::string& error);

extern const char* const kUsage;

} // namespace editor_tool
