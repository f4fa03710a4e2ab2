#pragma once
// Where the plug-in library lives (GetModuleFileName on Windows), through
// dladdr on a function of the library, and the data folder beside it.
#include <string>

namespace os {

// Full path of the shared object holding this code ("" when unknown).
std::string modulePath();
// Its folder, without a trailing '/'.
std::string moduleFolder();
// Where "KelvantiPresets", "Kelvanti Banks/Diverse", "NoteFreqTables" and
// "KelvantiMod" live: KELVANTI_DATA_DIR when set, else the module folder.
std::string dataFolder();

// Reads an environment variable ("" when unset). Any thread; no side effects.
std::string environment(const char* name);

} // namespace os
