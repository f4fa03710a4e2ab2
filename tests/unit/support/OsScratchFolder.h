#pragma once
// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes away.
#include "os/Process.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

class OsScratchFolder {
public:
    OsScratchFolder() {
        static std::atomic<int> counter{0};
        path_ = (std::filesystem::temp_directory_path() /
                 ("kelvanti-os-" + std::to_string(os::currentProcessId()) + "-" + std::to_string(counter++)))
                    .string();
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~OsScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    OsScratchFolder(const OsScratchFolder&) = delete;
    OsScratchFolder& operator=(const OsScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Writes a file (folders created as needed) and answers its path.
    std::string write(const std::string& name, const std::string& content) const {
        const std::string file = *this / name;
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }

    static void touch(const std::string& file) { std::ofstream(file, std::ios::binary).flush(); }

private:
    std::string path_;
};
