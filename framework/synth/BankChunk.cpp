#include "framework/synth/BankChunk.h"

#include "framework/model/ChunkWords.h"
#include "framework/synth/BankChunkBlock.h"
#include "framework/synth/ProgramChunk.h"

#include <algorithm>
#include <limits>

const char kBankLoadErrorCaption[] = "Bank Load Error";

namespace {

size_t wholeWords(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

// Rows written as blocks of their own are the bank-only rows, apart from the
// sets the bank writes in their fixed places.
bool isFixedSet(BankChunkHost& host, const ParaSet_c* set) {
    return set == host.globalSettingsSet() || set == host.instrumentSettingsSet() || set == host.tuningSet() ||
           set == host.controllerAssignmentSet();
}

int offsetRow(int offset, int32_t order) {
    const int64_t row = static_cast<int64_t>(offset) + order;
    return static_cast<int>(std::clamp<int64_t>(row, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Appends while keeping count of the room left; any failure makes the bank empty.
class BankWriter {
public:
    BankWriter(const BankChunkHost& host, uint8_t* store, size_t capacity)
        : host_(host), store_(store), capacity_(capacity) {}

    void setRow(const ParaSet_c* set, int row, bool overwriteOrder, int32_t order) {
        if (failed_)
            return;
        if (set == nullptr) {
            failed_ = true;
            return;
        }
        ChunkSetGuard guard(host_, set);
        const size_t n = set->writeChunk(store_ + position_, capacity_ - position_, row);
        if (n < BankChunkBlock::kHeaderSize || wholeWords(n) > capacity_ - position_) {
            failed_ = true;
            return;
        }
        std::fill(store_ + position_ + n, store_ + position_ + wholeWords(n), uint8_t{0});
        if (overwriteOrder)
            putChunkWord(store_ + position_ + 8, static_cast<uint32_t>(order));
        position_ += wholeWords(n);
    }

    void program(SetTypeId tag, int32_t ordinal, const MemC_c& chunk) {
        const size_t padded = wholeWords(chunk.size());
        if (failed_ || capacity_ - position_ < BankChunkBlock::kHeaderSize + padded) {
            failed_ = true;
            return;
        }
        uint8_t* at = store_ + position_;
        putChunkWord(at, static_cast<uint32_t>(tag));
        putChunkWord(at + 4, static_cast<uint32_t>(BankChunkBlock::kHeaderSize + padded));
        putChunkWord(at + 8, static_cast<uint32_t>(ordinal));
        std::fill(at + BankChunkBlock::kHeaderSize, at + BankChunkBlock::kHeaderSize + padded, uint8_t{0});
        std::copy(chunk.data(), chunk.data() + chunk.size(), at + BankChunkBlock::kHeaderSize);
        position_ += BankChunkBlock::kHeaderSize + padded;
    }

    size_t result() const { return failed_ ? 0 : position_; }

private:
    const BankChunkHost& host_;
    uint8_t* store_;
    size_t capacity_;
    size_t position_ = 0;
    bool failed_ = false;
};

size_t guardedChunkSize(const BankChunkHost& host, const ParaSet_c& set, int row) {
    ChunkSetGuard guard(host, &set);
    return set.getChunkSize(row);
}

void guardedRead(const BankChunkHost& host, ParaSet_c& set, const BankChunkBlock& block, int row) {
    ChunkSetGuard guard(host, &set);
    set.readChunk(block.bytes, block.size, row);
}

bool moduleRowTakes(const BankChunkHost& host, const BankChunkBlock& block) {
    const int rows = host.moduleRowCount();
    for (int i = 0; i < rows; ++i) {
        const ChunkModuleRow row = host.moduleRow(i);
        if (row.set != nullptr && row.tag == block.tag && row.instance == block.order)
            return true;
    }
    return false;
}

// Whether the reader below takes the block whole: a program block also
// holds a program that applies whole (one for a slot this plug-in does not
// have is ignored, as the reader ignores it).
bool programBlockApplies(BankChunkHost& host, const BankChunkBlock& block, int offset, int slots, int kind) {
    const int slot = offsetRow(offset, block.order);
    if (slot < 0 || slot >= slots)
        return true;
    return checkProgramChunk(host, slot, kind, block.payload(), block.payloadSize()).applies;
}

bool bankBlockApplies(BankChunkHost& host, const BankChunkBlock& block, int partOffset, int effectOffset) {
    switch (block.tag) {
    case chunk_tags::kPartProgram:
        return programBlockApplies(host, block, partOffset, host.partProgramSlots(), kPartProgramRow);
    case chunk_tags::kEffectProgram:
        return programBlockApplies(host, block, effectOffset, host.effectProgramSlots(), kEffectProgramRow);
    case chunk_tags::kInstrumentSettings:
    case chunk_tags::kTuning:
    case chunk_tags::kControllerAssignment:
    case chunk_tags::kMidiSkipped:
        return true;
    default:
        return moduleRowTakes(host, block);
    }
}

bool hasProgram(const MemC_c* chunk) { return chunk != nullptr && chunk->data() != nullptr && chunk->size() > 0; }

} // namespace

size_t writeBankChunk(BankChunkHost& host, uint8_t* store, size_t capacity) {
    if (store == nullptr)
        return 0;
    const int parts = host.partCount();
    const int programSlots = host.partProgramSlots();
    const int effectSlots = host.effectProgramSlots();

    // Capture first: the sizes below count the fresh programs.
    size_t total = 0;
    for (int slot = 0; slot < programSlots; ++slot)
        if (const MemC_c* chunk = host.capturedPartProgram(slot); hasProgram(chunk))
            total += BankChunkBlock::kHeaderSize + wholeWords(chunk->size());
    for (int slot = 0; slot < effectSlots; ++slot)
        if (const MemC_c* chunk = host.capturedEffectProgram(slot); hasProgram(chunk))
            total += BankChunkBlock::kHeaderSize + wholeWords(chunk->size());

    ParaSet_c* global = host.globalSettingsSet();
    ParaSet_c* instrument = host.instrumentSettingsSet();
    ParaSet_c* tuning = host.tuningSet();
    if (global == nullptr || instrument == nullptr || tuning == nullptr)
        return 0;
    total += guardedChunkSize(host, *global, 0) + guardedChunkSize(host, *tuning, 0);
    for (int part = 0; part < parts; ++part)
        total += guardedChunkSize(host, *instrument, part);
    const int rows = host.moduleRowCount();
    for (int i = 0; i < rows; ++i) {
        const ChunkModuleRow row = host.moduleRow(i);
        if (row.kind == kBankOnlyRow && row.set != nullptr && !isFixedSet(host, row.set))
            total += guardedChunkSize(host, *row.set, 0);
    }
    if (total >= kBankChunkCapacity || total > capacity)
        return 0;

    BankWriter writer(host, store, capacity);
    writer.setRow(global, 0, false, 0);
    for (int part = 0; part < parts; ++part)
        writer.setRow(instrument, part, true, part);
    for (int i = 0; i < rows; ++i) {
        const ChunkModuleRow row = host.moduleRow(i);
        if (row.kind == kBankOnlyRow && row.set != nullptr && !isFixedSet(host, row.set))
            writer.setRow(row.set, 0, true, row.instance);
    }
    writer.setRow(tuning, 0, true, 0);
    for (int slot = 0; slot < programSlots; ++slot)
        if (const MemC_c* chunk = host.capturedPartProgram(slot); hasProgram(chunk))
            writer.program(chunk_tags::kPartProgram, slot, *chunk);
    for (int slot = 0; slot < effectSlots; ++slot)
        if (const MemC_c* chunk = host.capturedEffectProgram(slot); hasProgram(chunk))
            writer.program(chunk_tags::kEffectProgram, slot, *chunk);
    return writer.result();
}

bool bankChunkAppliesWhole(BankChunkHost& host, const uint8_t* bytes, size_t size, int partOffset, int effectOffset,
                           BankChunkBlock& refused) {
    BankChunkWalker walker(bytes, size);
    BankChunkBlock block;
    while (walker.next(block)) {
        if (!bankBlockApplies(host, block, partOffset, effectOffset)) {
            refused = block;
            return false;
        }
    }
    if (walker.stop() != BankChunkWalker::Stop::Broken)
        return true;
    refused = block;
    return false;
}

size_t readBankChunk(BankChunkHost& host, const uint8_t* bytes, size_t size, int partOffset, int effectOffset,
                     bool skipTuningAndControllers) {
    char text[96];
    BankChunkBlock block;
    if (!bankChunkAppliesWhole(host, bytes, size, partOffset, effectOffset, block)) {
        formatMismatchText(block, true, text, sizeof text);
        host.showBankLoadError(text);
        return 0;
    }

    BankChunkWalker walker(bytes, size);
    while (walker.next(block)) {
        bool taken = true;
        switch (block.tag) {
        case chunk_tags::kPartProgram:
            host.loadPartProgram(offsetRow(partOffset, block.order), block.payload(), block.payloadSize());
            break;
        case chunk_tags::kEffectProgram:
            host.loadEffectProgram(offsetRow(effectOffset, block.order), block.payload(), block.payloadSize());
            break;
        case chunk_tags::kInstrumentSettings:
            if (ParaSet_c* set = host.instrumentSettingsSet())
                guardedRead(host, *set, block, offsetRow(partOffset, block.order));
            break;
        case chunk_tags::kTuning:
        case chunk_tags::kControllerAssignment:
            if (!skipTuningAndControllers) {
                ParaSet_c* set = block.tag == chunk_tags::kTuning ? host.tuningSet() : host.controllerAssignmentSet();
                if (set != nullptr)
                    guardedRead(host, *set, block, block.order);
            }
            break;
        case chunk_tags::kMidiSkipped:
            break;
        default: {
            taken = false;
            const int rows = host.moduleRowCount();
            for (int i = 0; i < rows; ++i) {
                const ChunkModuleRow row = host.moduleRow(i);
                if (row.set != nullptr && row.tag == block.tag && row.instance == block.order) {
                    guardedRead(host, *row.set, block, 0);
                    taken = true;
                }
            }
        }
        }
        if (!taken) { // the check took every block: the module table changed under us
            formatMismatchText(block, true, text, sizeof text);
            host.showBankLoadError(text);
            return size;
        }
    }
    host.runBankClosingSteps();
    return size;
}

size_t loadBankChunk(BankChunkHost& host, const uint8_t* bytes, size_t size) {
    // No block at all is no bank: keep everything as it is.
    if (bytes == nullptr || size < BankChunkBlock::kHeaderSize)
        return 0;
    BankChunkBlock broken;
    if (!bankChunkAppliesWhole(host, bytes, size, 0, 0, broken)) {
        char text[96];
        formatMismatchText(broken, true, text, sizeof text);
        host.showBankLoadError(text);
        return 0;
    }
    host.beginBankLoad();
    const size_t read = readBankChunk(host, bytes, size, 0, 0, false);
    host.endBankLoad();
    return read;
}
