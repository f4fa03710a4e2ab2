#pragma once
// One controller assignment in plain form (the set 'ECS2' stores 128).
#include <cstdint>

struct CCAss_c {
    int32_t controller = 0; // decoded controller number (NRPN numbers included)
    int32_t target = 0;     // host parameter index; negative = inverted
    float minPar = 0.0f;    // normalised parameter range
    float maxPar = 1.0f;
    int32_t minCC = 0;      // controller value range
    int32_t maxCC = 127;
    int32_t instrument = -1;
    int32_t channel = 0;
    int32_t curve = 0;      // stored and exchanged, not applied
    int32_t mode = 0;       // 0 unused; above 0 active
};
