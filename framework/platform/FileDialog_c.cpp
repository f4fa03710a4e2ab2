#include "framework/platform/FileDialog_c.h"

#include "framework/platform/EditorThread.h"
#include "framework/platform/MessageBoxes.h"
#include "os/PathText.h"
#include "framework/platform/Registry.h"
#include "os/Dialogs.h"
#include "os/FileSystem.h"

FileDialog_c::FileDialog_c(SynthServices* synth) : synth_(synth) {}

FileDialog_c::~FileDialog_c() {
    if (!lastFolder_.empty())
        storeLastFolder();
}

void FileDialog_c::setName(std::string_view registryName) {
    registryName_ = registryName.empty() ? std::string("FileDialog") : std::string(registryName);
}

void FileDialog_c::setTitle(std::string_view title) { title_ = title; }

void FileDialog_c::setFilter(std::string_view description, const std::vector<std::string>& patterns) {
    description_ = description;
    patterns_ = patterns.empty() ? std::vector<std::string>{"*.*"} : patterns;
}

void FileDialog_c::storeLastFolder() const { writeRegistryString(registryName_, lastFolder_); }

std::string FileDialog_c::run() {
    if (!synth_ || patterns_.empty())
        return std::string();
    std::string stored;
    if (readRegistryString(registryName_, stored) && !stored.empty())
        lastFolder_ = stored;
    if (!mayBlockForUser(title_.c_str()))
        return std::string(); // cancelled

    const std::vector<os::FileFilter> filters{{description_, patterns_}};
    std::string result;
    bool chosen = false;
    switch (mode_) {
    case kOpen:
        chosen = os::openFileDialog(title_, lastFolder_, filters, result);
        break;
    case kSave:
        chosen = os::saveFileDialog(title_, lastFolder_, "", filters, result);
        break;
    case kChooseFolder:
        chosen = os::chooseFolderDialog(title_, lastFolder_, result);
        break;
    }
    if (!chosen || result.empty())
        return std::string();

    if (mode_ == kSave) {
        // A name typed without extension gets the filter's ("*.MOD" → ".MOD").
        const std::string& pattern = patterns_.front();
        const std::string_view fileName = pathtext::fileNameOf(result);
        if (pattern.size() > 2 && pattern.compare(0, 2, "*.") == 0 && pattern != "*.*" &&
            fileName.find('.') == std::string_view::npos)
            result += pattern.substr(1);
        if (os::fileExists(result) && !askYesNo("Overwrite existing file ?", title_.c_str()))
            return std::string();
    }
    lastFolder_ = mode_ == kChooseFolder ? result : std::string(pathtext::folderOf(result));
    storeLastFolder();
    return result;
}
