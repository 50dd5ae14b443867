// SPDX-License-Identifier: MIT
#include "plugin/ProductFolder.h"

#include "pcbimport/SettingsStore.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Registry.h"

namespace dxfi {

namespace {

constexpr const char* kSection = "Preference Location";
constexpr const char* kValue = "Application";

} // namespace

std::string DetermineProductFolder() {
    platform::TRegistryKey key;
    if (key.Open(platform::hkCurrentUser, std::string("Software\\Corvane2004\\") + kSection,
                 false)) {
        std::string folder;
        if (key.ReadText(kValue, folder) && !folder.empty()) return "\\" + folder;
    }
    const std::string iniPath =
        platform::ExecutableFolder() + "System" + platform::kPathDelimiter + "PrefFolder.ini";
    if (platform::FileExists(iniPath)) {
        const TIniSettingsStore ini(iniPath);
        const std::string folder = ini.ReadString(kSection, kValue, "");
        if (!folder.empty()) return "\\" + folder;
    }
    return kDefaultProductFolder;
}

const std::string& PluginProductFolder() {
    static const std::string folder = DetermineProductFolder();
    return folder;
}

} // namespace dxfi
