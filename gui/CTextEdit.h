#pragma once
// A display of a text the user can type: a click opens our single-line
// editor inside the frame over the field and takes the keyboard focus (a
// click with a modifier key is offered to the listener first); a click
// inside it places the caret, a drag there selects; Return, a click
// elsewhere or the keyboard focus leaving the window ends editing (Escape
// ends it keeping the old text), the listener is told when the text changed,
// and the parent is notified with "LooseFocus". While editing, Ctrl+A
// selects all, Ctrl+C, Ctrl+X and Ctrl+V copy, cut and paste through the
// window's clipboard, a text the user selects becomes the window's primary
// selection, and the middle button pastes that selection where it clicks.
// One endEdit for every beginEdit, however often the focus is lost.
// Editor thread only.
#include <memory>
#include <string>

#include "gui/CParamDisplay.h"
#include "gui/LineEditor.h"

namespace os {
class EditorWindow;
}

namespace VSTGUI {

// The message a text field sends its parent (or the frame) when editing ends.
extern const char* const kMsgLooseFocus;

using CTextEditStringToString = void (*)(const char* text, char* out);
using CTextEditStringToStringUserData = void (*)(const char* text, char* out, void* userData);

class CTextEdit : public CParamDisplay {
public:
    CTextEdit(const CRect& size, CControlListener* listener, int32_t tag, const char* text = nullptr,
              CBitmap* background = nullptr, int32_t style = 0);
    ~CTextEdit() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    bool onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    int32_t onKeyDown(VstKeyCode& key) override;
    void looseFocus(CDrawContext* context = nullptr) override;
    void takeFocus(CDrawContext* context = nullptr) override;
    bool removed(CView* parent) override;
    bool isTypeOf(const char* type) const override;

    // Copied up to 255 bytes (none: empty); dirty only when it changed.
    virtual void setText(const char* text);
    // out holds kTextBufferSize bytes.
    virtual void getText(char* out) const;
    virtual void setTextEditConvertUserData(CTextEditStringToStringUserData converter, void* userData);
    virtual void setTextEditConvert(CTextEditStringToString converter) { textToString_ = converter; }

    // A text asked of the clipboard or the primary selection arrived (the
    // window's Paste event): it replaces the selection while editing, on one
    // line; otherwise nothing happens.
    void paste(const std::string& bytes);
    // While editing, a selection the user made (one other than the last
    // offered, and not the whole text selected when editing began) becomes
    // the window's primary selection. Called after keys and clicks.
    void offerSelectedText();

    bool isEditing() const { return editor_ != nullptr; }
    const LineEditor* lineEditor() const { return editor_.get(); }
    // The editor's font size: the font's own, or less in a low box.
    static int32_t editFontSize(int32_t fontId, int32_t boxHeight);

private:
    // The area the line editor draws in while editing, in the parent's coordinates.
    CRect editBox() const;
    // Ends editing: keep = take the typed text over.
    void finishEditing(CDrawContext* context, bool keep);
    // Ctrl+A, Ctrl+C, Ctrl+X, Ctrl+V, and the desktop's Ctrl+Insert (copy),
    // Shift+Insert (paste), Shift+Delete (cut): true when the key was one of them.
    bool clipboardKey(const VstKeyCode& key);
    // The line editor changed: drawn anew.
    void edited();
    // The frame's window (none without a frame or a window).
    os::EditorWindow* frameWindow() const;

    char text_[kTextBufferSize] = {};
    CTextEditStringToString textToString_ = nullptr;
    CTextEditStringToStringUserData textToStringUserData_ = nullptr;
    std::unique_ptr<LineEditor> editor_;   // open while editing
    bool editBracketOpen_ = false;         // beginEdit sent, endEdit not yet
    bool keyboardTaken_ = false;
    // The selection last offered as the primary one (or seen when editing
    // began): its bytes' range and text; an empty range offers nothing.
    size_t offeredStart_ = 0;
    size_t offeredEnd_ = 0;
    std::string offeredText_;
};

} // namespace VSTGUI
