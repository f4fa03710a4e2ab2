#include "framework/synth/CommandPayload.h"

#include "framework/synth/SynthCommand.h"

#include <cstring>
#include <new>

bool commandOwnsPayload(uint8_t code) { return code == kCmdErrorMessageBox; }

intptr_t makeOwnedText(const std::string& text) {
    char* copy = new (std::nothrow) char[text.size() + 1];
    if (copy == nullptr)
        return 0;
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return HoldData_c::fromPointer(copy);
}

const char* ownedText(const HoldData_c& record) {
    return commandOwnsPayload(record.code) ? record.pAs<const char>() : nullptr;
}

void releaseOwnedPayload(HoldData_c& record) {
    if (!commandOwnsPayload(record.code))
        return;
    delete[] record.pAs<char>();
    record.p = 0;
}
