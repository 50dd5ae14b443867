// SPDX-License-Identifier: MIT
// The in-memory tree of one hive and its text form, the exported registry file format
// (described in platform/Registry.h). Internal to the POSIX registry store.
#pragma once

#include "platform/Registry.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace dxfi::platform {

struct TRegistryValue {
    std::string Name;
    TRegistryValueType Type = rvNone;
    uint32_t Dword = 0;
    std::string Text;
};

// Children and values are indexed by their ASCII-lower-cased names; each keeps its own
// spelling for writing.
struct TKeyNode {
    std::string Name;
    std::map<std::string, TRegistryValue> Values;
    std::map<std::string, std::unique_ptr<TKeyNode>> Subkeys;
};

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
const char* HiveRootName(THive hive);

std::string FoldCase(std::string_view name);

// The child `name` of `parent`, made when missing and `create` is true; nullptr otherwise.
TKeyNode* ChildKey(TKeyNode& parent, std::string_view name, bool create);

// Fills `root` from the text of a hive file, skipping every line it does not understand.
void ParseHiveText(std::string_view text, THive hive, TKeyNode& root);

// The file text for `root`: the header line, then every key in name order.
std::string FormatHiveText(const TKeyNode& root, THive hive);

} // namespace dxfi::platform
