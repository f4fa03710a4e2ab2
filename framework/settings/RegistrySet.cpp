#include "framework/settings/RegistrySet.h"

#include "framework/model/ChunkWords.h"
#include "framework/model/Part_c.h"
#include "framework/platform/Registry.h"

#include <new>
#include <vector>

bool readSetBlob(Part_c& part, const uint8_t* bytes, std::size_t size, int row) {
    if (!part.set() || !bytes || size < ParaSet_c::kChunkHeaderSize)
        return false;
    if (static_cast<SetTypeId>(getChunkWord(bytes)) != part.getTypeId())
        return false;
    return part.readChunk(bytes, size, row) > 0;
}

bool readSetFromRegistry(Part_c& part, const std::string& valueName, int row) {
    std::vector<uint8_t> bytes;
    if (!part.set() || !readRegistryHex(valueName, bytes))
        return false;
    return readSetBlob(part, bytes.data(), bytes.size(), row);
}

bool storeSetToRegistry(const Part_c& part, const std::string& valueName, int row) {
    const std::size_t capacity = part.getChunkSize(row) + 1;
    if (capacity <= ParaSet_c::kChunkHeaderSize)
        return false;
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(capacity);
    } catch (const std::bad_alloc&) {
        return false; // no store without memory
    }
    const std::size_t written = part.writeChunk(row, buffer.data(), buffer.size());
    return written > 0 && writeRegistryHex(valueName, buffer.data(), written);
}
