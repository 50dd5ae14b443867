// SPDX-License-Identifier: MIT
#include "support/TempFolder.h"
#include "support/FileText.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

TTempFolder::TTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dxfi-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    Path_ = pattern + "/";
}

TTempFolder::~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(Path_, ignored);
}

std::string TTempFolder::WriteFile(const std::string& name, const std::string& text) const {
    std::string path = Path_ + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string TTempFolder::ReadFile(const std::string& path) {
    return testsupport::ReadWholeFile(path);
}
