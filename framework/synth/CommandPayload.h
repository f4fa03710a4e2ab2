#pragma once
// Payloads a command record owns. Only the error-message command owns one:
// its p is a text allocated by the poster with makeOwnedText. Ownership moves
// into the ring with a successful push and out of it with a pop; whoever holds
// the record last frees the payload with releaseOwnedPayload (the executor
// after showing the box, the ring when it drops or cancels the record).
#include "framework/synth/HoldData_c.h"
#include <cstdint>
#include <string>

bool commandOwnsPayload(uint8_t code);

// A heap copy of text for p of an owning record; 0 when it cannot be allocated.
intptr_t makeOwnedText(const std::string& text);

// The owned text of an owning record (nullptr for any other record).
const char* ownedText(const HoldData_c& record);

// Frees the payload of an owning record and clears p; other records are left alone.
void releaseOwnedPayload(HoldData_c& record);
