#include "tests/conformance/support/GuardedText.h"

#include <algorithm>

namespace conformance {

GuardedText::GuardedText(int limit)
    : limit_(limit), bytes_(static_cast<std::size_t>(limit + 1 + 2 * kGuardBytes), kGuardValue) {
    std::fill(bytes_.begin() + kGuardBytes, bytes_.begin() + kGuardBytes + limit + 1, 0);
}

std::string GuardedText::fault(const std::string& request) const {
    for (int i = 0; i < kGuardBytes; ++i) {
        if (bytes_[static_cast<std::size_t>(i)] != kGuardValue) {
            return request + " wrote before the host's buffer";
        }
        if (bytes_[bytes_.size() - 1 - static_cast<std::size_t>(i)] != kGuardValue) {
            return request + " wrote past the host's buffer of " + std::to_string(limit_ + 1) + " bytes";
        }
    }
    const auto area = bytes_.begin() + kGuardBytes;
    if (std::find(area, area + limit_ + 1, 0) == area + limit_ + 1) {
        return request + " left no terminating zero within " + std::to_string(limit_ + 1) + " bytes";
    }
    return {};
}

std::string GuardedText::text() const {
    const auto area = bytes_.begin() + kGuardBytes;
    return std::string(area, std::find(area, area + limit_ + 1, 0));
}

} // namespace conformance
