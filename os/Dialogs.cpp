#include "os/Dialogs.h"
#include "os/PrintableText.h"

#include "os/ModulePath.h"
#include "os/Process.h"

#include <atomic>
#include <cstdio>

namespace os {
namespace {

// Longest path a helper may hand back; more is a broken helper.
constexpr std::size_t kMaxAnswerBytes = 64 * 1024;
// How often a waiting dialog lets its thread's wait handler run.
constexpr int kWaitSliceMs = 20;

std::atomic<DialogBackend*> g_testBackend{nullptr};

struct WaitHandler {
    void (*handler)(void*) = nullptr;
    void* context = nullptr;
};
thread_local WaitHandler t_waitHandler;
thread_local uint32_t t_parentWindow = 0;

bool hasDisplay() { return !environment("DISPLAY").empty() || !environment("WAYLAND_DISPLAY").empty(); }

// The helper to run: zenity when present, else kdialog; empty without a display.
std::string chooseHelper(std::string& program) {
    program.clear();
    if (!hasDisplay()) return std::string();
    for (const char* name : {"zenity", "kdialog"}) {
        program = findOnPath(name);
        if (!program.empty()) return name;
    }
    return std::string();
}

bool isValidUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

// Texts may come from files written on Windows (8-bit code page); the helpers
// want UTF-8, and an argument cannot hold a NUL byte.
std::string displayText(const std::string& text) {
    std::string result;
    if (isValidUtf8(text)) {
        result = text;
    } else {
        for (char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x80) {
                result.push_back(c);
            } else {
                result.push_back(static_cast<char>(0xC0 | (byte >> 6)));
                result.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
            }
        }
    }
    for (char& c : result) {
        if (c == '\0') c = ' ';
    }
    return result;
}

// kdialog has no switch to turn markup off: the text is escaped and marked as
// rich text, so Qt shows it exactly as written.
std::string kdialogText(const std::string& text) {
    std::string result = "<qt>";
    for (char c : displayText(text)) {
        switch (c) {
        case '<': result += "&lt;"; break;
        case '>': result += "&gt;"; break;
        case '&': result += "&amp;"; break;
        case '"': result += "&quot;"; break;
        case '\n': result += "<br>"; break;
        default: result.push_back(c); break;
        }
    }
    return result + "</qt>";
}

std::string withSlash(const std::string& folder) {
    if (folder.empty() || folder.back() == '/') return folder;
    return folder + "/";
}

std::string zenityFilter(const FileFilter& filter) {
    std::string description = displayText(filter.description);
    for (char& c : description) {
        if (c == '|') c = '/'; // '|' separates the name from the patterns
    }
    std::string patterns;
    for (const std::string& pattern : filter.patterns) patterns += " " + displayText(pattern);
    return "--file-filter=" + description + " |" + patterns;
}

// KDE filter list: "patterns|description" lines.
std::string kdialogFilters(const std::vector<FileFilter>& filters) {
    std::string result;
    for (const FileFilter& filter : filters) {
        if (!result.empty()) result += "\n";
        std::string patterns;
        for (const std::string& pattern : filter.patterns) {
            if (!patterns.empty()) patterns += " ";
            patterns += displayText(pattern);
        }
        std::string description = displayText(filter.description);
        for (char& c : description) {
            if (c == '\n') c = ' ';
        }
        result += patterns + "|" + description;
    }
    return result;
}

std::vector<std::string> zenityCommandLine(const DialogRequest& request) {
    std::vector<std::string> argv = {"zenity"};
    if (request.parentWindow != 0) argv.push_back("--attach=" + std::to_string(request.parentWindow));
    const std::string title = "--title=" + displayText(request.caption);
    switch (request.kind) {
    case DialogKind::Error:
        argv.insert(argv.end(), {"--error", "--no-markup", title, "--text=" + displayText(request.text)});
        break;
    case DialogKind::YesNo:
        argv.insert(argv.end(), {"--question", "--no-markup", title, "--text=" + displayText(request.text)});
        break;
    case DialogKind::OpenFile:
    case DialogKind::SaveFile:
    case DialogKind::ChooseFolder: {
        argv.insert(argv.end(), {"--file-selection", title});
        if (request.kind == DialogKind::SaveFile) argv.push_back("--save");
        if (request.kind == DialogKind::ChooseFolder) argv.push_back("--directory");
        std::string start = withSlash(displayText(request.startFolder));
        if (request.kind == DialogKind::SaveFile) start += displayText(request.defaultName);
        if (!start.empty()) argv.push_back("--filename=" + start);
        if (request.kind != DialogKind::ChooseFolder) {
            for (const FileFilter& filter : request.filters) argv.push_back(zenityFilter(filter));
        }
        break;
    }
    }
    return argv;
}

std::vector<std::string> kdialogCommandLine(const DialogRequest& request) {
    std::vector<std::string> argv = {"kdialog", "--title", displayText(request.caption)};
    if (request.parentWindow != 0) argv.insert(argv.end(), {"--attach", std::to_string(request.parentWindow)});
    std::string start = displayText(request.startFolder);
    if (start.empty()) start = environment("HOME");
    if (start.empty()) start = "/";
    switch (request.kind) {
    case DialogKind::Error:
        argv.insert(argv.end(), {"--error", kdialogText(request.text)});
        break;
    case DialogKind::YesNo:
        argv.insert(argv.end(), {"--yesno", kdialogText(request.text)});
        break;
    case DialogKind::OpenFile:
        argv.insert(argv.end(), {"--getopenfilename", start});
        if (!request.filters.empty()) argv.push_back(kdialogFilters(request.filters));
        break;
    case DialogKind::SaveFile:
        argv.insert(argv.end(), {"--getsavefilename", withSlash(start) + displayText(request.defaultName)});
        if (!request.filters.empty()) argv.push_back(kdialogFilters(request.filters));
        break;
    case DialogKind::ChooseFolder:
        argv.insert(argv.end(), {"--getexistingdirectory", start});
        break;
    }
    return argv;
}

void printError(const DialogRequest& request) {
    // The text can quote a file's bytes: a terminal sees them escaped.
    std::fprintf(stderr, "%s: %s\n", printableText(request.caption).c_str(), printableText(request.text).c_str());
    std::fflush(stderr);
}

// Runs the helper to the end, keeping the calling thread's window alive
// through its wait handler. True when the helper answered OK (exit code 0,
// or a path written when someone else collected the exit code).
bool runToAnswer(const std::string& program, const std::vector<std::string>& argv, std::string& answer) {
    answer.clear();
    ChildProcess child;
    if (!startProcess(program, argv, environmentWithout({"LD_LIBRARY_PATH", "LD_PRELOAD"}), true, child)) return false;
    const WaitHandler wait = t_waitHandler;
    while (readOutput(child, answer, kMaxAnswerBytes, kWaitSliceMs) != ReadStatus::End) {
        if (wait.handler) wait.handler(wait.context);
    }
    closeOutput(child);
    int exitCode = -1;
    while (!waitForExit(child, kWaitSliceMs, exitCode)) {
        if (wait.handler) wait.handler(wait.context);
    }
    if (!answer.empty() && answer.back() == '\n') answer.pop_back();
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    if (answer.size() >= kMaxAnswerBytes) answer.clear();
    return exitCode == 0 || (exitCode == -1 && !answer.empty());
}

class HelperBackend final : public DialogBackend {
public:
    void showError(const DialogRequest& request) override {
        std::string program;
        const std::string helper = chooseHelper(program);
        ChildProcess child;
        if (helper.empty() || !startProcess(program, dialogCommandLine(helper, request),
                                            environmentWithout({"LD_LIBRARY_PATH", "LD_PRELOAD"}), false, child)) {
            printError(request);
            return;
        }
        reapInBackground(child);
    }

