// The library's exported entry points. Hosts look up VSTPluginMain, older ones
// main; both make one new effect per call. Nothing else is exported.
#include "editor/ZendrixEditor_c.h"
#include "engine/instrument/EffectFactory.h"

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host);
// "main" cannot be declared as an ordinary function in C++: the asm label gives
// the symbol that name.
extern "C" __attribute__((visibility("default"))) AEffect* legacyPluginMain(audioMasterCallback host) asm("main");

extern "C" AEffect* VSTPluginMain(audioMasterCallback host) {
    return instrument::instantiatePlugin(host, &editor::ZendrixEditor_c::make);
}

extern "C" AEffect* legacyPluginMain(audioMasterCallback host) {
    return VSTPluginMain(host);
}
