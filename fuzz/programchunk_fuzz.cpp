// Arbitrary bytes as a program chunk: the reader stays inside the bytes,
// posts at most one error, and the program captured afterwards applies
// without any.
#include "framework/synth/CommandPayload.h"
#include "tests/unit/support/FakeChunkHost.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

size_t drain(CmdBuffer_c& ring) {
    size_t n = 0;
    HoldData_c record;
    while (ring.pop(record)) {
        releaseOwnedPayload(record);
        ++n;
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    chunk_test::FakeChunkHost host({2, false, false});
    std::vector<uint8_t> bytes(data, data + size);
    applyProgramChunk(host, 1, kPartProgramRow, bytes.data(), bytes.size(), host.toIdle);
    if (drain(host.toIdle) > 1)
        __builtin_trap();
    std::unique_ptr<MemC_c> captured = captureProgram(host, 1, kPartProgramRow);
    if (!captured)
        __builtin_trap();
    applyProgramChunk(host, 0, kPartProgramRow, captured->data(), captured->size(), host.toIdle);
    if (drain(host.toIdle) != 0)
        __builtin_trap();
    return 0;
}
