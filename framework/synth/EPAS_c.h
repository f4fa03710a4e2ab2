#pragma once
// One entry of the host-parameter map: binds an entry index to a column of a
// module's parameter set and to a part. The plug-in class fills the entries
// when it opens; afterwards they are only read.
//
// Threads: set on the opening thread before any host, editor or audio call
// reads them; read from any thread afterwards.
// Ownership: the name is an owned copy; the target is borrowed (a module of
// the plug-in class that lives as long as the map).
#include <cstdint>
#include <memory>

class Part_c;
class Synth;

class EPAS_c {
public:
    // Called after each write from the host or controller road.
    using Callback = void (*)(Synth& synth, int32_t entry, Part_c* target, int32_t column);

    static constexpr int32_t kCurrentPart = -1;
    static constexpr int32_t kPartCodes = 1000;

    EPAS_c() = default;
    EPAS_c(const EPAS_c&) = delete;
    EPAS_c& operator=(const EPAS_c&) = delete;

    // All fields at once; a null name leaves the entry as it was. An empty
    // name is kept as none. partCode -1: the part current when used.
    void set(int32_t index, const char* name, bool composable, int32_t partCode, int32_t page, Part_c* target,
             int32_t column, bool hostLocked, int32_t tag = -1, Callback callback = nullptr);

    // An entry whose stored index differs from its position counts as unset.
    bool isSetAt(int32_t position) const { return index_ == position; }
    int32_t index() const { return index_; }
    const char* name() const { return name_ ? name_.get() : ""; }
    bool composable() const { return composable_; }
    int32_t part() const { return part_; }
    int32_t page() const { return page_; }
    // The part an entry is tied to, or -1 for the current part.
    int32_t fixedPart() const { return fixedPart_; }
    Part_c* target() const { return target_; }
    int32_t column() const { return column_; }
    bool hostLocked() const { return hostLocked_; }
    int32_t tag() const { return tag_; }
    Callback callback() const { return callback_; }

private:
    int32_t index_ = 0;
    std::unique_ptr<char[]> name_;
    bool composable_ = false;
    int32_t part_ = kCurrentPart;
    int32_t page_ = 0;
    int32_t fixedPart_ = -1;
    Part_c* target_ = nullptr;
    int32_t column_ = 0;
    bool hostLocked_ = false;
    int32_t tag_ = -1;
    Callback callback_ = nullptr;
};
