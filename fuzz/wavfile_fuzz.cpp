// Feeds arbitrary bytes to the WAV reader: it must refuse or return whole frames.
#include "tools/host/lib/WavReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kelvanti_host::WavAudio audio;
    std::string error;
    if (!kelvanti_host::parseWav(data, size, audio, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    if (audio.channels <= 0 || audio.samples.size() % static_cast<size_t>(audio.channels) != 0) __builtin_trap();
    return 0;
}
