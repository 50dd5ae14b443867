// SPDX-License-Identifier: MIT
#include "pcbimport/RegistrySettingsStore.h"

#include "base/TextCompare.h"

namespace dxfi {

std::string SettingsRootKey(std::string_view productFolder) {
    return "Software" + std::string(productFolder) + "\\Lumora" + "\\Preferences\\" + "Drenvik";
}

TRegistrySettingsStore::TRegistrySettingsStore(std::string rootKey, platform::THive hive)
    : RootKey_(std::move(rootKey)), Hive_(hive) {}

platform::TRegistryKey* TRegistrySettingsStore::Section(std::string_view section,
                                                        bool create) const {
    auto open = [&](platform::TRegistryKey& key, const std::string& name) {
        const bool opened = key.Open(Hive_, RootKey_ + "\\" + name, create);
        if (ReadProblem_.empty()) ReadProblem_ = platform::HiveReadProblem(Hive_);
        return opened;
    };
    for (auto& [name, key] : Sections_)
        if (CompareNoCase(name, section) == 0) {
            if (key->IsOpen() || (create && open(*key, name))) return key.get();
            return nullptr;
        }
    auto key = std::make_unique<platform::TRegistryKey>();
    open(*key, std::string(section));
    Sections_.emplace_back(std::string(section), std::move(key));
    return Sections_.back().second->IsOpen() ? Sections_.back().second.get() : nullptr;
}

bool TRegistrySettingsStore::ValueExists(std::string_view section, std::string_view key) const {
    const auto* k = Section(section, false);
    return k && k->ValueExists(key);
}

bool TRegistrySettingsStore::Read(std::string_view section, std::string_view key,
                                  TValue& value) const {
    const auto* k = Section(section, false);
    if (!k) return false;
    uint32_t dword = 0;
    if (k->ReadDword(key, dword)) {
        value.IsInteger = true;
        value.Integer = static_cast<int32_t>(dword);
        return true;
    }
    return k->ReadText(key, value.Text);
}

void TRegistrySettingsStore::Write(std::string_view section, std::string_view key,
                                   const TValue& value) {
    auto* k = Section(section, true);
    if (!k) return;
    if (!value.IsInteger)
        k->WriteText(key, value.Text);
    else if (k->ValueType(key) == platform::rvText)
        k->WriteText(key, std::to_string(value.Integer));
    else
        k->WriteDword(key, static_cast<uint32_t>(value.Integer));
}

bool TRegistrySettingsStore::Flush(std::string& error) {
    for (auto& [name, key] : Sections_)
        if (key->IsOpen() && !key->Flush(&error)) return false;
    return true;
}

} // namespace dxfi
