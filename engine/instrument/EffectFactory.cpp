#include "engine/instrument/EffectFactory.h"

#include <new>

#include "engine/instrument/Zendrix_c.h"

namespace instrument {

AudioEffect* createEffectInstance(audioMasterCallback host, EditorMaker makeEditor) {
    // The host's locale is left alone: display texts take the user's decimal
    // separator from the effect itself.
    return new (std::nothrow) Zendrix_c(host, makeEditor);
}

AEffect* instantiatePlugin(audioMasterCallback host, EditorMaker makeEditor) {
    if (!host) return nullptr;
    try {
        if (host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
        AudioEffect* effect = createEffectInstance(host, makeEditor);
        return effect ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

} // namespace instrument