    bool askYesNo(const DialogRequest& request) override {
        std::string program;
        const std::string helper = chooseHelper(program);
        if (helper.empty()) return false;
        std::string ignored;
        return runToAnswer(program, dialogCommandLine(helper, request), ignored);
    }

    bool choosePath(const DialogRequest& request, std::string& path) override {
        std::string program;
        const std::string helper = chooseHelper(program);
        if (helper.empty()) return false;
        std::string answer;
        if (!runToAnswer(program, dialogCommandLine(helper, request), answer) || answer.empty()) return false;
        path = answer;
        return true;
    }
};

DialogBackend& backend() {
    static HelperBackend helperBackend;
    DialogBackend* scripted = g_testBackend.load();
    return scripted ? *scripted : helperBackend;
}

} // namespace

void showError(const std::string& caption, const std::string& text) {
    DialogRequest request;
    request.kind = DialogKind::Error;
    request.parentWindow = t_parentWindow;
    request.caption = caption;
    request.text = text;
    backend().showError(request);
}

bool askYesNo(const std::string& caption, const std::string& text) {
    DialogRequest request;
    request.kind = DialogKind::YesNo;
    request.parentWindow = t_parentWindow;
    request.caption = caption;
    request.text = text;
    return backend().askYesNo(request);
}

bool openFileDialog(const std::string& caption, const std::string& startFolder,
                    const std::vector<FileFilter>& filters, std::string& chosenPath) {
    DialogRequest request;
    request.kind = DialogKind::OpenFile;
    request.parentWindow = t_parentWindow;
    request.caption = caption;
    request.startFolder = startFolder;
    request.filters = filters;
    return backend().choosePath(request, chosenPath);
}

bool saveFileDialog(const std::string& caption, const std::string& startFolder, const std::string& defaultName,
                    const std::vector<FileFilter>& filters, std::string& chosenPath) {
    DialogRequest request;
    request.kind = DialogKind::SaveFile;
    request.parentWindow = t_parentWindow;
    request.caption = caption;
    request.startFolder = startFolder;
    request.defaultName = defaultName;
    request.filters = filters;
    return backend().choosePath(request, chosenPath);
}

bool chooseFolderDialog(const std::string& caption, const std::string& startFolder, std::string& chosenFolder) {
    DialogRequest request;
    request.kind = DialogKind::ChooseFolder;
    request.parentWindow = t_parentWindow;
    request.caption = caption;
    request.startFolder = startFolder;
    return backend().choosePath(request, chosenFolder);
}

void setDialogBackendForTesting(DialogBackend* backend) { g_testBackend.store(backend); }

void setDialogWaitHandler(void (*handler)(void* context), void* context) {
    t_waitHandler.handler = handler;
    t_waitHandler.context = context;
}

void setDialogParentWindow(uint32_t window) { t_parentWindow = window; }

std::vector<std::string> dialogCommandLine(const std::string& helper, const DialogRequest& request) {
    if (helper == "zenity") return zenityCommandLine(request);
    if (helper == "kdialog") return kdialogCommandLine(request);
    return {};
}

} // namespace os
