#include "engine/instrument/ColorNoise_c.h"

#include "framework/voice/InBuffer2.h"

void ColorNoise_c::defineParameters(ParaSet_c*& sharedSet, int rows) {
    if (!adoptSet(sharedSet, rows, kColumns))
        return;
    ParaSet_c& s = *set();
    s.columnDefinition(kVersion)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
    s.columnDefinition(kOffOn)->defineSwitch("OffOn", 1);
    s.columnDefinition(kLevel)->defineLevelDb("Level", -30, 6, 0, true);
    s.columnDefinition(kColor)->defineNumber("Color", "", 4.0f, 50, 3200, 2, 400);
    s.copyRowZeroToAll();
}

int ColorNoise_c::noteEvent(int row, Note_c note, bool reused, bool legato) {
    if (!(sampleRate() > 1.0f))
        return 0;
    Generator_c::noteEvent(row, note, reused, legato);
    if (!currentCells())
        return 0;
    const int r = currentRow();
    noise_.noteOn(getNoteFrequency(static_cast<float>(lastNote().key + 24)), sampleRate(), inverseSampleRate(),
                  getDisplayValue(r, kColor), getGain(r, kLevel), reused);
    return 0;
}

bool ColorNoise_c::render(int n) {
    float* out = nullptr;
    InBuffer2_c* bus = outputBus();
    if (!bus || !amplitude_ || !bus->getMonoWritePointer(&out, false, n))
        return false;
    noise_.render(out, n, amplitude_);
    bus->spreadMono();
    return false;
}
