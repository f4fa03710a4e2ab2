#include "tests/conformance/support/TextRequests.h"

#include "tests/conformance/support/GuardedText.h"

namespace conformance {

TextAnswer requestText(vsthost::PluginInstance& plugin, VstInt32 opcode, int limit, VstInt32 index,
                       VstIntPtr value) {
    GuardedText buffer(limit);
    plugin.dispatch(opcode, index, value, buffer.buffer());
    return TextAnswer{buffer.text(), buffer.fault(requestName(opcode, index))};
}

std::string requestName(VstInt32 opcode, VstInt32 index) {
    const char* name = "opcode";
    switch (opcode) {
    case effGetProgramName: name = "effGetProgramName"; break;
    case effGetParamLabel: name = "effGetParamLabel"; break;
    case effGetParamDisplay: name = "effGetParamDisplay"; break;
    case effGetParamName: name = "effGetParamName"; break;
    case effGetProgramNameIndexed: name = "effGetProgramNameIndexed"; break;
    case effGetEffectName: name = "effGetEffectName"; break;
    case effGetVendorString: name = "effGetVendorString"; break;
    case effGetProductString: name = "effGetProductString"; break;
    default: return "opcode " + std::to_string(opcode) + "(" + std::to_string(index) + ")";
    }
    return std::string(name) + "(" + std::to_string(index) + ")";
}

} // namespace conformance
