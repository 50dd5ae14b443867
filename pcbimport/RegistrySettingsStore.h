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

    // Writes pending changes to the hive file; false with `error` naming the file when it
    // cannot be written.
    bool Flush(std::string& error);

    // What was wrong with the hive file when this store read it ("" when nothing): the file
    // named, the problem, and that the defaults are used. The store then reads as empty.
    const std::string& ReadProblem() const { return ReadProblem_; }

protected:
    // Integers as DWORD values, unless the value is already a text; a DWORD value reads as
    // an integer, a text value as a text.
    bool Read(std::string_view section, std::string_view key, TValue& value) const override;
    void Write(std::string_view section, std::string_view key, const TValue& value) override;

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
