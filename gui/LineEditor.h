#pragma once
// The single-line editor a text field opens inside the frame: the text as
// typed (UTF-8 bytes, at most a limit of bytes; bytes of an older text that
// are not UTF-8 stay as they are, one character each, see os/TextEncoding.h),
// a caret and a selection, moved and edited by keys. Editor thread only.
#include <cstdint>
#include <string>

#include "gui/CColor.h"
#include "gui/Geometry.h"

namespace VSTGUI {

class CDrawContext;
struct VstKeyCode;

// The plug-in interface's virtual key and modifier numbers.
enum VirtualKey : uint8_t {
    kVkBack = 1, kVkTab = 2, kVkReturn = 4, kVkEscape = 6, kVkSpace = 7, kVkEnd = 9, kVkHome = 10,
    kVkLeft = 11, kVkUp = 12, kVkRight = 13, kVkDown = 14, kVkEnter = 19, kVkInsert = 21, kVkDelete = 22,
};
enum KeyModifier : uint8_t { kModShift = 1, kModAlt = 2, kModCommand = 4, kModControl = 8 };

class LineEditor {
public:
    enum class Outcome { Unhandled, Edited, Commit, Cancel };

    explicit LineEditor(size_t limit = 255) : limit_(limit) {}

    // Starts over with a text, all of it selected.
    void reset(const std::string& text);
    const std::string& text() const { return text_; }
    size_t caret() const { return caret_; }
    bool hasSelection() const { return anchor_ != caret_; }
    size_t selectionStart() const { return anchor_ < caret_ ? anchor_ : caret_; }
    size_t selectionEnd() const { return anchor_ < caret_ ? caret_ : anchor_; }

    // Replaces the selection with UTF-8 bytes; what would pass the limit is
    // left out (whole characters only).
    void insert(const std::string& utf8);
    // A text from outside (the clipboard) replaces the selection as one line:
    // read as our texts are, line breaks and other control characters left out.
    void paste(const std::string& bytes);
    void selectAll();
    // The selected characters as well-formed UTF-8 (empty: no selection).
    std::string selectedText() const;
    // Removes the selected characters.
    void eraseSelection();
    Outcome key(const VstKeyCode& key);

    // The caret to the character edge nearest to x (in the box's
    // coordinates, as drawn last); extend keeps the selection's anchor.
    void placeCaret(CDrawContext* context, const CRect& box, int32_t fontId, int32_t fontSize, CCoord x, bool extend);

    // The field: background, text (scrolled so the caret shows), selection
    // and caret, in the given font and colours.
    void draw(CDrawContext* context, const CRect& box, int32_t fontId, int32_t fontSize, const CColor& fontColour,
              const CColor& backColour);

private:
    void moveCaret(size_t to, bool extend);
    size_t previousCharacter(size_t at) const;
    size_t nextCharacter(size_t at) const;

    size_t limit_;
    std::string text_;
    size_t caret_ = 0;
    size_t anchor_ = 0;
    int32_t scroll_ = 0;   // pixels of text hidden on the left
};

} // namespace VSTGUI
