#pragma once
// What the replaced functions report to (internal to the watch sources).
// Both calls are cheap and never allocate; they count only on armed threads.
#include <cstddef>

namespace vsthost::watch_detail {

void noteAllocation(std::size_t bytes);
void noteLoaderCall();

} // namespace vsthost::watch_detail
