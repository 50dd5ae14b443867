// SPDX-License-Identifier: MIT
// The saved settings in the current user's registry: one subkey per section under a root key,
// one value per key. Integers are written as DWORD values unless the value already exists as
// text; Booleans and texts as text.
#pragma once

#include "pcbimport/SettingsStore.h"

#include "platform/Registry.h"

namespace dxfi {

class TRegistrySettingsStore : public TSettingsStore {
public:
    // `rootKey` under the current user's hive, e.g.
    // "Software\Corvane2004\Lumora\Preferences\Drenvik".
    explicit TRegistrySettingsStore(std::string rootKey,
                                    platform::THive hive = platform::hkCurrentUser);

    bool ValueExists(std::string_view section, std::string_view key) const override;
    int32_t ReadInteger(std::string_view section, std::string_view key,
                        int32_t fallback) const override;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const override;
    void WriteInteger(std::string_view section, std::string_view key, int32_t value) override;
    void WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override;

    // Writes pending changes to the hive file; false with `error` naming the file when it
    // cannot be written.
    bool Flush(std::string& error);

    // What was wrong with the hive file when this store read it ("" when nothing): the file
    // named, the problem, and that the defaults are used. The store then reads as empty.
    const std::string& ReadProblem() const { return ReadProblem_; }

private:
    // The section's key, opened (and with `create` made) on demand and kept open.
    platform::TRegistryKey* Section(std::string_view section, bool create) const;

    std::string RootKey_;
    platform::THive Hive_;
    mutable std::vector<std::pair<std::string, std::unique_ptr<platform::TRegistryKey>>> Sections_;
    mutable std::string ReadProblem_;
};

// The saved settings' root key for a product folder such as "\Corvane2004".
std::string SettingsRootKey(std::string_view productFolder);

} // namespace dxfi
