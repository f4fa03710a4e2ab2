#pragma once
// A fixed render with a fixed random seed, reduced to a checksum of its
// sample bits: any change of the engine's output changes it, so it guards
// bit-exactness while the engine is being made faster.
#include <cstdint>
#include <string>

namespace bench {

// False with error when the plug-in cannot be loaded. peak: the largest
// sample magnitude, so a silent render is not taken for a sound one.
bool fixedRenderChecksum(const std::string& pluginPath, std::uint64_t& checksum, float& peak, std::string& error);

} // namespace bench
