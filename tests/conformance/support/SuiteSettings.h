#pragma once
// What the suite runs against and how hard it pushes. Environment:
//   KELVANTI_CONFORMANCE_PLUGIN  plug-in library (default: the built Kelvanti.so)
//   KELVANTI_CONFORMANCE_SEED    seed of every random choice (default fixed, so runs repeat)
//   KELVANTI_CONFORMANCE_SCALE   "reduced" for slow flavours (emulated 32-bit, sanitizers)
#include <cstdint>
#include <string>
#include <vector>

namespace conformance {

std::string pluginPath();
std::uint32_t baseSeed();
bool reducedScale();

const std::vector<int>& gridSampleRates();
const std::vector<int>& gridBlockSizes();
// The block size the grid declares to the plug-in; larger grid blocks go beyond it.
constexpr int kDeclaredBlockSize = 512;

} // namespace conformance
