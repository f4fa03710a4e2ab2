#pragma once
// A one-row settings set that belongs to the machine rather than to a
// project: kept in a registry value (name + suffix, e.g. "ZendrixSysGlo")
// and written back after every change, on the thread that made it (never
// the audio thread: the write is blocking file I/O).
#include "framework/model/Part_c.h"
#include "framework/settings/RegistrySet.h"

#include <atomic>
#include <string>
#include <string_view>

class SysGloBase_c : public Part_c {
public:
    SysGloBase_c(std::string_view name, std::string_view suffix);

    // Reads the stored value into row 0 once it exists; answers isLoaded.
    // A missing, unreadable or foreign value leaves the row as it is.
    virtual bool load();
    virtual bool isLoaded() const { return loaded_.load(std::memory_order_acquire); }

    // Loads first when not loaded yet. A value that only now appears (stored
    // by another instance after this one opened) must not undo the change
    // being made: the changed column (the whole row for -1) is re-applied
    // after that load. Then notifies and stores row 0 when it differs from
    // what the value holds. A column the plug-in itself fills in at every
    // open (isStoredColumn false) is only notified.
    void parameterChanged(int row, int column) override;

    const std::string& registryName() const { return value_.name(); }

protected:
    virtual bool isStoredColumn(int /*column*/) const { return true; }

private:
    RegistrySetValue value_;
    std::atomic<bool> loaded_{false};
};
