// SPDX-License-Identifier: MIT
// The test-mode switch as the machine registry's key, which the plug-in opens with full access.
#include "host/client/TestMode.h"

#include <windows.h>

#include <cstdlib>
#include <stdexcept>

namespace dxfi::host {

namespace {

constexpr const char* kKeyBelowMachine = "Software\\Corvane\\TestMode";

// Set while this process holds a key that it created: it removes it again at the end.
bool CreatedKey = false;

} // namespace

std::string MachineHivePath() {
    return "HKEY_LOCAL_MACHINE";
}

bool IsTestMode() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyBelowMachine, 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string EnableTestMode() {
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG result =
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyBelowMachine, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (result != ERROR_SUCCESS)
        throw std::runtime_error(std::string("cannot create the test-mode key ") + kTestModeKey +
                                 " (Windows error " + std::to_string(result) +
                                 "); run pcbhost as an administrator or create the key first");
    RegCloseKey(key);
    // A key that was there before belongs to whoever made it (another run, the user).
    if (disposition == REG_CREATED_NEW_KEY && !CreatedKey) {
        CreatedKey = true;
        std::atexit(RemoveTemporaryHive);
    }
    return kTestModeKey;
}

void RemoveTemporaryHive() {
    if (!CreatedKey) return;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKeyBelowMachine);
    CreatedKey = false;
}

} // namespace dxfi::host
