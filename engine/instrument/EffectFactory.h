#pragma once
// Creates the plug-in's effect for a host: what the library's entry points do.
#include "framework/sdk/AudioEffect.h"

namespace instrument {

// Constructs the one plug-in object for host; null when it cannot be made.
// Any thread the host instantiates on.
AudioEffect* createEffectInstance(audioMasterCallback host);

// The entry point's work: null for a null host or a host that answers version 0
// (no object is made); otherwise the new effect's record, owned by the effect
// and freed by effClose. Never throws.
AEffect* instantiatePlugin(audioMasterCallback host);

} // namespace instrument
