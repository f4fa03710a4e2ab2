#pragma once
// One row of the plug-in base's registry of module objects: every instance of
// one module kind (e.g. the 24 oscillators), matched to bank and program chunk
// blocks by type identifier and instance. The registry holds up to 1024 rows.
#include <cstdint>

class ParaSet_c;
class Part_c;

struct ModuleTableRow {
    static constexpr int32_t kMaxRows = 1024;

    enum Kind : int32_t { kGlobal = 0, kPart = 1, kModule = 2 };

    Part_c** objects = nullptr;   // count objects; not owned
    int32_t second = -1;
    char typeId[5] = {' ', ' ', ' ', ' ', 0};
    int32_t instance = -1;
    int32_t count = 0;
    int32_t kind = kGlobal;
    ParaSet_c* owner = nullptr;   // the parameter set the row's objects share; not owned
};
