#pragma once
#include <string>

namespace render {

// The plug-in built beside this program: "<folder of /proc/self/exe>/Kelvanti.so".
// Empty when the program's own path cannot be read.
std::string defaultPluginPath();

} // namespace render
