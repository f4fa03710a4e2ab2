#include "framework/platform/ModuleManager_c.h"

#include "framework/model/ChunkWords.h"
#include "framework/model/Part_c.h"
#include "framework/platform/Disk_c.h"
#include "framework/platform/MessageBoxes.h"
#include "framework/platform/SynthServices.h"

#include <algorithm>
#include <string>

ModuleManager_c::ModuleManager_c(SynthServices* synth) : synth_(synth), dialog_(synth) {}

void ModuleManager_c::run(Part_c* part, int row, int command, const char* moduleName) {
    if (!synth_ || !part || !moduleName || moduleName[0] == '\0')
        return;
    const std::string product = synth_->productName();
    if (product.empty())
        return;
    const std::string module(moduleName);
    if (command == kLoad || command == kSave)
        synth_->moduleFilePath(moduleName);
    dialog_.setName(product + "_MOD_" + module);
    dialog_.setTitle(module + " Module Parameters");
    dialog_.setFilter(module, {"*.MOD"});
    switch (command) {
    case kLoad:
        dialog_.setMode(FileDialog_c::kOpen);
        loadFile(*part, dialog_.run(), row);
        break;
    case kSave: {
        dialog_.setMode(FileDialog_c::kSave);
        const std::string path = dialog_.run();
        std::string reason;
        if (!path.empty() && !saveFile(*part, path, row, &reason))
            showSaveError("This module file", path, reason);
        return;
    }
    case kCopy:
        copy(*part, row);
        return;
    case kPaste:
        paste(*part, row);
        break;
    case kReset:
        part->resetParameters();
        break;
    default:
        return;
    }
    synth_->refreshPartDisplay(*part, row);
}

std::size_t ModuleManager_c::moduleChunkLength(const uint8_t* bytes, std::size_t size, SetTypeId id) {
    if (!bytes || size < ParaSet_c::kChunkHeaderSize || static_cast<SetTypeId>(getChunkWord(bytes)) != id)
        return 0;
    const uint32_t length = getChunkWord(bytes + 4);
    if (length < ParaSet_c::kChunkHeaderSize || length > kWorkBufferSize || length > size)
        return 0;
    return length;
}

bool ModuleManager_c::loadFile(Part_c& part, std::string_view path, int row) {
    Disk_c disk;
    if (!synth_ || path.empty() || !part.set() || !disk.openRead(path))
        return false;
    // Word 1 is never trusted: at most the work buffer, and all of it present.
    std::vector<uint8_t> chunk(std::min(disk.size(), kWorkBufferSize));
    chunk.resize(disk.read(chunk.data(), chunk.size()));
    const std::size_t length = moduleChunkLength(chunk.data(), chunk.size(), part.getTypeId());
    if (length == 0 || !synth_->beginRowLoad(part, row))
        return false;
    part.readChunk(chunk.data(), length, row);
    part.parameterChanged(row, -1);
    synth_->endRowLoad(part, row);
    return true;
}

bool ModuleManager_c::saveFile(Part_c& part, std::string_view path, int row, std::string* reason) {
    if (path.empty())
        return false;
    std::vector<uint8_t> buffer(part.getChunkSize(row));
    const std::size_t size = part.writeChunk(row, buffer.data(), buffer.size());
    if (size == 0) {
        if (reason)
            *reason = "the module has no parameters to save";
        return false;
    }
    Disk_c disk;
    if (!disk.openWrite(path) || !disk.write(buffer.data(), size) || !disk.close()) {
        if (reason)
            *reason = disk.errorText();
        return false;
    }
    return true;
}

bool ModuleManager_c::copy(Part_c& part, int row) {
    const std::size_t needed = part.getChunkSize(row);
    if (needed == 0 || needed >= kClipboardSize)
        return false;
    std::vector<uint8_t> buffer(needed);
    const std::size_t size = part.writeChunk(row, buffer.data(), buffer.size());
    if (size == 0)
        return false;
    buffer.resize(size);
    clipboard_.swap(buffer);
    return true;
}

bool ModuleManager_c::paste(Part_c& part, int row) {
    if (clipboard_.size() < ParaSet_c::kChunkHeaderSize || !part.set() ||
        static_cast<SetTypeId>(getChunkWord(clipboard_.data())) != part.getTypeId())
        return false;
    part.readChunk(clipboard_.data(), clipboard_.size(), row);
    if (synth_)
        synth_->rowReplaced(part, row);
    return true;
}
