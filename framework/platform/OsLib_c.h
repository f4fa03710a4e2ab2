#pragma once
// The operating-system layer object every part and tool carries; the services are free functions.
class OsLib_c { public: virtual ~OsLib_c() = default; };
