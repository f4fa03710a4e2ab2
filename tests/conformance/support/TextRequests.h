#pragma once
// Text requests with guarded host buffers. Limits are characters without the
// terminator. Identity and program names get the interface's own limits;
// parameter texts get the size hosts really hand out, because the
// interface's 8 characters are exceeded by nearly every plug-in and hosts
// long since give more.
#include <string>

#include "framework/sdk/VstInterface.h"
#include "tools/host/lib/PluginInstance.h"

namespace conformance {

constexpr int kParameterTextLimit = kVstMaxNameLen;

struct TextAnswer {
    std::string text;
    std::string fault;   // empty when the plug-in stayed inside the buffer
};

TextAnswer requestText(vsthost::PluginInstance& plugin, VstInt32 opcode, int limit, VstInt32 index = 0,
                       VstIntPtr value = 0);
// The request's name for messages, e.g. "effGetParamName(3)".
std::string requestName(VstInt32 opcode, VstInt32 index);

} // namespace conformance
