#pragma once
// Building and posting a command record (Synth's postCommand without Synth:
// the caller says whether the first audio block has been rendered).
#include "framework/synth/CmdBuffer_c.h"
#include "framework/synth/HoldData_c.h"

#include <cstdint>

HoldData_c makeCommand(uint8_t code, int16_t a, int16_t b, intptr_t p = 0, intptr_t q = 0);

// Pushes the record with the mode. Code 89 (controller values to the host) is
// dropped, answering false, until the first block has been rendered: the
// host is not ready for automation echoes before that.
bool postCommand(CmdBuffer_c& ring, bool firstBlockRendered, const HoldData_c& record, int mode);
