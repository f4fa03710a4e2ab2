#include "editor/CMenuSimple.h"

#include <algorithm>

#include "editor/MenuOptions.h"
#include "framework/synth/Synth.h"
#include "gui/CDrawContext.h"

using namespace VSTGUI;

// ------------------------------------------------------------ CMenuSimple

CMenuSimple::CMenuSimple(const CRect& size, CControlListener* listener, int32_t index, Synth* synth,
                         int32_t colour, bool drawFlag, CBitmap* background, bool fill)
    : CMenuBase(size, listener, index, background), synth_(synth), colour_(colour), drawFlag_(drawFlag) {
    if (synth_) {
        min_ = synth_->getParameterMinByIndex(index);
        max_ = synth_->getParameterMaxByIndex(index);
        width_ = synth_->getParameterDigitsByIndex(index);
        options_ = synth_->getParameterOptionTextByIndex(index);
    }
    if (fill) fillEntries();
}

bool CMenuSimple::widthUsable() const {
    return width_ >= menus::kMinOptionWidth && width_ <= menus::kMaxOptionWidth && max_ >= min_;
}

int32_t CMenuSimple::currentOptionOfSynth() const {
    if (!synth_) return 0;
    return std::clamp(synth_->getParameterIntByIndex(tag_) - min_, 0, span());
}

std::string CMenuSimple::optionText(int32_t option) const { return menus::optionSlice(options_, width_, option); }

void CMenuSimple::addOptionEntry(int32_t option) { addEntry(optionText(option).c_str()); }

void CMenuSimple::fillEntries() {
    if (!widthUsable()) return;
    removeAllEntry();
    for (int32_t option = 0; option <= span(); ++option) addOptionEntry(option);
    const int32_t current = currentOptionOfSynth();
    COptionMenu::setValue(static_cast<float>(current));
    checkEntryAlone(current);
}

float CMenuSimple::getValue() const {
    return span() > 0 ? static_cast<float>(getCurrent()) / static_cast<float>(span()) : 0.0f;
}

void CMenuSimple::setValue(float value) {
    const int32_t entry = static_cast<int32_t>(static_cast<float>(span()) * value + 0.1f);
    COptionMenu::setValue(static_cast<float>(entry));
    checkEntryAlone(entry);
}

// ------------------------------------------------------------ CMenuWithSub

CMenuWithSub::CMenuWithSub(const CRect& size, CControlListener* listener, int32_t index, Synth* synth,
                           int32_t colour, bool drawFlag, CBitmap* background, bool fill)
    : CMenuSimple(size, listener, index, synth, colour, drawFlag, background, false) {
    if (fill) fillEntries();
}

void CMenuWithSub::fillEntries() {
    if (!widthUsable()) return;
    removeAllEntry();   // the sub-menus go with their entries
    subMenus_.clear();
    records_.fill(EntryRecord{});
    std::vector<std::string> raw;
    for (int32_t option = 0; option <= span() && option < menus::kMaxEntryRecords; ++option)
        raw.push_back(menus::optionSlice(options_, width_, option, false));
    const float divisor = span() > 0 ? static_cast<float>(span()) : 1.0f;
    for (const menus::MenuRun& run : menus::groupOptions(raw)) {
        if (!run.subMenu) {
            if (!addEntry(optionText(run.firstOption).c_str())) continue;
            records_[run.firstOption] = {run.firstOption / divisor, this, getNbEntries() - 1};
            continue;
        }
        auto* sub = new CSubMenuPl(this, run.firstOption, run.count, span());
        for (int32_t i = 0; i < run.count; ++i) {
            const int32_t option = run.firstOption + i;
            sub->addEntry(optionText(option).c_str());
            records_[option] = {option / divisor, sub, i};
        }
        if (addSubMenuEntry(sub, run.title.c_str())) subMenus_.push_back(sub);
        sub->forget();
    }
    selectOption(currentOptionOfSynth());
}

void CMenuWithSub::selectOption(int32_t option) {
    option = std::clamp(option, 0, std::min(span(), menus::kMaxEntryRecords - 1));
    const EntryRecord& record = records_[option];
    if (!record.owner) return;
    currentOption_ = option;
    for (int32_t i = 0; i < getNbEntries(); ++i) checkEntry(i, false);
    for (CSubMenuPl* sub : subMenus_)
        for (int32_t i = 0; i < sub->getNbEntries(); ++i) sub->checkEntry(i, false);
    record.owner->COptionMenu::setValue(static_cast<float>(record.index));
    record.owner->checkEntry(record.index, true);
    if (record.owner != this) {
        // This menu's current entry is the one that opens that sub-menu.
        for (int32_t i = 0; i < getNbEntries(); ++i)
            if (getSubMenu(i) == record.owner) COptionMenu::setValue(static_cast<float>(i));
    }
    CControl::setDirty(true);
}

bool CMenuWithSub::choose(COptionMenu* owner, int32_t index) {
    for (int32_t option = 0; option < menus::kMaxEntryRecords; ++option)
        if (records_[option].owner == owner && records_[option].index == index) {
            selectOption(option);
            return true;
        }
    return CMenuSimple::choose(owner, index);
}

float CMenuWithSub::getValue() const {
    return span() > 0 ? static_cast<float>(currentOption_) / static_cast<float>(span()) : 0.0f;
}

void CMenuWithSub::setValue(float value) {
    selectOption(static_cast<int32_t>(static_cast<float>(span()) * value + 0.1f));
    value_ = value;
}

void CMenuWithSub::draw(CDrawContext* context) { drawText(context, optionText(currentOption_).c_str()); }

int32_t CMenuWithSub::wheelTarget(int32_t from, int32_t step) const { return std::clamp(from + step, 0, span()); }

bool CMenuWithSub::onWheel(CDrawContext* context, const CPoint& /*where*/, float distance) {
    if (!mouseEnabled_ || distance == 0.0f) return false;
    selectOption(wheelTarget(currentOption_, distance > 0.0f ? 1 : -1));
    if (listener_) listener_->valueChanged(context, this);
    return true;
}

// ------------------------------------------------------------ CMenuECS

CMenuECS::CMenuECS(const CRect& size, CControlListener* listener, int32_t index, Synth* synth, CBitmap* background)
    : CMenuWithSub(size, listener, index, synth, 1, false, background, true) {}

int32_t CMenuECS::wheelTarget(int32_t from, int32_t step) const {
    int32_t to = from + step;
    while (to == kModeLoad || to == kModeSave) to += step;
    return to < 0 || to > span() ? from : to;
}
