#include "gui/LineEditor.h"

#include <algorithm>
#include <cstdlib>

#include "gui/CDrawContext.h"
#include "gui/VstKeyCode.h"
#include "os/TextEncoding.h"

namespace VSTGUI {

void LineEditor::reset(const std::string& text) {
    text_ = text.substr(0, os::characterBoundaryAtOrBefore(text, limit_));
    anchor_ = 0;
    caret_ = text_.size();
    scroll_ = 0;
}

size_t LineEditor::previousCharacter(size_t at) const { return os::previousCharacterStart(text_, at); }

size_t LineEditor::nextCharacter(size_t at) const { return at + os::characterAt(text_, at).length; }

void LineEditor::moveCaret(size_t to, bool extend) {
    caret_ = std::min(to, text_.size());
    if (!extend) anchor_ = caret_;
}

void LineEditor::eraseSelection() {
    const size_t start = selectionStart();
    text_.erase(start, selectionEnd() - start);
    caret_ = anchor_ = start;
}

void LineEditor::insert(const std::string& utf8) {
    eraseSelection();
    // Whole characters only, up to the limit.
    const size_t room = limit_ > text_.size() ? limit_ - text_.size() : 0;
    const size_t take = os::characterBoundaryAtOrBefore(utf8, room);
    text_.insert(caret_, utf8, 0, take);
    caret_ = anchor_ = caret_ + take;
}

void LineEditor::paste(const std::string& bytes) { insert(os::singleLineUtf8(bytes)); }

void LineEditor::selectAll() {
    anchor_ = 0;
    caret_ = text_.size();
}

std::string LineEditor::selectedText() const {
    return os::singleLineUtf8(std::string_view(text_).substr(selectionStart(), selectionEnd() - selectionStart()));
}

LineEditor::Outcome LineEditor::key(const VstKeyCode& key) {
    const bool shift = (key.modifier & kModShift) != 0;
    switch (key.virt) {
    case kVkReturn:
    case kVkEnter:
        return Outcome::Commit;
    case kVkEscape:
        return Outcome::Cancel;
    case kVkBack:
        if (!hasSelection()) anchor_ = previousCharacter(caret_);
        eraseSelection();
        return Outcome::Edited;
    case kVkDelete:
        if (!hasSelection()) anchor_ = nextCharacter(caret_);
        eraseSelection();
        return Outcome::Edited;
    case kVkLeft:
        moveCaret(hasSelection() && !shift ? selectionStart() : previousCharacter(caret_), shift);
        return Outcome::Edited;
    case kVkRight:
        moveCaret(hasSelection() && !shift ? selectionEnd() : nextCharacter(caret_), shift);
        return Outcome::Edited;
    case kVkHome:
        moveCaret(0, shift);
        return Outcome::Edited;
    case kVkEnd:
        moveCaret(text_.size(), shift);
        return Outcome::Edited;
    default:
        break;
    }
    // Control and Command chords are not text.
    // Characters come with no virtual key, the space with its own.
    if ((key.virt == 0 || key.virt == kVkSpace) && key.character >= 0x20 && key.character != 0x7F &&
        !(key.modifier & (kModControl | kModCommand))) {
        insert(os::utf8Of(static_cast<uint32_t>(key.character)));
        return Outcome::Edited;
    }
    return Outcome::Unhandled;
}

void LineEditor::placeCaret(CDrawContext* context, const CRect& box, int32_t fontId, int32_t fontSize, CCoord x,
                            bool extend) {
    if (!context) return;
    context->setFont(fontId, fontSize, 0);
    const CCoord offset = x - (box.left + 1 - scroll_);
    size_t best = 0;
    CCoord bestDistance = offset < 0 ? -offset : offset;
    for (size_t at = 0; at < text_.size();) {
        at = nextCharacter(at);
        const CCoord distance = std::abs(context->getStringWidth(text_.substr(0, at).c_str()) - offset);
        if (distance < bestDistance) {
            best = at;
            bestDistance = distance;
        }
    }
    moveCaret(best, extend);
}

void LineEditor::draw(CDrawContext* context, const CRect& box, int32_t fontId, int32_t fontSize,
                      const CColor& fontColour, const CColor& backColour) {
    if (!context) return;
    CRect oldClip;
    context->getClipRect(oldClip);
    CRect clip = box;
    clip.bound(oldClip);
    context->setClipRect(clip);
    context->setFillColor(backColour);
    context->fillRect(CRect(box.left - 1, box.top - 1, box.right, box.bottom));
    context->setFont(fontId, fontSize, 0);
    const auto widthOf = [&](size_t bytes) { return context->getStringWidth(text_.substr(0, bytes).c_str()); };
    const int32_t caretX = widthOf(caret_);
    const int32_t inner = std::max(1, box.width() - 2);
    // Scrolled just enough to keep the caret inside the box.
    if (caretX - scroll_ > inner) scroll_ = caretX - inner;
    if (caretX < scroll_) scroll_ = caretX;
    const int32_t x0 = box.left + 1 - scroll_;
    if (hasSelection()) {
        const int32_t from = x0 + widthOf(selectionStart());
        const int32_t to = x0 + widthOf(selectionEnd());
        context->setFillColor(fontColour);
        context->fillRect(CRect(from - 1, box.top, to, box.bottom));
    }
    const int32_t textWidth = context->getStringWidth(text_.c_str());
    context->setFontColor(fontColour);
    context->drawString(text_.c_str(), CRect(x0, box.top, x0 + textWidth + 1, box.bottom), false, 0);
    if (hasSelection()) {
        // The selected characters again, in the back colour over the highlight.
        const int32_t from = x0 + widthOf(selectionStart());
        const std::string selected = text_.substr(selectionStart(), selectionEnd() - selectionStart());
        context->setFontColor(backColour);
        context->drawString(selected.c_str(),
                            CRect(from, box.top, from + context->getStringWidth(selected.c_str()) + 1, box.bottom),
                            false, 0);
    }
    context->setFrameColor(fontColour);
    context->moveTo(CPoint(x0 + caretX, box.top + 1));
    context->lineTo(CPoint(x0 + caretX, box.bottom - 1));
    context->setClipRect(oldClip);
}

} // namespace VSTGUI
