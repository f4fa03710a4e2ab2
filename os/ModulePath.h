#pragma once
// Where the plug-in library lives (GetModuleFileName on Windows), through
// dladdr on a function of the library, and the data folder beside it.
#include <string>

namespace os {

// Full path of the shared object holding this code, as the host named it
// (a symbolic link stays a link; "" when unknown).
std::string modulePath();
// Its folder, without a trailing '/'.
std::string moduleFolder();
// Where "KelvantiPresets", "Kelvanti Banks", "NoteFreqTables" and "KelvantiMod"
// live, always absolute: KELVANTI_DATA_DIR when set (a relative one taken
// against the working folder, so stored paths never depend on it); else the
// folder of the library's real file (links resolved) when it holds one of
// them, else the folder of the name the host loaded it by when that does (a
// plug-in linked into ~/.vst finds its data either way), else the real file's
// folder.
std::string dataFolder();

// Reads an environment variable ("" when unset). Any thread; no side effects.
std::string environment(const char* name);

} // namespace os
