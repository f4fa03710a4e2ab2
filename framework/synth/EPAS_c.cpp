#include "framework/synth/EPAS_c.h"

#include <cstring>
#include <new>

void EPAS_c::set(int32_t index, const char* name, bool composable, int32_t partCode, int32_t page, Part_c* target,
                 int32_t column, bool hostLocked, int32_t tag, Callback callback) {
    if (!name) return;
    const size_t length = std::strlen(name);
    if (length > 0) {
        name_.reset(new (std::nothrow) char[length + 1]);
        if (name_) std::memcpy(name_.get(), name, length + 1);
    } else {
        name_.reset();
    }
    index_ = index;
    composable_ = composable;
    part_ = partCode < 0 ? kCurrentPart : partCode % kPartCodes;
    fixedPart_ = partCode >= 0 && partCode < kPartCodes ? partCode : -1;
    page_ = page;
    target_ = target;
    column_ = target ? column : -1;
    hostLocked_ = hostLocked;
    tag_ = tag;
    callback_ = callback;
}
