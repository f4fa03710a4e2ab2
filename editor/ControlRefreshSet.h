#pragma once
// The controls waiting to be redrawn: one bit per control index and a
// refresh-all flag. Marking is lock-free and allocation-free, so any thread
// may mark (host automation, the timer's idle drain, the audio thread);
// only the editor's thread drains. A mark that makes more than
// kDistinctLimit distinct indexes wait turns the next drain into one full
// redraw instead.
#include <atomic>
#include <cstdint>

namespace editor {

class ControlRefreshSet {
public:
    static constexpr int32_t kCapacity = 8192;     // control indexes 0..8191
    static constexpr int32_t kDistinctLimit = 64;

    ControlRefreshSet();

    // Any thread. Indexes outside 0..kCapacity-1 are ignored.
    void mark(int32_t index);
    void markAll() { refreshAll_.store(true, std::memory_order_release); }
    bool pending() const;

    // Editor thread. Takes what waits: calls all() once when a full redraw
    // is due (every bit is cleared then), else each(index) for every marked
    // index from the highest to the lowest. A mark made during the drain
    // stays for the next one unless the drain took it already.
    template <typename Each, typename All>
    void drain(Each each, All all) {
        if (refreshAll_.exchange(false, std::memory_order_acq_rel)) {
            clearBits();
            all();
            return;
        }
        for (int32_t w = kWords - 1; w >= 0; --w) {
            uint64_t bits = words_[w].exchange(0, std::memory_order_acq_rel);
            if (!bits) continue;
            distinct_.fetch_sub(popcount(bits), std::memory_order_acq_rel);
            while (bits) {
                const int32_t bit = 63 - __builtin_clzll(bits);
                bits &= ~(uint64_t{1} << bit);
                each(w * 64 + bit);
            }
        }
    }
    // Forgets everything (editor closed).
    void clear();

private:
    static constexpr int32_t kWords = kCapacity / 64;
    static int32_t popcount(uint64_t bits) { return __builtin_popcountll(bits); }
    void clearBits();

    std::atomic<uint64_t> words_[kWords];
    std::atomic<int32_t> distinct_{0};
    std::atomic<bool> refreshAll_{false};
};

} // namespace editor
