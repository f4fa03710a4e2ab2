#include "tools/host/render/ToolMessages.h"

#include <cstdio>

#include "os/PrintableText.h"

namespace render {

void tellUser(const std::string& line) {
    std::fprintf(stderr, "kelvanti-render: %s\n", os::printableText(line).c_str());
}

int fail(const std::string& error) {
    tellUser(error);
    return 1;
}

} // namespace render
