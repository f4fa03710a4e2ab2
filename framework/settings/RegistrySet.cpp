#include "framework/settings/RegistrySet.h"

#include "framework/model/ChunkWords.h"
#include "framework/model/Part_c.h"
#include "framework/platform/Registry.h"
#include "os/Process.h"

#include <new>

namespace {

// The row as its set chunk; empty when it cannot be written.
std::vector<uint8_t> rowBytes(const Part_c& part, int row) {
    std::vector<uint8_t> bytes;
    const std::size_t capacity = part.getChunkSize(row) + 1;
    if (capacity <= ParaSet_c::kChunkHeaderSize)
        return bytes;
    try {
        bytes.resize(capacity);
    } catch (const std::bad_alloc&) {
        return {};
    }
    bytes.resize(part.writeChunk(row, bytes.data(), bytes.size()));
    return bytes;
}

} // namespace

bool readSetBlob(Part_c& part, const uint8_t* bytes, std::size_t size, int row) {
    if (!part.set() || !bytes || size < ParaSet_c::kChunkHeaderSize)
        return false;
    if (static_cast<SetTypeId>(getChunkWord(bytes)) != part.getTypeId())
        return false;
    return part.readChunk(bytes, size, row) > 0;
}

bool RegistrySetValue::read(Part_c& part, int row) {
    std::lock_guard<std::mutex> guard(mutex_);
    return readLocked(part, row, false);
}

bool RegistrySetValue::readIfNew(Part_c& part, int row) {
    std::lock_guard<std::mutex> guard(mutex_);
    return readLocked(part, row, true);
}

bool RegistrySetValue::readLocked(Part_c& part, int row, bool onlyNew) {
    if (!part.set())
        return false;
    std::vector<uint8_t> bytes;
    os::RegistryValueState userValue = os::RegistryValueState::Missing;
    const bool found = readRegistryHex(name_, bytes, userValue);
    if (userValue == os::RegistryValueState::Unreadable)
        unusable_ = Unusable::Unreadable;
    if (!found)
        return false;
    if (onlyNew && synced_ && bytes == syncedRow_)
        return false;
    if (!readSetBlob(part, bytes.data(), bytes.size(), row)) {
        if (userValue == os::RegistryValueState::Read)
            unusable_ = Unusable::Unparsable;
        return false;
    }
    if (userValue == os::RegistryValueState::Read)
        unusable_ = Unusable::None;
    syncedRow_ = rowBytes(part, row);
    synced_ = !syncedRow_.empty();
    return true;
}

bool RegistrySetValue::moveUnusableAside() {
    if (unusable_ == Unusable::None)
        return true;
    const bool unreadable = unusable_ == Unusable::Unreadable;
    std::string movedTo;
    if (!moveRegistryValueAside(name_, unreadable ? ".unreadable" : ".unparsable", movedTo)) {
        os::printNotice("Kelvanti: the settings value \"" + name_ + "\" could not be " +
                        (unreadable ? "read" : "parsed") + " nor moved aside; it is left as it is");
        return false;
    }
    os::printNotice("Kelvanti: the settings value \"" + name_ + "\" could not be " +
                    (unreadable ? "read" : "parsed") + "; it was moved to \"" + movedTo + "\"");
    unusable_ = Unusable::None;
    return true;
}

bool RegistrySetValue::write(const Part_c& part, int row, bool force) {
    std::lock_guard<std::mutex> guard(mutex_);
    const std::vector<uint8_t> bytes = rowBytes(part, row);
    if (bytes.size() < ParaSet_c::kChunkHeaderSize)
        return false;
    if (!force && synced_ && bytes == syncedRow_)
        return true; // the value holds it already
    if (!moveUnusableAside())
        return false;
    if (!writeRegistryHex(name_, bytes.data(), bytes.size()))
        return false;
    syncedRow_ = bytes;
    synced_ = true;
    return true;
}
