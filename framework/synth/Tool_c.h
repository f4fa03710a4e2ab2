#pragma once
// Small polymorphic base of the service classes (the lock, the timer and others).
#include "framework/platform/OsLib_c.h"

class Tool_c {
public:
    virtual ~Tool_c() = default;

protected:
    OsLib_c osLib_;
};
