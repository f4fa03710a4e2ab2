#pragma once
// A display of its current entry that opens a popup of its entries on a
// click: sub-menus, separators, greyed entries, titles, checks and columns.
// The chosen entry becomes the current entry and value of the menu or
// sub-menu that holds it, and the top menu's listener is told.
// Editor thread only.
#include <memory>

#include "gui/CParamDisplay.h"
#include "gui/FrameServices.h"
#include "gui/OptionEntries.h"
#include "gui/PopupMenu.h"

namespace VSTGUI {

class COptionMenu : public CParamDisplay {
public:
    COptionMenu(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background = nullptr,
                CBitmap* pressed = nullptr, int32_t style = 0);
    ~COptionMenu() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    void looseFocus(CDrawContext* context = nullptr) override;
    void takeFocus(CDrawContext* context = nullptr) override;
    bool isTypeOf(const char* type) const override;
    void setValue(float value) override;

    virtual bool addEntry(const char* text, int32_t index = -1);
    virtual bool addSubMenuEntry(COptionMenu* subMenu, const char* text);
    virtual int32_t getCurrent(char* text = nullptr, bool countSeparators = true) const;
    virtual bool setCurrent(int32_t index, bool countSeparators = true);
    // text out holds kTextBufferSize bytes.
    virtual bool getEntry(int32_t index, char* text) const;
    virtual bool setEntry(int32_t index, const char* text);
    virtual bool removeEntry(int32_t index);
    virtual bool removeAllEntry();
    virtual int32_t getNbEntries() const { return entries_.count(); }
    virtual int32_t getIndex(const char* text) const { return entries_.indexOf(text); }
    virtual bool checkEntry(int32_t index, bool state) { return entries_.check(index, state); }
    virtual bool checkEntryAlone(int32_t index) { return entries_.checkAlone(index); }
    virtual bool isCheckEntry(int32_t index) const { return entries_.isChecked(index); }
    virtual void setNbItemsPerColumn(int32_t count) { itemsPerColumn_ = count; }
    virtual int32_t getNbItemsPerColumn() const { return itemsPerColumn_; }
    virtual void setPrefixNumbers(int32_t style) { entries_.setPrefixNumbers(style); }

    // The sub-menu an entry opens (none for other entries).
    COptionMenu* getSubMenu(int32_t index) const;
    int32_t getNbSubMenus() const { return entries_.subMenuCount(); }
    int32_t getLastButton() const { return lastButtons_; }

    // Columns start only in menus below this many entries.
    static constexpr int32_t kMaxEntriesWithColumns = 160;

    // The popup of this menu and its sub-menus, ids counted on from
    // nextId. Each entry's id is its menu's first id plus its index.
    std::unique_ptr<PopupMenu> createPopupMenu(int32_t& nextId);
    // The menu (this or a sub-menu, at any depth) holding id after
    // createPopupMenu; the index of the entry in it.
    COptionMenu* menuOfId(int32_t id, int32_t& index) const;

protected:
    // A choice in the popup: entry index of owner (this menu or one of its
    // sub-menus) was chosen. Selects it there; false keeps the listener
    // from being told. Menus that keep more state follow here.
    virtual bool choose(COptionMenu* owner, int32_t index);

    OptionEntries entries_;
    CBitmap* pressed_;      // one reference held
    int32_t lastButtons_ = 4;
    int32_t itemsPerColumn_ = -1;
    int32_t firstId_ = 0;   // of the last popup built
    bool tracking_ = false;
};

} // namespace VSTGUI
