#pragma once
// A plug-in base for the settings and file services: counts what they ask of
// it and answers like the real one (product "Kelvanti", rows below a limit
// have an instrument).
#include "framework/platform/ModuleManager_c.h"
#include "framework/platform/SynthServices.h"

#include <string>

class FakeSynth : public SynthServices {
public:
    std::string productName() const override { return product; }
    ModuleManager_c* moduleManager() override { return &modules; }
    bool beginRowLoad(Part_c&, int row) override {
        if (row < 0 || row >= instruments)
            return false;
        ++held;
        return true;
    }
    void endRowLoad(Part_c&, int) override { --held, ++loads; }
    void rowReplaced(Part_c&, int) override { ++replaced; }
    void refreshPartDisplay(Part_c&, int) override { ++refreshes; }

    std::string product = "Kelvanti";
    int instruments = 1;
    int held = 0;
    int loads = 0;
    int replaced = 0;
    int refreshes = 0;
    ModuleManager_c modules{this};
};
