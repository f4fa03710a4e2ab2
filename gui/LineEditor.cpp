#include "gui/LineEditor.h"

#include <algorithm>

#include "gui/CDrawContext.h"
#include "gui/VstKeyCode.h"

namespace VSTGUI {

namespace {
bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the UTF-8 sequence starting at text[at] (1 for malformed bytes).
size_t sequenceLength(const std::string& text, size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
    if (at + length > text.size()) return 1;
    for (size_t i = 1; i < length; ++i)
        if (!isContinuation(static_cast<unsigned char>(text[at + i]))) return 1;
    return length;
}
} // namespace

std::string utf8FromCodePoint(uint32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        if (c >= 0xD800 && c <= 0xDFFF) return out;
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c <= 0x10FFFF) {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::string displayTextOf(const std::string& utf8) {
    std::string out;
    for (size_t at = 0; at < utf8.size();) {
        const size_t length = sequenceLength(utf8, at);
        const unsigned char lead = static_cast<unsigned char>(utf8[at]);
        if (length == 1) {
            out += static_cast<char>(lead);
        } else if (length == 2) {
            const uint32_t c = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[at + 1]) & 0x3Fu);
            out += c < 0x100 ? static_cast<char>(c) : '?';
        } else {
            out += '?';
        }
        at += length;
    }
    return out;
}

void LineEditor::reset(const std::string& text) {
    text_ = text.substr(0, std::min(text.size(), limit_));
    anchor_ = 0;
    caret_ = text_.size();
    scroll_ = 0;
}

size_t LineEditor::previousCharacter(size_t at) const {
    if (at == 0) return 0;
    size_t back = at - 1;
    while (back > 0 && isContinuation(static_cast<unsigned char>(text_[back]))) --back;
    return back;
}

size_t LineEditor::nextCharacter(size_t at) const {
    return at >= text_.size() ? text_.size() : at + sequenceLength(text_, at);
}

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
    size_t take = 0;
    while (take < utf8.size()) {
        const size_t length = sequenceLength(utf8, take);
        if (text_.size() + take + length > limit_) break;
        take += length;
    }
    text_.insert(caret_, utf8, 0, take);
    caret_ = anchor_ = caret_ + take;
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
        insert(utf8FromCodePoint(static_cast<uint32_t>(key.character)));
        return Outcome::Edited;
    }
    return Outcome::Unhandled;
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
    const std::string shown = displayTextOf(text_);
    const auto widthOf = [&](size_t bytes) {
        return context->getStringWidth(displayTextOf(text_.substr(0, bytes)).c_str());
    };
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
    const int32_t textWidth = context->getStringWidth(shown.c_str());
    context->setFontColor(fontColour);
    context->drawString(shown.c_str(), CRect(x0, box.top, x0 + textWidth + 1, box.bottom), false, 0);
    if (hasSelection()) {
        // The selected characters again, in the back colour over the highlight.
        const int32_t from = x0 + widthOf(selectionStart());
        const std::string selected = displayTextOf(text_.substr(selectionStart(), selectionEnd() - selectionStart()));
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
