#include "gui/CDragContainer.h"

#include "os/window/EditorWindow.h"

namespace VSTGUI {

CDragContainer::CDragContainer(const std::vector<os::DropItem>& items) {
    setItems(items);
}

void CDragContainer::setItems(const std::vector<os::DropItem>& items) {
    items_.clear();
    index_ = 0;
    for (const os::DropItem& item : items) {
        if (item.type == os::DropItem::Type::Text) {
            // One text per drag; what follows it is not offered.
            if (!items_.empty()) break;
            items_.push_back({kText, item.data.substr(0, kMaxItemBytes)});
            break;
        }
        if (item.data.size() <= kMaxItemBytes) items_.push_back({kFile, item.data});
    }
}

const char* CDragContainer::first(int32_t& size, int32_t& type) {
    index_ = 0;
    return next(size, type);
}

const char* CDragContainer::next(int32_t& size, int32_t& type) {
    current_.clear();
    current_.shrink_to_fit();
    size = 0;
    type = kUnknown;
    if (index_ >= items_.size()) return nullptr;
    const Item& item = items_[index_++];
    current_ = item.bytes;   // std::string keeps a terminating zero after the bytes
    size = static_cast<int32_t>(current_.size());
    type = item.type;
    return current_.c_str();
}

} // namespace VSTGUI
