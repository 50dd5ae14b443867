// SPDX-License-Identifier: MIT
// The host's test mode. The machine hive is a file in the exported-registry format whose path
// the environment variable DXFI_MACHINE_HIVE sets (default /etc/dxfimport/machine.reg); the
// host is in test mode while that hive holds the key
// [HKEY_LOCAL_MACHINE\Software\Corvane\TestMode] and may be written (what opening the key
// with full access means), exactly the test the plug-in makes. On Windows the machine hive is
// the registry itself and MachineHivePath names it: EnableTestMode creates the key, and the
// process that created it removes it again.
#pragma once

#include <string>
#include <string_view>

namespace dxfi::host {

inline constexpr const char* kMachineHiveVariable = "DXFI_MACHINE_HIVE";
inline constexpr const char* kDefaultMachineHive = "/etc/dxfimport/machine.reg";
inline constexpr const char* kTestModeKey = "HKEY_LOCAL_MACHINE\\Software\\Corvane\\TestMode";

// The machine hive file in use.
std::string MachineHivePath();

// True when the hive text declares the test-mode key (or a key below it). Key names compare
// without regard to ASCII case; deletions ("[-...]") do not count.
bool HiveTextHasTestModeKey(std::string_view hiveText);

// Looked up afresh on every call: the hive may change while the host runs.
bool IsTestMode();

// Writes a temporary machine hive holding the test-mode key and points DXFI_MACHINE_HIVE at
// it; the file is removed by RemoveTemporaryHive and at the end of the process. Returns the
// file's path; throws std::runtime_error naming the folder when it cannot be written.
std::string EnableTestMode();

// Removes the hive that EnableTestMode wrote, if any. Safe to call more than once.
void RemoveTemporaryHive();

} // namespace dxfi::host
