#include "os/window/X11Keys.h"

namespace os {

int mouseBitsFromXState(uint16_t state) {
    int bits = 0;
    if (state & kXButton1Mask) bits |= kMouseLeft;
    if (state & kXButton2Mask) bits |= kMouseMiddle;
    if (state & kXButton3Mask) bits |= kMouseRight;
    if (state & kXShiftMask) bits |= kMouseShift;
    if (state & kXControlMask) bits |= kMouseControl;
    if (state & kXMod1Mask) bits |= kMouseAlt;
    return bits;
}

} // namespace os
