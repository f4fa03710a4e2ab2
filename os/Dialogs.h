#pragma once
// Message boxes and file dialogs through zenity or kdialog (whichever is
// installed), started with posix_spawn and an argument vector (never a shell),
// LD_LIBRARY_PATH and LD_PRELOAD dropped for the child only, the start folder
// passed as an argument (the current directory is never changed).
// Without a helper or a display: errors go to stderr, questions answer "no",
// dialogs cancel. Tests install a scripted back end.
#include <cstdint>
#include <string>
#include <vector>

namespace os {

struct FileFilter {
    std::string description;            // "FXP Presets"
    std::vector<std::string> patterns;  // {"*.fxp", "*.FXP"}
};

enum class DialogKind { Error, YesNo, OpenFile, SaveFile, ChooseFolder };

// What a dialog request looks like; the scripted back end sees these.
struct DialogRequest {
    DialogKind kind = DialogKind::Error;
    std::string caption;
    std::string text;
    std::string startFolder;
    std::string defaultName;
    std::vector<FileFilter> filters;
    // The X window the dialog stays above (0: none); set from the calling
    // thread's dialog parent.
    uint32_t parentWindow = 0;
};

class DialogBackend {
public:
    virtual ~DialogBackend() = default;
    // Error: never blocks the caller. The others block until answered.
    virtual void showError(const DialogRequest& request) = 0;
    virtual bool askYesNo(const DialogRequest& request) = 0;
    // true with the chosen path, false when cancelled.
    virtual bool choosePath(const DialogRequest& request, std::string& path) = 0;
};

// Shows an error box without blocking the calling thread (the helper runs on
// and is collected in the background). Any thread but the audio thread.
void showError(const std::string& caption, const std::string& text);
// Block until answered; the editor's thread only. true only for "yes"; a
// file dialog answers true with the chosen path, false when cancelled.
bool askYesNo(const std::string& caption, const std::string& text);
bool openFileDialog(const std::string& caption, const std::string& startFolder,
                    const std::vector<FileFilter>& filters, std::string& chosenPath);
bool saveFileDialog(const std::string& caption, const std::string& startFolder,
                    const std::string& defaultName, const std::vector<FileFilter>& filters,
                    std::string& chosenPath);
bool chooseFolderDialog(const std::string& caption, const std::string& startFolder,
                        std::string& chosenFolder);

// While a yes/no or file dialog waits, the waiting thread calls handler
// about every 20 ms (the editor pumps its window so it stays painted).
// Applies to dialogs run on the calling thread; null removes it.
void setDialogWaitHandler(void (*handler)(void* context), void* context);

// The X window id of the calling thread's editor (0: none): dialogs run on
// that thread are attached to it, so they stay above the editor.
void setDialogParentWindow(uint32_t window);

// Replaces the back end (null restores the real one). Not owned.
void setDialogBackendForTesting(DialogBackend* backend);

// The argument vector the real back end runs for a request with the given
// helper ("zenity" or "kdialog"); exposed so tests can check it.
std::vector<std::string> dialogCommandLine(const std::string& helper, const DialogRequest& request);

} // namespace os
