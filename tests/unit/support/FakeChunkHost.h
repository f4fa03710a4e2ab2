#pragma once
// A module table of real parameter sets behind the bank and program chunk
// interfaces, recording what the chunk code asks of the plug-in.
#include "framework/model/ParaSet_c.h"
#include "framework/synth/BankChunk.h"
#include "framework/synth/CmdBuffer_c.h"
#include "framework/synth/ProgramChunk.h"
#include "framework/synth/ProgramChunkStore.h"

#include <memory>
#include <string>
#include <vector>

namespace chunk_test {

using Bytes = std::vector<uint8_t>;

// Columns of several kinds; the placeholder makes the set's size bound
// larger than what it writes, so captured programs have slack.
inline std::unique_ptr<ParaSet_c> makeSet(const char (&tag)[5], int rows, const char* defaultText) {
    auto set = std::make_unique<ParaSet_c>(makeSetTypeId(tag), rows, 7);
    set->columnDefinition(0)->defineNumber("Level", "", 0.0f, -1000, 1000, 1, 10);
    set->columnDefinition(1)->defineOptions("Shape", "", 0, 2, 4, 0, "SinTriSaw");
    set->columnDefinition(2)->defineText("Name", false, false, defaultText);
    set->columnDefinition(3)->definePlaceholder("Spare");
    set->columnDefinition(4)->defineFloatArray("Table", 5);
    set->columnDefinition(5)->defineSwitch("On", 0);
    set->columnDefinition(6)->defineNote("Key", 0, 128, 0, 60);
    set->copyRowZeroToAll();
    return set;
}

// Distinct non-default values for one row, derived from seed.
inline void setValues(ParaSet_c& set, int row, int seed) {
    set.setValue(row, 0, -500 + seed * 37);
    set.setValue(row, 1, 1 + seed % 2);
    set.setText(row, 2, "name " + std::to_string(seed) + std::string(static_cast<size_t>(seed % 5), 'x'));
    for (int i = 0; i < 5; ++i)
        set.cell(row, 4)->setFloatBits(i, 0x3f800000u + static_cast<uint32_t>(seed * 16 + i));
    set.setBool(row, 5, true);
    set.setValue(row, 6, (seed * 11) % 129);
}

inline Bytes rowChunk(const ParaSet_c& set, int row) {
    Bytes b(set.getChunkSize(row));
    b.resize(set.writeChunk(b.data(), b.size(), row));
    return b;
}

struct HostShape {
    int parts = 1;
    bool bankOnlyRow = false;
    bool duplicateRow = false; // a second bank-only row with the tag and instance of "FXB2" 3
};

class FakeChunkHost : public BankChunkHost {
public:
    explicit FakeChunkHost(HostShape shape = {})
        : parts_(shape.parts), programs_(shape.parts), effects_(0) {
        global = makeSet("SYG0", 1, "global");
        instrument = makeSet("SYG1", parts_, "part");
        tuning = makeSet("TUN0", 1, "equal.tun");
        oscillator = makeSet("OSC1", parts_, "osc");
        envelope0 = makeSet("ENV1", parts_, "env a");
        envelope1 = makeSet("ENV1", parts_, "env b");
        add(global.get(), 0, kBankOnlyRow);
        add(instrument.get(), 0, kBankOnlyRow);
        add(oscillator.get(), 0, kPartProgramRow);
        add(envelope0.get(), 0, kPartProgramRow);
        add(envelope1.get(), 1, kPartProgramRow);
        if (shape.bankOnlyRow) {
            bankOnly = makeSet("FXB2", 1, "bank only");
            add(bankOnly.get(), 3, kBankOnlyRow);
        }
        if (shape.duplicateRow) {
            twin = makeSet("FXB2", 1, "twin");
            add(twin.get(), 3, kBankOnlyRow);
        }
    }

    std::vector<ParaSet_c*> allSets() const {
        std::vector<ParaSet_c*> sets;
        for (const ChunkModuleRow& row : rows_)
            sets.push_back(row.set);
        sets.push_back(tuning.get());
        return sets;
    }

    // Every row of every set as set chunks: equal snapshots mean equal state.
    std::vector<Bytes> snapshot() const {
        std::vector<Bytes> all;
        for (ParaSet_c* set : allSets())
            for (int row = 0; row < set->rows(); ++row)
                all.push_back(rowChunk(*set, row));
        return all;
    }

    void setEveryValue(int seed) {
        int n = seed;
        for (ParaSet_c* set : allSets())
            for (int row = 0; row < set->rows(); ++row)
                setValues(*set, row, ++n);
    }

    Bytes bank(size_t capacity = kBankChunkCapacity) {
        Bytes store(capacity);
        store.resize(writeBankChunk(*this, store.data(), store.size()));
        return store;
    }

    // ChunkModuleRegistry
    int moduleRowCount() const override { return static_cast<int>(rows_.size()); }
    ChunkModuleRow moduleRow(int index) const override { return rows_.at(static_cast<size_t>(index)); }

    // BankChunkHost
    int partCount() const override { return parts_; }
    int partProgramSlots() const override { return parts_; }
    int effectProgramSlots() const override { return 0; }
    ParaSet_c* globalSettingsSet() override { return global.get(); }
    ParaSet_c* instrumentSettingsSet() override { return instrument.get(); }
    ParaSet_c* tuningSet() override { return tuning.get(); }
    ParaSet_c* controllerAssignmentSet() override { return nullptr; }
    const MemC_c* capturedPartProgram(int slot) override { return programs_.capture(*this, slot, kPartProgramRow); }
    const MemC_c* capturedEffectProgram(int slot) override { return effects_.capture(*this, slot, kEffectProgramRow); }
    void loadPartProgram(int slot, const uint8_t* bytes, size_t size) override {
        log.push_back("program " + std::to_string(slot));
        if (programs_.store(slot, bytes, size)) {
            const MemC_c* chunk = programs_.stored(slot);
            applyProgramChunk(*this, slot, kPartProgramRow, chunk->data(), chunk->size(), toIdle);
        }
    }
    void loadEffectProgram(int slot, const uint8_t*, size_t) override { log.push_back("effect " + std::to_string(slot)); }
    void beginBankLoad() override {
        log.push_back("begin");
        for (const ChunkModuleRow& row : rows_)
            row.set->resetAll();
        tuning->resetAll();
    }
    void runBankClosingSteps() override { log.push_back("closing"); }
    void endBankLoad() override { log.push_back("end"); }
    void showBankLoadError(const std::string& text) override { errors.push_back(text); }

    std::unique_ptr<ParaSet_c> global, instrument, tuning, oscillator, envelope0, envelope1, bankOnly, twin;
    std::vector<std::string> log;
    std::vector<std::string> errors;
    CmdBuffer_c toIdle{640};

private:
    void add(ParaSet_c* set, int32_t instance, int kind) {
        set->setHeaderValue(instance);
        rows_.push_back({set->typeId(), instance, kind, set});
    }

    int parts_;
    std::vector<ChunkModuleRow> rows_;
    ProgramChunkStore programs_;
    ProgramChunkStore effects_;
};

// Little-endian words for building chunks by hand.
inline void appendWord(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline uint32_t wordAt(const Bytes& b, size_t offset) {
    return static_cast<uint32_t>(b.at(offset)) | (static_cast<uint32_t>(b.at(offset + 1)) << 8) |
           (static_cast<uint32_t>(b.at(offset + 2)) << 16) | (static_cast<uint32_t>(b.at(offset + 3)) << 24);
}
inline void putWordAt(Bytes& b, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.at(offset + static_cast<size_t>(i)) = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace chunk_test
