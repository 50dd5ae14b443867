// SPDX-License-Identifier: MIT
// The product folder ("\" + the host's preference folder name): it names the per-user folder
// of the support-file search and the saved settings' registry key. Nothing here fails.
#pragma once

#include <string>

namespace dxfi {

inline constexpr const char* kDefaultProductFolder = "\\Corvane2004";

// Determined afresh: the current user's registry key "Software\Corvane2004", section
// "Preference Location", value "Application"; else the same section and value of
// "PrefFolder.ini" in the host executable's "System/" folder; else "\Corvane2004". An empty
// value counts as none.
std::string DetermineProductFolder();

// DetermineProductFolder once per loaded library, then the same text.
const std::string& PluginProductFolder();

} // namespace dxfi
