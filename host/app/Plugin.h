// SPDX-License-Identifier: MIT
// An import plug-in loaded as the editor loads one: the library, its description export and
// its DESCRIPTION bytes, and the import entry. Stays loaded for the life of the process.
#pragma once

#include "abi/PluginApi.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace dxfi::host {

// A plug-in that cannot be used; the message names the library and says what to do.
class EPluginError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Longest file name the import entry takes (one length byte).
inline constexpr std::size_t kMaxImportName = 255;

class TPlugin {
public:
    // Loads the library and finds its three exports; throws EPluginError.
    explicit TPlugin(const std::string& path);
    TPlugin(const TPlugin&) = delete;
    TPlugin& operator=(const TPlugin&) = delete;

    const std::string& Path() const { return Path_; }
    // What GetPcbImporterDescription answers.
    std::string Description() const;
    // The DESCRIPTION bytes decoded from UTF-16LE up to the first 16-bit zero.
    std::string DescriptionResource() const;

    // Calls the import entry with the name as a length-prefixed string; throws EPluginError
    // for a name over kMaxImportName bytes. Answers what the plug-in answered.
    uint8_t ImportFile(const std::string& fileName) const;

private:
    std::string Path_;
    void* Library_ = nullptr;
    abi::PFN_ImportFileIntoPcb Import_ = nullptr;
    abi::PFN_GetPcbImporterDescription Describe_ = nullptr;
    const uint8_t* DescriptionBytes_ = nullptr;
};

// UTF-8 of UTF-16LE bytes, up to the first 16-bit zero (a trailing odd byte is ignored).
std::string DecodeUtf16Le(const uint8_t* bytes, std::size_t size);

} // namespace dxfi::host
