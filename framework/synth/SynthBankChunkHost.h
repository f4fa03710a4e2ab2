#pragma once
// Synth's module table and program stores as the bank and program chunk code
// sees them. Made on the stack of a chunk call, under the plug-in's Lock_c.
#include "framework/synth/BankChunk.h"

class Synth;

class SynthBankChunkHost : public BankChunkHost {
public:
    explicit SynthBankChunkHost(Synth& synth) : synth_(synth) {}

    int moduleRowCount() const override;
    // Rows keep the kind they were registered with: the settings rows are
    // per-part program rows too, so a preset carries the settings its
    // parameters show (the bank also writes them in their fixed places).
    ChunkModuleRow moduleRow(int index) const override;
    // The parameter lock of the part that shares the set.
    os::RecursiveLock* setLock(const ParaSet_c* set) const override;

    int partCount() const override;
    int partProgramSlots() const override;
    int effectProgramSlots() const override { return 0; } // no effect units in this family
    ParaSet_c* globalSettingsSet() override;
    ParaSet_c* instrumentSettingsSet() override;
    ParaSet_c* tuningSet() override;
    ParaSet_c* controllerAssignmentSet() override;
    const MemC_c* capturedPartProgram(int slot) override;
    const MemC_c* capturedEffectProgram(int) override { return nullptr; }
    void loadPartProgram(int slot, const uint8_t* bytes, size_t size) override;
    void loadEffectProgram(int, const uint8_t*, size_t) override {}
    void beginBankLoad() override;
    void runBankClosingSteps() override;
    void endBankLoad() override;
    void showBankLoadError(const std::string& text) override;

private:
    Synth& synth_;
    bool blockedHere_ = false;
};
