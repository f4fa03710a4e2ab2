#pragma once
// Running kelvanti-render from tests, in a scratch folder of their own.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/host/lib/Process.h"
#include "tools/host/lib/WavReader.h"
#include "tests/host/support/ScratchFolder.h"

namespace render_run {

// Standard error without the progress lines a render logs once it has run a
// few seconds (slow flavours: sanitizers, the emulator), so tests see only
// what the tool has to say.
inline std::string withoutProgress(const std::string& err) {
    std::string kept;
    size_t start = 0;
    while (start < err.size()) {
        size_t end = err.find('\n', start);
        end = end == std::string::npos ? err.size() : end + 1;
        static const std::string progress = "kelvanti-render: rendering ";
        if (err.compare(start, progress.size(), progress) != 0) kept.append(err, start, end - start);
        start = end;
    }
    return kept;
}

// asUser: put before everything ("setpriv", "--reuid=N", ..., "--"), or empty.
inline vsthost::ProcessResult runRender(const std::vector<std::string>& args,
                                        const std::vector<std::string>& asUser = {}) {
    std::vector<std::string> argv = asUser;
    for (const std::string& part : vsthost::splitCommandPrefix(KELVANTI_EXEC_WRAPPER)) argv.push_back(part);
    argv.push_back(KELVANTI_RENDER_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    vsthost::ProcessResult result = vsthost::runProcess(argv);
    result.err = withoutProgress(result.err);
    return result;
}

// Runs kelvanti-render, which must succeed, and answers the left channel of
// the WAV it wrote to wavPath (empty, with the test failed, when it did not).
inline std::vector<float> renderLeftChannel(const std::vector<std::string>& args, const std::string& wavPath,
                                            std::string& failure) {
    const vsthost::ProcessResult result = runRender(args);
    std::vector<float> left;
    if (result.exitCode != 0) {
        failure = "exit code " + std::to_string(result.exitCode) + ": " + result.err;
        return left;
    }
    kelvanti_host::WavAudio audio;
    if (!kelvanti_host::readWav(wavPath, audio, failure)) return left;
    for (std::size_t i = 0; i < audio.frames(); ++i) left.push_back(audio.sample(i, 0));
    return left;
}

// The peak a render's summary line reports, in dBFS (1e9 when it has none).
inline double summaryPeak(const std::string& line) {
    const std::size_t at = line.find(", peak ");
    return at == std::string::npos ? 1e9 : std::atof(line.c_str() + at + 7);
}

inline int lineCount(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n' ? 1 : 0;
    return lines;
}

inline bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace render_run
