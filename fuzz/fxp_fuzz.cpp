// Arbitrary bytes as an FXP file: the reader stays inside the bytes, and
// what it accepts encodes back to a file that decodes to the same program.
#include "framework/synth/FxpFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    fxp::ProgramFile program;
    if (fxp::decodeProgramFile(bytes.data(), bytes.size(), "HRVK,HRVO", program) != fxp::DecodeResult::Ok)
        return 0;
    if (program.chunk.empty() || program.chunk.size() > size - fxp::kHeaderSize)
        __builtin_trap();
    const std::vector<uint8_t> file =
        fxp::encodeProgramFile(program.pluginId, program.name, program.chunk.data(), program.chunk.size());
    fxp::ProgramFile again;
    if (fxp::decodeProgramFile(file.data(), file.size(), "HRVK,HRVO", again) != fxp::DecodeResult::Ok ||
        again.chunk != program.chunk || again.name != program.name.substr(0, 27))
        __builtin_trap();
    return 0;
}
