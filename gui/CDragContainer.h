#pragma once
// One drag over the editor: the dragged data as a list of items, file paths
// (type 0) or one text (type 1). Reference-counted like the views. The items
// are known once the data has arrived (the drop); during enter and move the
// list may still be empty. Editor thread only.
#include <cstdint>
#include <string>
#include <vector>

#include "gui/CReferenceCounter.h"

namespace os {
struct DropItem;
}

namespace VSTGUI {

class CDragContainer : public CReferenceCounter {
public:
    enum ItemType : int32_t { kFile = 0, kText = 1, kUnknown = -1 };
    // Texts longer than this are cut here; a path longer than this is left out.
    static constexpr size_t kMaxItemBytes = 65536;

    CDragContainer() = default;
    explicit CDragContainer(const std::vector<os::DropItem>& items);
    void setItems(const std::vector<os::DropItem>& items);

    int32_t getCount() const { return static_cast<int32_t>(items_.size()); }
    // The first item, or none (size 0, type -1). The bytes are followed by a
    // terminating zero not counted in size, and stay valid until the next
    // call of first or next, or the container's end.
    const char* first(int32_t& size, int32_t& type);
    const char* next(int32_t& size, int32_t& type);

private:
    struct Item {
        int32_t type;
        std::string bytes;
    };
    std::vector<Item> items_;
    size_t index_ = 0;
    std::string current_;   // the last item handed out
};

} // namespace VSTGUI
