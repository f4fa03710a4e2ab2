#include "gui/CTextEdit.h"

#include <algorithm>
#include <cstring>

#include "gui/CDragContainer.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/FrameServices.h"
#include "os/window/EditorWindow.h"

namespace VSTGUI {

const char* const kMsgLooseFocus = "LooseFocus";

CTextEdit::CTextEdit(const CRect& size, CControlListener* listener, int32_t tag, const char* text,
                     CBitmap* background, int32_t style)
    : CParamDisplay(size, background, style) {
    listener_ = listener;
    tag_ = tag;
    copyBounded(text_, text);
    setWantsFocus(true);
}

CTextEdit::~CTextEdit() {
    // An editor still open goes with the field; nobody is told.
    editor_.reset();
    if (keyboardTaken_)
        if (FrameServices* services = frameServices(getFrame())) services->releaseKeyboard();
}

bool CTextEdit::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "CTextEdit") == 0) || CParamDisplay::isTypeOf(type);
}

int32_t CTextEdit::editFontSize(int32_t fontId, int32_t boxHeight) {
    return std::max<int32_t>(1, std::min(defaultFontSize(fontId), boxHeight - 2));
}

void CTextEdit::setText(const char* text) {
    if (!text) {
        if (text_[0]) {
            text_[0] = '\0';
            CControl::setDirty(true);
        }
        return;
    }
    char bounded[kTextBufferSize];
    copyBounded(bounded, text);
    if (std::strcmp(bounded, text_) == 0) return;
    std::memcpy(text_, bounded, sizeof text_);
    CControl::setDirty(true);
}

void CTextEdit::getText(char* out) const {
    if (out) std::memcpy(out, text_, sizeof text_);
}

void CTextEdit::setTextEditConvertUserData(CTextEditStringToStringUserData converter, void* userData) {
    textToStringUserData_ = converter;
    userData_ = userData;
}

CRect CTextEdit::editBox() const { return CRect(size_.left + 1, size_.top + 1, size_.right - 1, size_.bottom - 1); }

void CTextEdit::draw(CDrawContext* context) {
    if (editor_) {
        drawText(context, nullptr);   // the background and frame
        editor_->draw(context, editBox(), fontId_, editFontSize(fontId_, size_.height()), fontColour_, backColour_);
        CControl::setDirty(false);
        return;
    }
    char shown[kTextBufferSize] = {};
    if (textToStringUserData_) {
        textToStringUserData_(text_, shown, userData_);
    } else if (textToString_) {
        textToString_(text_, shown);
    } else if (valueToStringUserData_) {
        valueToStringUserData_(value_, shown, userData_);
        shown[kTextBufferSize - 1] = '\0';
        copyBounded(text_, shown);
    } else if (valueToString_) {
        valueToString_(value_, shown);
        shown[kTextBufferSize - 1] = '\0';
        copyBounded(text_, shown);
    } else {
        copyBounded(shown, text_);
    }
    shown[kTextBufferSize - 1] = '\0';
    drawText(context, shown);
    CControl::setDirty(false);
}

void CTextEdit::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!mouseEnabled_) return;
    if (buttons == -1 && context) buttons = context->getMouseButtons();
    if (editor_ && (buttons & kMButton) && !(buttons & kLButton)) {
        // X's paste of the primary selection, at the point clicked.
        editor_->placeCaret(context, editBox(), fontId_, editFontSize(fontId_, size_.height()), where.h, false);
        if (os::EditorWindow* window = frameWindow()) window->requestPaste(os::Selection::Primary);
        edited();
        return;
    }
    // Clicks inside the box being edited are the box's own.
    if (!editor_ && listenerTookModifierClick(context, buttons)) return;
    if (!(buttons & kLButton)) return;
    if (editor_) {
        // Inside the box being edited: the caret goes where clicked (Shift:
        // the selection grows to there), and while the button is held the
        // selection follows the pointer, as in any edit box.
        const int32_t fontSize = editFontSize(fontId_, size_.height());
        editor_->placeCaret(context, editBox(), fontId_, fontSize, where.h, (buttons & kShift) != 0);
        CControl::setDirty(true);
        redraw();
        while (editor_ && context && (context->getMouseButtons() & kLButton)) {
            doIdleStuff();
            if (!editor_) break;
            CPoint now;
            getMouseLocation(context, now);
            const size_t caret = editor_->caret();
            editor_->placeCaret(context, editBox(), fontId_, fontSize, now.h, true);
            if (editor_->caret() != caret) CControl::setDirty(true);
        }
        return;
    }
    CFrame* frame = getFrame();
    if (!frame || frame->getFocusView() == this) return;
    if ((style_ & kDoubleClickStyle) && !isDoubleClick(where)) return;
    beginEdit();
    editBracketOpen_ = true;
    takeFocus(context);
}

void CTextEdit::takeFocus(CDrawContext* /*context*/) {
    if (editor_) return;
    editor_ = std::make_unique<LineEditor>(kTextBufferSize - 1);
    editor_->reset(text_);
    // The whole text selected as editing begins is not the user's selection.
    offeredStart_ = editor_->selectionStart();
    offeredEnd_ = editor_->selectionEnd();
    offeredText_ = editor_->selectedText();
    if (FrameServices* services = frameServices(getFrame())) {
        services->takeKeyboard();
        keyboardTaken_ = true;
    }
    CControl::setDirty(true);
    redraw();
}

