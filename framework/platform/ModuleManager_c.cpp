#include "framework/platform/ModuleManager_c.h"

#include "framework/model/ChunkWords.h"
#include "framework/model/Part_c.h"
#include "framework/platform/Disk_c.h"
#include "framework/platform/SynthServices.h"

#include <string>

ModuleManager_c::ModuleManager_c(SynthServices* synth) : synth_(synth), dialog_(synth) {}

void ModuleManager_c::run(Part_c* part, int row, int command, const char* moduleName) {
    if (!synth_ || !part || !moduleName || moduleName[0] == '\0')
        return;
    const std::string product = synth_->productName();
    if (product.empty())
        return;
    const std::string module(moduleName);
    dialog_.setName(product + "_MOD_" + module);
    dialog_.setTitle(module + " Module Parameters");
    dialog_.setFilter(module, {"*.MOD"});
    switch (command) {
    case kLoad:
        dialog_.setMode(FileDialog_c::kOpen);
        loadFile(*part, dialog_.run(), row);
        break;
    case kSave:
        dialog_.setMode(FileDialog_c::kSave);
        saveFile(*part, dialog_.run(), row);
        return;
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

bool ModuleManager_c::loadFile(Part_c& part, std::string_view path, int row) {
    Disk_c disk;
    if (!synth_ || path.empty() || !part.set() || !disk.openRead(path))
        return false;
    const std::size_t fileSize = disk.size();
    uint8_t header[ParaSet_c::kChunkHeaderSize];
    if (fileSize < sizeof header || disk.read(header, sizeof header) != sizeof header)
        return false;
    const uint32_t length = getChunkWord(header + 4);
    if (static_cast<SetTypeId>(getChunkWord(header)) != part.getTypeId() || length < sizeof header ||
        length > kWorkBufferSize || length > fileSize)
        return false;
    std::vector<uint8_t> chunk(header, header + sizeof header);
    chunk.resize(length);
    if (disk.read(chunk.data() + sizeof header, length - sizeof header) != length - sizeof header)
        return false;
    if (!synth_->beginRowLoad(part, row))
        return false;
    part.readChunk(chunk.data(), chunk.size(), row);
    part.parameterChanged(row, -1);
    synth_->endRowLoad(part, row);
    return true;
}

bool ModuleManager_c::saveFile(Part_c& part, std::string_view path, int row) {
    if (path.empty())
        return false;
    std::vector<uint8_t> buffer(part.getChunkSize(row));
    const std::size_t size = part.writeChunk(row, buffer.data(), buffer.size());
    Disk_c disk;
    if (size == 0 || !disk.openWrite(path) || !disk.write(buffer.data(), size))
        return false;
    return disk.close();
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
