#pragma once
// A host text buffer of limit + 1 bytes with guard bytes on both sides, so a
// plug-in writing past the length it was given is caught, not just survived.
#include <string>
#include <vector>

namespace conformance {

class GuardedText {
public:
    explicit GuardedText(int limit);

    char* buffer() { return bytes_.data() + kGuardBytes; }
    // What went wrong, naming the request; empty when the text stayed inside.
    std::string fault(const std::string& request) const;
    std::string text() const;   // up to the terminator (or the whole area)

private:
    static constexpr int kGuardBytes = 32;
    static constexpr char kGuardValue = static_cast<char>(0xA5);
    int limit_;
    std::vector<char> bytes_;
};

} // namespace conformance
