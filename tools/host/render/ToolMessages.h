#pragma once
// What kelvanti-render tells its user: one line each on standard error,
// "kelvanti-render: " first, control bytes escaped.
#include <string>

namespace render {

void tellUser(const std::string& line);

// tellUser(error), then the exit code of a command that failed.
int fail(const std::string& error);

} // namespace render
