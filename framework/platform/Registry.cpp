#include "framework/platform/Registry.h"

#include "framework/platform/RegistryHex.h"
#include "os/Registry.h"

#include <cstring>

bool readRegistryString(const std::string& valueName, char* buffer, std::size_t bufferSize) {
    if (buffer == nullptr || bufferSize == 0)
        return false;
    buffer[0] = '\0';
    std::string text;
    if (!os::registryRead(valueName, text, bufferSize - 1))
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

bool readRegistryString(const std::string& valueName, std::string& text) {
    text.clear();
    return os::registryRead(valueName, text);
}

bool writeRegistryString(const std::string& valueName, const std::string& text) {
    return os::registryWrite(valueName, text);
}

bool readRegistryHex(const std::string& valueName, std::vector<uint8_t>& bytes) {
    os::RegistryValueState userValue;
    return readRegistryHex(valueName, bytes, userValue);
}

bool readRegistryHex(const std::string& valueName, std::vector<uint8_t>& bytes, os::RegistryValueState& userValue) {
    std::string text;
    if (!os::registryRead(valueName, text, kRegistryHexReadBuffer - 1, userValue))
        return false;
    bytes = decodeRegistryHex(text);
    return true;
}

bool moveRegistryValueAside(const std::string& valueName, const std::string& suffix, std::string& movedTo) {
    return os::registryMoveAside(valueName, suffix, movedTo);
}

bool writeRegistryHex(const std::string& valueName, const uint8_t* bytes, std::size_t count) {
    if (count > kRegistryHexMaxBytes || (bytes == nullptr && count > 0))
        return false;
    return os::registryWrite(valueName, encodeRegistryHex(bytes, count));
}
