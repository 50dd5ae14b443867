// SPDX-License-Identifier: MIT
// A file written into its own temporary folder, removed with the object: drawings and other
// inputs that tests hand to code taking a path.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace testsupport {

class TTempFile {
public:
    explicit TTempFile(const std::string& bytes, const std::string& name = "drawing.dxf") {
        static int counter = 0;
        Dir_ = std::filesystem::temp_directory_path() /
               ("dxfi_file_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(Dir_);
        Path_ = (Dir_ / name).string();
        std::ofstream(Path_, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~TTempFile() { std::filesystem::remove_all(Dir_); }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    const std::string& Path() const { return Path_; }

private:
    std::filesystem::path Dir_;
    std::string Path_;
};

} // namespace testsupport
