#pragma once
// The entries of an option menu: at most 1024 texts of 256 bytes whose first
// characters give their kind ("-" separator, "-M" sub-menu, "-G" greyed,
// "-T" title), a check flag each, the current entry and the optional
// numbering of new entries. A sub-menu belongs to the entry that opens it
// and moves and goes with it, so insertions and removals never make an entry
// open another entry's sub-menu. Editor thread only.
#include <array>
#include <cstdint>
#include <vector>

#include "gui/BoundedText.h"
#include "gui/CReferenceCounter.h"

namespace VSTGUI {

enum class EntryKind { Plain, Separator, SubMenu, Greyed, Title };
EntryKind entryKindOf(const char* text);

class OptionEntries {
public:
    static constexpr int32_t kMaxEntries = 1024;
    static constexpr int32_t kEntryGrowth = 32;
    static constexpr int32_t kSubMenuGrowth = 10;

    OptionEntries() = default;
    ~OptionEntries() { removeAll(); }
    OptionEntries(const OptionEntries&) = delete;
    OptionEntries& operator=(const OptionEntries&) = delete;

    // Prefix numbering of new entries: 2 "1 ", 3 "01 ", 4 "001 "; other: none.
    void setPrefixNumbers(int32_t style) { prefixNumbers_ = style; }
    int32_t prefixNumbers() const { return prefixNumbers_; }
    // Characters of the number and its blank that the display leaves out.
    int32_t prefixLength() const;

    // index < 0 appends; otherwise the entries from index on move down (their
    // check flags stay where they are) and a current index >= index follows.
    bool add(const char* text, int32_t index = -1);
    // A "-M" entry that opens subMenu (one reference taken).
    bool addSubMenu(CReferenceCounter* subMenu, const char* text);
    bool remove(int32_t index);
    void removeAll();

    int32_t count() const { return static_cast<int32_t>(entries_.size()); }
    const char* text(int32_t index) const;
    bool setText(int32_t index, const char* text);
    EntryKind kind(int32_t index) const;
    int32_t indexOf(const char* text) const;
    // The sub-menu opened by the entry, none for every other entry.
    CReferenceCounter* subMenu(int32_t index) const;
    int32_t subMenuCount() const;

    bool check(int32_t index, bool state);
    bool checkAlone(int32_t index);
    bool isChecked(int32_t index) const;
    bool toggleCheck(int32_t index);

    int32_t current() const { return current_; }
    void setCurrentIndex(int32_t index) { current_ = index; }
    // The current entry counted without separators and titles; -1: none.
    int32_t currentVisibleIndex() const;
    // The (visible + 1)-th entry that is neither separator nor title, or the
    // last entry when there are fewer; -1 when the menu is empty.
    int32_t entryOfVisibleIndex(int32_t visible) const;

    int32_t entryCapacity() const { return entryCapacity_; }
    int32_t subMenuCapacity() const { return subMenuCapacity_; }

private:
    struct Entry {
        std::array<char, kTextBufferSize> text{};
        CReferenceCounter* subMenu = nullptr;  // one reference held
    };
    bool grow(bool forSubMenu);
    void format(Entry& entry, const char* prefix, const char* text, int32_t number) const;

    std::vector<Entry> entries_;
    std::vector<uint8_t> checks_;  // parallel to the positions, not the texts
    int32_t current_ = -1;
    int32_t prefixNumbers_ = 0;
    int32_t entryCapacity_ = 0;
    int32_t subMenuCapacity_ = 0;
};

} // namespace VSTGUI
