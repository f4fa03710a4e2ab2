#pragma once
// A button that asks the user for a file (open or save) and hands the
// chosen path to its listener as its text. Each button remembers its own
// last folder under its registry name; the first time it starts in its
// default folder. Editor thread only (the dialog keeps the editor painted).
#include <string>
#include <vector>

#include "editor/CControlPl.h"
#include "framework/platform/FileDialog_c.h"

class Synth;

namespace editor {

class CFileDialog3Pl : public CControlPl {
public:
    CFileDialog3Pl(const VSTGUI::CRect& size, CControlListenerPl* listener, int32_t tag, Synth* synth,
                   const char* title, const char* description, const std::vector<std::string>& patterns,
                   const std::string& defaultFolder, const char* registryName, bool save);
    const char* className() const override { return "file"; }
    void draw(VSTGUI::CDrawContext* context) override { (void)context; markDrawn(); }
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;
    // Alt+Shift click sends this triple to the plug-in instead.
    void setShortcut(int32_t command, int32_t a, int32_t b) {
        shortcut_ = command;
        shortcutA_ = a;
        shortcutB_ = b;
    }
    const FileDialog_c& dialog() const { return dialog_; }

private:
    Synth* synth_;
    FileDialog_c dialog_;
    std::string defaultFolder_;
    std::string registryName_;
    int32_t shortcut_ = -1, shortcutA_ = 0, shortcutB_ = 0;
};

} // namespace editor
