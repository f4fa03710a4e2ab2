#pragma once
// The plug-in's version number from its version text ("1.1b" → 1100), as
// hosts read it from effGetVendorVersion.

namespace synth {

// The digits of text read as one decimal number (other characters skipped;
// reading stops once the value has reached 1000), then multiplied by 10 until
// it is at least 1000. A text without a non-zero digit gives 0.
int versionNumberFromText(const char* text);

} // namespace synth
