// Arbitrary bytes as a bank chunk: the reader stays inside the bytes, ends,
// and either changes nothing (answer 0) or leaves a bank that writes back.
#include "tests/unit/support/FakeChunkHost.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Room for any bank of this host (its texts are at most 319 bytes a column).
constexpr size_t kStoreSize = 1 << 16;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    chunk_test::FakeChunkHost host({2, true, false});
    const std::vector<chunk_test::Bytes> before = host.snapshot();
    // An exact-size copy, so ASan sees any read past the end.
    std::vector<uint8_t> bytes(data, data + size);
    const size_t read = loadBankChunk(host, bytes.data(), bytes.size());
    if (read != 0 && read != size)
        __builtin_trap();
    if (read == 0 && host.snapshot() != before)
        __builtin_trap();
    // Whatever was read, the bank written now reads back to itself.
    const chunk_test::Bytes bank = host.bank(kStoreSize);
    chunk_test::FakeChunkHost again({2, true, false});
    if (bank.empty() || loadBankChunk(again, bank.data(), bank.size()) != bank.size() || again.bank(kStoreSize) != bank)
        __builtin_trap();
    return 0;
}
