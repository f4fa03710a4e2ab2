#pragma once
// One command record, copied by value through the command rings.
// p and q carry either a value or a pointer, so they are pointer-sized in
// both builds (a 32-bit field would cut x86-64 pointers).
#include <cstdint>
#include <cstring>

struct HoldData_c {
    uint8_t code = 0;       // SynthCommand; 0 = no command
    int16_t a = 0;          // as a rule a part index
    int16_t b = 0;          // program, bank or parameter index
    int16_t c = 0;          // carried, read by no executor
    intptr_t p = 0;         // value or pointer
    intptr_t q = 0;         // value or pointer
    uint8_t midi[4] = {0, 0, 0, 0};  // status, data 1, data 2, 0

    bool identical(const HoldData_c& other) const {
        return code == other.code && a == other.a && b == other.b && c == other.c &&
               p == other.p && q == other.q && std::memcmp(midi, other.midi, sizeof midi) == 0;
    }

    template <typename T>
    T* pAs() const { return reinterpret_cast<T*>(p); }
    template <typename T>
    T* qAs() const { return reinterpret_cast<T*>(q); }
    static intptr_t fromPointer(const void* pointer) { return reinterpret_cast<intptr_t>(pointer); }
};