void CTextEdit::edited() {
    CControl::setDirty(true);
    redraw();
}

int32_t CTextEdit::onKeyDown(VstKeyCode& key) {
    if (!editor_) return -1;
    if (clipboardKey(key)) return 1;
    switch (editor_->key(key)) {
    case LineEditor::Outcome::Unhandled:
        return -1;
    case LineEditor::Outcome::Edited:
        offerSelectedText();
        edited();
        return 1;
    case LineEditor::Outcome::Commit:
        finishEditing(nullptr, true);
        return 1;
    case LineEditor::Outcome::Cancel:
        finishEditing(nullptr, false);
        return 1;
    }
    return -1;
}

os::EditorWindow* CTextEdit::frameWindow() const { return getFrame() ? getFrame()->getWindow() : nullptr; }

bool CTextEdit::clipboardKey(const VstKeyCode& key) {
    const bool control = (key.modifier & kModControl) != 0;
    const bool shift = (key.modifier & kModShift) != 0;
    int32_t letter = 0;
    if (control && key.virt == 0)
        letter = key.character | 0x20;   // Shift or Caps Lock held: the same chord
    else if (key.virt == kVkInsert && control != shift)
        letter = control ? 'c' : 'v';    // the desktop's other chords: Ctrl+Insert, Shift+Insert
    else if (key.virt == kVkDelete && shift && !control)
        letter = 'x';                    // and Shift+Delete
    else
        return false;
    os::EditorWindow* window = frameWindow();
    switch (letter) {
    case 'a':
        editor_->selectAll();
        offeredStart_ = offeredEnd_ = 0;   // forgotten: even the selection editing began with is offered
        break;
    case 'c':
    case 'x':
        if (!editor_->hasSelection()) return true;
        if (window) window->offerSelection(os::Selection::Clipboard, editor_->selectedText());
        if (letter == 'x') editor_->eraseSelection();
        break;
    case 'v':
        if (window) window->requestPaste(os::Selection::Clipboard);
        return true;
    default:
        return false;
    }
    offerSelectedText();
    edited();
    return true;
}

void CTextEdit::offerSelectedText() {
    if (!editor_) return;
    const size_t start = editor_->selectionStart();
    const size_t end = editor_->selectionEnd();
    const std::string text = editor_->selectedText();
    if (start == offeredStart_ && end == offeredEnd_ && text == offeredText_) return;
    offeredStart_ = start;
    offeredEnd_ = end;
    offeredText_ = text;
    if (start == end || text.empty()) return;
    if (os::EditorWindow* window = frameWindow()) window->offerSelection(os::Selection::Primary, text);
}

void CTextEdit::paste(const std::string& bytes) {
    if (!editor_) return;
    editor_->paste(bytes);
    offerSelectedText();   // the selection is gone: a later one is offered anew
    edited();
}

void CTextEdit::looseFocus(CDrawContext* context) { finishEditing(context, true); }

bool CTextEdit::removed(CView* parent) {
    // Taken out of its container while editing: the gesture ends here, the
    // text stays as it was.
    if (editor_ || editBracketOpen_) finishEditing(nullptr, false);
    return CParamDisplay::removed(parent);
}

void CTextEdit::finishEditing(CDrawContext* context, bool keep) {
    // The editor is taken first: the focus change below enters again.
    std::unique_ptr<LineEditor> editor = std::move(editor_);
    CFrame* frame = getFrame();
    if (editBracketOpen_) {
        editBracketOpen_ = false;
        endEdit();
    }
    if (frame && frame->getFocusView() == this) frame->setFocusView(nullptr);
    if (!editor) return;
    if (keyboardTaken_) {
        keyboardTaken_ = false;
        if (FrameServices* services = frameServices(frame)) services->releaseKeyboard();
    }
    char old[kTextBufferSize];
    std::memcpy(old, text_, sizeof old);
    if (keep) copyBounded(text_, editor->text().c_str());
    editor.reset();
    const bool changed = std::strcmp(old, text_) != 0;
    CDrawContext* made = nullptr;
    if (!context && frame) context = made = frame->getFrameContext();
    if (changed && listener_) listener_->valueChanged(context, this);
    if (made) made->forget();
    CControl::setDirty(true);
    if (changed) doIdleStuff();
    if (CViewContainer* parent = getParentView())
        parent->notify(this, kMsgLooseFocus);
    else if (frame)
        frame->notify(this, kMsgLooseFocus);
}

bool CTextEdit::onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& /*where*/) {
    if (!drag) return false;
    int32_t size = 0;
    int32_t type = 0;
    for (const char* item = drag->first(size, type); item; item = drag->next(size, type)) {
        if (type != CDragContainer::kText || size <= 0) continue;
        setText(item);   // cut to the field's 255 bytes
        if (listener_) listener_->valueChanged(context, this);
        return true;
    }
    return false;
}

} // namespace VSTGUI
