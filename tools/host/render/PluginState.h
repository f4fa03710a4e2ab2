#pragma once
// The state steps of a render, on an opened plug-in: bank and preset chunks
// in and out, and --set. Each returns false with a one-line error.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/host/lib/FxpFile.h"
#include "tools/host/lib/PluginInstance.h"
#include "tools/host/render/Options.h"

namespace render {

// Reading the files is separate from giving them to the plug-in, so every
// input is checked before anything is loaded or written.
bool readBankFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Give a chunk to the plug-in, then an idle call so that a message the
// plug-in defers to its idle side is shown now, not whenever a timer fires.
// A chunk the plug-in answers 0 to, or reports an error box for while it
// loads, is refused: one line, the plug-in's own words included.
bool loadBank(vsthost::PluginInstance& plugin, const std::vector<uint8_t>& bytes, const std::string& path,
              std::string& error);
bool loadPreset(vsthost::PluginInstance& plugin, const kelvanti_host::ChunkPreset& preset, const std::string& path,
                std::string& error);

// The bytes of --save-bank (the bank chunk, raw) and --save-fxp (a preset file).
bool bankFileBytes(vsthost::PluginInstance& plugin, std::vector<uint8_t>& bytes, std::string& error);
bool presetFileBytes(vsthost::PluginInstance& plugin, std::vector<uint8_t>& bytes, std::string& error);

// Every setting in order; an unknown name, a unit that is not the
// parameter's or a value no display text can reach is an error naming the
// parameter's range. The indexes set are added to touched. A value past the
// numbers the display shows (-40 where they end at -24.0) takes the nearest
// end, and a line for notes says which.
bool applySettings(vsthost::PluginInstance& plugin, const std::vector<ParameterSetting>& settings,
                   std::vector<VstInt32>& touched, std::vector<std::string>& notes, std::string& error);

} // namespace render
