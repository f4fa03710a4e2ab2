#pragma once
// The operating-system layer object that several classes carry as a member.
// It holds nothing: the services themselves are free functions in os/.

class OsLib_c { public: virtual ~OsLib_c() = default; };
