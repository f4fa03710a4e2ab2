#pragma once
// Creates the plug-in's effect for a host: what the library's entry points do.
#include "framework/sdk/AudioEffect.h"
#include "framework/synth/EditorListener.h"

namespace instrument {

// Constructs the one plug-in object for host; null when it cannot be made.
// Any thread the host instantiates on.
// makeEditor: the editor the plug-in makes for itself (null: none).
AudioEffect* createEffectInstance(audioMasterCallback host, EditorMaker makeEditor = nullptr);

// The entry point's work: null for a null host or a host that answers version 0
// (no object is made); otherwise the new effect's record, owned by the effect
// and freed by effClose. Never throws.
AEffect* instantiatePlugin(audioMasterCallback host, EditorMaker makeEditor = nullptr);

} // namespace instrument
