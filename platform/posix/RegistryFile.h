// SPDX-License-Identifier: MIT
// The in-memory tree of one hive and its text form, the exported registry file format
// (described in platform/Registry.h). Internal to the POSIX registry store.
#pragma once

#include "platform/Registry.h"

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace dxfi::platform {

struct TRegistryValue {
    std::string Name;
    TRegistryValueType Type = rvNone;
    uint32_t Dword = 0;
    std::string Text;
};

// Keys may nest at most this deep below the hive's root (the Windows registry's own limit);
// deeper sections of a file are not read, and deeper keys are not made.
inline constexpr std::size_t kMaxKeyDepth = 512;

// Lines of a file that the reader does not understand, kept to be written back as they were
// (each line with its own end, "\r\n" or "\n"): a value of another type with its continuation
// lines, a comment, a malformed line, or a whole section that is not read.
struct TForeignLines {
    bool IsValue = false;  // the lines hold a value of their key,
    std::string ValueName; // whose folded name this is ("" for the default value)
    std::string Text;
    bool UnreadSection = false; // a section of its own that is not read, with its lines
    bool SectionHeader = false; // the key's section line again, after an unread section;
                                // written only when lines of the key follow it
};

// Children and values are indexed by their ASCII-lower-cased names; each keeps its own
// spelling for writing. Destroyed without recursion over depth.
struct TKeyNode {
    TKeyNode() = default;
    ~TKeyNode();
    TKeyNode(const TKeyNode&) = delete;
    TKeyNode& operator=(const TKeyNode&) = delete;

    std::string Name;
    std::map<std::string, TRegistryValue> Values;
    std::map<std::string, std::unique_ptr<TKeyNode>> Subkeys;
    // Written after the values, in file order.
    std::vector<TForeignLines> Foreign;
    std::set<std::string> ForeignValueNames;

    // Drops foreign lines holding the value `folded`: a value written or deleted replaces them.
    void DropForeignValue(const std::string& folded);
};

// What reading a hive file found besides its keys.
struct THiveReadResult {
    // Lines before the first section that are neither the header nor blank, kept verbatim.
    std::string Preamble;
    // Sections nested deeper than kMaxKeyDepth: not read, kept verbatim.
    std::size_t RefusedDeepKeys = 0;
    // The text is not a registry file at all (binary, or no registry file header); nothing was
    // read.
    bool NotAHive = false;
    std::string NotAHiveReason;
};

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
const char* HiveRootName(THive hive);

std::string FoldCase(std::string_view name);

// The child `name` of `parent`, made when missing and `create` is true; nullptr otherwise.
TKeyNode* ChildKey(TKeyNode& parent, std::string_view name, bool create);

// Fills `root` from the text of a hive file; lines it does not understand are kept in the
// keys' Foreign lines (or the result's Preamble). Linear in the text's size, no recursion.
THiveReadResult ParseHiveText(std::string_view text, THive hive, TKeyNode& root);

// The file text for `root`: the header line, the preamble, then every key in name order with
// its foreign lines after its values. Keys without values or foreign lines are written only
// when they have no subkeys (the others follow from their subkeys' sections), so that the
// size stays proportional to what the file holds. No recursion over depth.
std::string FormatHiveText(const TKeyNode& root, THive hive, std::string_view preamble = {});

} // namespace dxfi::platform
