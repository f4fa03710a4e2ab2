#pragma once
// A menu of the files of a part's program list: one entry per file (26 to a
// column, at most 1024), a placeholder when the folder has none, the
// current file selected and checked. A bank menu names the folder of the
// loaded preset, and nothing when that folder is not listed. The list is
// read under the plug-in's lock, which the idle side holds while it
// rescans. Editor thread only.
#include <string>

#include "editor/CMenuBase.h"

class Synth;

class CMenuFileList : public CMenuBase {
public:
    static constexpr int32_t kItemsPerColumn = 26;

    // part -1: the current part. banks: the part's bank folders instead of its programs.
    CMenuFileList(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t index,
                  VSTGUI::CBitmap* background, Synth* synth, int32_t part, const char* placeholder,
                  bool banks = false);

    void fillEntries();
    // False while the menu shows only its placeholder.
    bool hasFiles() const { return hasFiles_; }
    // What the editor writes for the current entry: entry / 127.
    float choiceValue() const { return static_cast<float>(getCurrent()) / 127.0f; }

protected:
    // The placeholder is no choice: nobody is told.
    bool choose(VSTGUI::COptionMenu* owner, int32_t index) override;

private:
    Synth* synth_;
    int32_t part_;
    std::string placeholder_;
    bool hasFiles_ = false;
    bool banks_ = false;
};
