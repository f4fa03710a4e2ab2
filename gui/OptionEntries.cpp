#include "gui/OptionEntries.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace VSTGUI {

EntryKind entryKindOf(const char* text) {
    if (!text || text[0] != '-') return EntryKind::Plain;
    switch (text[1]) {
    case '\0': return EntryKind::Separator;
    case 'M': return EntryKind::SubMenu;
    case 'G': return EntryKind::Greyed;
    case 'T': return EntryKind::Title;
    default: return EntryKind::Plain;
    }
}

int32_t OptionEntries::prefixLength() const {
    switch (prefixNumbers_) {
    case 2: return 2;
    case 3: return 3;
    case 4: return 4;
    default: return 0;
    }
}

// The tables grow in steps, as a platform menu's would, and never beyond
// the entry limit.
bool OptionEntries::grow(bool forSubMenu) {
    if (count() >= kMaxEntries) return false;
    if (count() >= entryCapacity_) entryCapacity_ = std::min(kMaxEntries, entryCapacity_ + kEntryGrowth);
    if (forSubMenu && subMenuCount() >= subMenuCapacity_) subMenuCapacity_ += kSubMenuGrowth;
    return true;
}

void OptionEntries::format(Entry& entry, const char* prefix, const char* text, int32_t number) const {
    const char* body = text ? text : "";
    char formatted[kTextBufferSize * 2];
    switch (prefixNumbers_) {
    case 2: std::snprintf(formatted, sizeof formatted, "%s%1d %s", prefix, static_cast<int>(number), body); break;
    case 3: std::snprintf(formatted, sizeof formatted, "%s%02d %s", prefix, static_cast<int>(number), body); break;
    case 4: std::snprintf(formatted, sizeof formatted, "%s%03d %s", prefix, static_cast<int>(number), body); break;
    default: std::snprintf(formatted, sizeof formatted, "%s%s", prefix, body); break;
    }
    copyBounded(entry.text.data(), entry.text.size(), formatted);
}

bool OptionEntries::add(const char* text, int32_t index) {
    if (!grow(false)) return false;
    const int32_t at = index >= 0 ? std::min(index, count()) : count();
    Entry entry;
    format(entry, "", text, at + 1);
    entries_.insert(entries_.begin() + at, entry);
    checks_.push_back(0);
    if (index >= 0 && current_ >= index) ++current_;
    if (current_ < 0) current_ = 0;
    return true;
}

bool OptionEntries::addSubMenu(CReferenceCounter* subMenu, const char* text) {
    if (!subMenu || !text || !grow(true)) return false;
    Entry entry;
    format(entry, "-M", text, count() + 1);
    entry.subMenu = subMenu;
    subMenu->remember();
    entries_.push_back(entry);
    checks_.push_back(0);
    if (current_ < 0) current_ = 0;
    return true;
}

bool OptionEntries::remove(int32_t index) {
    if (index < 0 || index >= count()) return false;
    CReferenceCounter* subMenu = entries_[index].subMenu;
    entries_.erase(entries_.begin() + index);
    checks_.erase(checks_.begin() + index);
    if (current_ >= index) --current_;
    if (entries_.empty()) current_ = -1;
    if (subMenu) subMenu->forget();
    return true;
}

void OptionEntries::removeAll() {
    std::vector<Entry> gone;
    gone.swap(entries_);
    checks_.clear();
    current_ = -1;
    entryCapacity_ = 0;
    subMenuCapacity_ = 0;
    // Released last: a sub-menu's destruction must find this table consistent.
    for (Entry& entry : gone)
        if (entry.subMenu) entry.subMenu->forget();
}

const char* OptionEntries::text(int32_t index) const {
    return index >= 0 && index < count() ? entries_[index].text.data() : nullptr;
}

bool OptionEntries::setText(int32_t index, const char* text) {
    if (index < 0 || index >= count()) return false;
    if (text) copyBounded(entries_[index].text.data(), entries_[index].text.size(), text);
    return true;
}

EntryKind OptionEntries::kind(int32_t index) const { return entryKindOf(text(index)); }

int32_t OptionEntries::indexOf(const char* wanted) const {
    if (!wanted) return -1;
    for (int32_t i = 0; i < count(); ++i)
        if (std::strcmp(entries_[i].text.data(), wanted) == 0) return i;
    return -1;
}

CReferenceCounter* OptionEntries::subMenu(int32_t index) const {
    return index >= 0 && index < count() ? entries_[index].subMenu : nullptr;
}

int32_t OptionEntries::subMenuCount() const {
    return static_cast<int32_t>(
        std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.subMenu != nullptr; }));
}

bool OptionEntries::check(int32_t index, bool state) {
    if (index < 0 || index >= count()) return false;
    checks_[index] = state ? 1 : 0;
    return true;
}

bool OptionEntries::checkAlone(int32_t index) {
    if (index < 0 || index >= count()) return false;
    std::fill(checks_.begin(), checks_.end(), 0);
    checks_[index] = 1;
    return true;
}

bool OptionEntries::isChecked(int32_t index) const {
    return index >= 0 && index < count() && checks_[index] != 0;
}

bool OptionEntries::toggleCheck(int32_t index) {
    if (index < 0 || index >= count()) return false;
    checks_[index] = checks_[index] ? 0 : 1;
    return true;
}

int32_t OptionEntries::currentVisibleIndex() const {
    if (current_ < 0) return -1;
    int32_t visible = 0;
    for (int32_t i = 0; i < current_ && i < count(); ++i) {
        const EntryKind k = kind(i);
        if (k != EntryKind::Separator && k != EntryKind::Title) ++visible;
    }
    return visible;
}

int32_t OptionEntries::entryOfVisibleIndex(int32_t visible) const {
    int32_t seen = 0;
    for (int32_t i = 0; i < count(); ++i) {
        const EntryKind k = kind(i);
        if (k == EntryKind::Separator || k == EntryKind::Title) continue;
        if (seen++ == visible) return i;
    }
    return count() - 1;
}

} // namespace VSTGUI
