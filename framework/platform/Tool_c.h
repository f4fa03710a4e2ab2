#pragma once
#include "framework/platform/OsLib_c.h"
// Small polymorphic base of the service classes (lock, timer, disk).
class Tool_c { public: virtual ~Tool_c() = default; protected: OsLib_c os_; };
