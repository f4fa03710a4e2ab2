#include "framework/settings/SysGloBase_c.h"

#include "framework/settings/RegistrySet.h"

#include <mutex>
#include <vector>

SysGloBase_c::SysGloBase_c(std::string_view name, std::string_view suffix)
    : value_(std::string(name) + std::string(suffix)) {}

bool SysGloBase_c::load() {
    if (!set())
        return false;
    if (value_.read(*this, 0))
        loaded_.store(true, std::memory_order_release);
    return isLoaded();
}

void SysGloBase_c::parameterChanged(int row, int column) {
    if (column >= 0 && !isStoredColumn(column)) {
        Part_c::parameterChanged(row, column);
        return;
    }
    if (set() && !isLoaded()) {
        using Guard = std::lock_guard<os::RecursiveLock>;
        // What the caller just wrote: the column's cell, or the whole row.
        Parameter_c changedCell;
        std::vector<uint8_t> changedRow;
        size_t rowSize = 0;
        {
            Guard guard(parameterLock());
            if (const Parameter_c* cell = set()->cell(0, column)) {
                changedCell.copyFrom(*cell);
            } else {
                changedRow.resize(set()->getChunkSize(0));
                rowSize = set()->writeChunk(changedRow.data(), changedRow.size(), 0);
            }
        }
        if (load()) {
            Guard guard(parameterLock());
            if (Parameter_c* cell = set()->cell(0, column))
                cell->copyFrom(changedCell);
            else if (rowSize > 0)
                set()->readChunk(changedRow.data(), rowSize, 0);
        }
    }
    Part_c::parameterChanged(row, column);
    value_.write(*this, 0);
}
