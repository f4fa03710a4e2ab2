#include "editor/CFileDialog3Pl.h"

#include "framework/platform/Registry.h"
#include "framework/synth/Synth.h"
#include "gui/CDrawContext.h"

namespace editor {

CFileDialog3Pl::CFileDialog3Pl(const VSTGUI::CRect& size, CControlListenerPl* listener, int32_t tag, Synth* synth,
                               const char* title, const char* description, const std::vector<std::string>& patterns,
                               const std::string& defaultFolder, const char* registryName, bool save)
    : CControlPl(size, listener, tag), synth_(synth), dialog_(synth), defaultFolder_(defaultFolder),
      registryName_(registryName ? registryName : "") {
    textValue_ = true;
    dialog_.setName(registryName);
    dialog_.setTitle(title ? title : "");
    dialog_.setFilter(description ? description : "", patterns);
    dialog_.setMode(save ? FileDialog_c::kSave : FileDialog_c::kOpen);
}

void CFileDialog3Pl::mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& /*where*/, int32_t buttons) {
    if (!context || tracking_) return;
    if (buttons < 0) buttons = context->getMouseButtons();
    if (shortcut_ >= 0 && (buttons & VSTGUI::kAlt) && (buttons & VSTGUI::kShift)) {
        if (synth_) synth_->handleCommand(shortcut_, shortcutA_, shortcutB_, 0);
        return;
    }
    // The first run starts in the default folder; later runs where the user left.
    std::string stored;
    if (!defaultFolder_.empty() && !(readRegistryString(registryName_, stored) && !stored.empty()))
        writeRegistryString(registryName_, defaultFolder_);
    tracking_ = true;
    const std::string chosen = dialog_.run();
    tracking_ = false;
    if (chosen.empty()) return;
    text_ = chosen;
    clearStepFlags();
    tellListener(context);
}

} // namespace editor
