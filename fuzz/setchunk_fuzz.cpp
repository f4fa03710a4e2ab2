// Arbitrary bytes as a set chunk for a set with a column of every kind: the
// reader must stay inside the bytes, and what it read must write back within
// the size it announces.
#include "framework/model/ParaSet_c.h"
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

ParaSet_c& allKindsSet() {
    static ParaSet_c* set = [] {
        auto* s = new ParaSet_c(makeSetTypeId("FUZZ"), 2, 12);
        static const char* const legacy[] = {"OldA    OldB    ", nullptr};
        s->columnDefinition(0)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
        s->columnDefinition(1)->defineNumber("Amount", "%", 4.0f, -1000, 1000, 2, 0, 4);
        s->columnDefinition(2)->defineOptions("Knob Mode", "", 0, 1, 8, 0, "Circular Linear ", legacy);
        s->columnDefinition(3)->defineMidiChannel("Channel", 0, 16, 0);
        s->columnDefinition(4)->defineNote("Key", 0, 128, 0, 60);
        s->columnDefinition(5)->defineLevelDb("Volume", -24, 6, 0, true);
        s->columnDefinition(6)->defineSwitch("On/Off", 0);
        s->columnDefinition(7)->defineText("Path", true, true, "default.tun");
        s->columnDefinition(8)->defineFloatArray("Frequencies", 129);
        s->columnDefinition(9)->definePan("Pan", 0);
        s->columnDefinition(10)->definePlaceholder("Spare");
        s->columnDefinition(11)->defineOptions("Short", "", 0, 9, 5, 0, "AlphaBeta ");
        s->copyRowZeroToAll();
        return s;
    }();
    return *set;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ParaSet_c& set = allKindsSet();
    // An exact-size copy, so ASan sees any read past the end.
    std::vector<uint8_t> bytes(data, data + size);
    set.readChunk(bytes.empty() ? nullptr : bytes.data(), bytes.size(), 1);

    char text[64];
    for (int c = 0; c < set.columns(); ++c)
        set.getValueText(1, c, text, sizeof text);

    std::vector<uint8_t> out(set.getChunkSize(1));
    const size_t n = set.writeChunk(out.data(), out.size(), 1);
    if (n == 0 || n > out.size())
        __builtin_trap();
    // What was written reads back to the same bytes.
    set.readChunk(out.data(), n, 0);
    std::vector<uint8_t> again(set.getChunkSize(0));
    const size_t m = set.writeChunk(again.data(), again.size(), 0);
    if (m != n || !std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n), again.begin()))
        __builtin_trap();
    return 0;
}
