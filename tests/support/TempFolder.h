// SPDX-License-Identifier: MIT
// A fresh folder under the temporary folder for one test, removed with everything in it.
#pragma once

#include <string>

class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // The folder's path with a trailing "/".
    const std::string& Path() const { return Path_; }
    // Writes `text` to Path() + name and returns that path.
    std::string WriteFile(const std::string& name, const std::string& text) const;
    // The content of a file, "" when it cannot be read.
    static std::string ReadFile(const std::string& path);

private:
    std::string Path_;
};
