#pragma once
// Who the plug-in is, as hosts see it. One place for the names and numbers
// the effect record and the identity opcodes report.
#include "framework/sdk/VstInterface.h"

namespace instrument {

constexpr const char* kProductName = "Kelvanti";
constexpr const char* kVendorName = "Harvell";
constexpr const char* kVersionText = "1.1b";
constexpr const char* kEngineName = "Zendrix";
constexpr VstInt32 kUniqueId = vstFourCC('H', 'R', 'V', 'K');
constexpr VstInt32 kNumPrograms = 128;
constexpr VstInt32 kHostParametersPerPart = 26;
constexpr VstInt32 kStereoOutputPairs = 1;

} // namespace instrument
