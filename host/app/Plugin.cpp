// SPDX-License-Identifier: MIT
#include "host/app/Plugin.h"

#include "host/client/HostSystem.h"
#include "host/client/HostText.h"

#include <array>
#include <cstring>
#include <filesystem>

namespace dxfi::host {

std::string DecodeUtf16Le(const uint8_t* bytes, std::size_t size) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        char16_t unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) break;
        text += unit;
    }
    return Utf16ToUtf8(std::u16string_view(text));
}

TPlugin::TPlugin(const std::string& path) : Path_(path) {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::path(path), error))
        throw EPluginError("the import plug-in " + path +
                           " does not exist. Build it (cmake --build build --target dxfimport) "
                           "or name another with --plugin LIB.");
    // Resolve everything now, so that a missing host function shows here and not mid-import.
    std::string reason;
    Library_ = LoadPluginLibrary(path, reason);
    if (!Library_) {
        throw EPluginError("the import plug-in " + path + " cannot be loaded: " + reason +
                           ". Rebuild it for this host or name another with --plugin LIB.");
    }
    auto find = [&](const char* name) {
        void* symbol = FindPluginSymbol(Library_, name);
        if (!symbol)
            throw EPluginError("the library " + path +
                               " is not an import plug-in: it does not "
                               "export " +
                               std::string(name) + ". Name the plug-in with --plugin LIB.");
        return symbol;
    };
    Import_ = reinterpret_cast<abi::PFN_ImportFileIntoPcb>(find("ImportFileIntoPcb"));
    Describe_ =
        reinterpret_cast<abi::PFN_GetPcbImporterDescription>(find("GetPcbImporterDescription"));
    std::string source;
    DescriptionBytes_ = FindDescriptionBytes(Library_, source);
    if (!DescriptionBytes_)
        throw EPluginError("the library " + path + " is not an import plug-in: it does not " +
                           source + ". Name the plug-in with --plugin LIB.");
}

std::string TPlugin::Description() const {
    const char* text = Describe_();
    return text ? text : "";
}

std::string TPlugin::DescriptionResource() const {
    return DecodeUtf16Le(DescriptionBytes_, abi::kDescriptionSize);
}

uint8_t TPlugin::ImportFile(const std::string& fileName) const {
    if (fileName.size() > kMaxImportName)
        throw EPluginError("the drawing's path " + fileName + " is " +
                           std::to_string(fileName.size()) +
                           " bytes long; the plug-in takes at "
                           "most 255. Move the drawing to a folder with a shorter path.");
    std::array<uint8_t, 256> name{};
    name[0] = static_cast<uint8_t>(fileName.size());
    std::memcpy(name.data() + 1, fileName.data(), fileName.size());
    std::array<uint8_t, 256> second{};
    return Import_(name.data(), second.data(), 0);
}

} // namespace dxfi::host
