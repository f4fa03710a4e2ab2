#include "framework/synth/CommandPost.h"

#include "framework/synth/SynthCommand.h"

HoldData_c makeCommand(uint8_t code, int16_t a, int16_t b, intptr_t p, intptr_t q) {
    HoldData_c record;
    record.code = code;
    record.a = a;
    record.b = b;
    record.p = p;
    record.q = q;
    return record;
}

bool postCommand(CmdBuffer_c& ring, bool firstBlockRendered, const HoldData_c& record, int mode) {
    if (record.code == kCmdSendControllersToHost && !firstBlockRendered) {
        HoldData_c dropped = record;
        ring.discard(dropped);
        return false;
    }
    return ring.push(record, mode);
}
