#include "resources/ResourceTable.h"

#include <atomic>
#include <cstring>
#include <initializer_list>

namespace resources {
namespace {

std::atomic<const BuiltInResource*> extraTable{nullptr};

Bytes bytesOf(const BuiltInResource& row) {
    return Bytes{row.begin, static_cast<size_t>(row.end - row.begin)};
}

template <typename Match>
Bytes find(const char* type, Match match) {
    for (const BuiltInResource* table : {extraTable.load(), builtInResources()}) {
        if (!table) continue;
        for (const BuiltInResource* row = table; row->type; ++row) {
            if (std::strcmp(row->type, type) == 0 && match(*row)) return bytesOf(*row);
        }
    }
    return {};
}

} // namespace

Bytes findByNumber(const char* type, int number) {
    if (!type) return {};
    return find(type, [number](const BuiltInResource& row) { return row.number == number && number >= 0; });
}

Bytes findByName(const char* type, const char* name) {
    if (!type || !name) return {};
    return find(type, [name](const BuiltInResource& row) { return std::strcmp(row.name, name) == 0; });
}

ScopedExtraTable::ScopedExtraTable(const BuiltInResource* rows) { extraTable.store(rows); }
ScopedExtraTable::~ScopedExtraTable() { extraTable.store(nullptr); }

} // namespace resources
