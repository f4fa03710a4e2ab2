#include "editor/CMenuFileList.h"

#include <algorithm>
#include <mutex>

#include "framework/synth/Synth.h"

using namespace VSTGUI;

CMenuFileList::CMenuFileList(const CRect& size, CControlListener* listener, int32_t index, CBitmap* background,
                             Synth* synth, int32_t part, const char* placeholder, bool banks)
    : CMenuBase(size, listener, index, background), synth_(synth), part_(part),
      placeholder_(placeholder ? placeholder : ""), banks_(banks) {
    setNbItemsPerColumn(kItemsPerColumn);
    fillEntries();
}

void CMenuFileList::fillEntries() {
    removeAllEntry();
    hasFiles_ = false;
    if (!synth_) {
        addEntry(placeholder_.c_str());
        return;
    }
    const int32_t part = part_ < 0 ? synth_->getCurrentPart() : part_;
    int32_t current = 0;
    {
        std::lock_guard<Lock_c> guard(synth_->lock());
        FileList_c& list = banks_ ? synth_->partBankList(part) : synth_->partProgramList(part);
        const int32_t count = std::min(list.count(), OptionEntries::kMaxEntries);
        for (int32_t i = 0; i < count; ++i) {
            const char* name = list.getName(i);
            addEntry(name ? name : "unknown");   // names longer than an entry are cut
        }
        hasFiles_ = count > 0;
        current = banks_ ? synth_->currentBankIndex() : synth_->getPartProgramNumber(part);
    }
    if (!hasFiles_) {
        addEntry(placeholder_.c_str());
        return;
    }
    if (banks_ && (current < 0 || current >= getNbEntries())) {
        // The loaded preset's folder is not listed: no bank is named or checked.
        entries_.setCurrentIndex(-1);
        setDirty(true);
        return;
    }
    current = std::clamp(current, 0, getNbEntries() - 1);
    COptionMenu::setValue(static_cast<float>(current));
    checkEntryAlone(current);
}

bool CMenuFileList::choose(COptionMenu* owner, int32_t index) {
    if (!hasFiles_) return false;
    return CMenuBase::choose(owner, index);
}
