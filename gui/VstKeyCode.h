#pragma once
// A key as the host reports it (the plug-in interface's record, which the
// toolkit cannot see from its layer: the editor copies it field by field).
#include <cstdint>

namespace VSTGUI {

struct VstKeyCode {
    int32_t character = 0;
    uint8_t virt = 0;
    uint8_t modifier = 0;
};

} // namespace VSTGUI
