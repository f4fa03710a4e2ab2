#pragma once
// Channel buffers and the pointer table a process call takes.
#include <cstddef>
#include <vector>

namespace vsthost {

template <typename Sample>
class AudioBuffersOf {
public:
    AudioBuffersOf(int channels, int frames) { resize(channels, frames); }

    void resize(int channels, int frames) {
        channels_ = channels > 0 ? channels : 0;
        frames_ = frames > 0 ? frames : 0;
        data_.assign(static_cast<std::size_t>(channels_), std::vector<Sample>(static_cast<std::size_t>(frames_)));
        pointers_.assign(static_cast<std::size_t>(channels_) + 1, nullptr);   // never an empty table
        for (int c = 0; c < channels_; ++c) pointers_[static_cast<std::size_t>(c)] = data_[static_cast<std::size_t>(c)].data();
    }
    void fill(Sample value) {
        for (auto& channel : data_) channel.assign(channel.size(), value);
    }

    int channels() const { return channels_; }
    int frames() const { return frames_; }
    Sample** pointers() { return pointers_.data(); }
    std::vector<Sample>& channel(int c) { return data_.at(static_cast<std::size_t>(c)); }
    const std::vector<Sample>& channel(int c) const { return data_.at(static_cast<std::size_t>(c)); }

private:
    int channels_ = 0;
    int frames_ = 0;
    std::vector<std::vector<Sample>> data_;
    std::vector<Sample*> pointers_;
};

using AudioBuffers = AudioBuffersOf<float>;
using AudioBuffersDouble = AudioBuffersOf<double>;

} // namespace vsthost
