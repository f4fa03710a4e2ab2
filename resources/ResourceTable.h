#pragma once
// The library's resources: files of resources/ compiled into the library
// (cmake/Resources.cmake), found by type and number or by type and name.
// Lookups are safe from any thread; the bytes live as long as the process.
#include <cstddef>
#include <cstdint>

namespace resources {

// One row of the compiled table; the table ends with a row whose type is null.
struct BuiltInResource {
    int number;            // -1 for resources found by name only
    const char* type;      // "PNG", "FONT"
    const char* name;      // the file name without its extension
    const unsigned char* begin;
    const unsigned char* end;
};

struct Bytes {
    const uint8_t* data = nullptr;
    size_t size = 0;
    explicit operator bool() const { return data != nullptr; }
};

Bytes findByNumber(const char* type, int number);
Bytes findByName(const char* type, const char* name);

// Tests put a table of their own in front of the compiled one for the life of
// the object (one at a time; set and cleared on the test's thread before and
// after the lookups it serves).
class ScopedExtraTable {
public:
    explicit ScopedExtraTable(const BuiltInResource* rows);
    ~ScopedExtraTable();
    ScopedExtraTable(const ScopedExtraTable&) = delete;
    ScopedExtraTable& operator=(const ScopedExtraTable&) = delete;
};

// The compiled table (generated source).
const BuiltInResource* builtInResources();

} // namespace resources
