#pragma once
// The benchmark's table on the terminal and the same figures as CSV.
#include <string>
#include <vector>

#include "bench/Measure.h"

namespace bench {

void printTable(const std::vector<Summary>& rows);
// False when the file cannot be written.
bool writeCsv(const std::string& path, const std::vector<Summary>& rows);

} // namespace bench
