#include "framework/platform/MessageBoxes.h"

#include "framework/platform/EditorThread.h"
#include "os/Dialogs.h"

void showErrorBox(const char* caption, const char* text) {
    os::showError(caption != nullptr ? caption : "", text != nullptr ? text : "");
}

void showSaveError(const std::string& what, const std::string& path, const std::string& reason) {
    os::showError("Save Error", what + " could not be saved!\n" + path + (reason.empty() ? "" : ": " + reason));
}

bool askYesNo(const char* text, const char* caption) {
    if (!mayBlockForUser(text))
        return false; // the default: "no"
    return os::askYesNo(caption != nullptr ? caption : "", text != nullptr ? text : "");
}
