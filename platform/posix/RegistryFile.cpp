// SPDX-License-Identifier: MIT
#include "platform/posix/RegistryFile.h"

#include <cstdio>

namespace dxfi::platform {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool EqualFolded(std::string_view a, std::string_view b) {
    return FoldCase(a) == FoldCase(b);
}

// A quoted text starting at text[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(std::string_view text, std::size_t& pos, std::string& out) {
    if (pos >= text.size() || text[pos] != '"') return false;
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\' && pos + 1 < text.size()) {
            char next = text[pos + 1];
            if (next == '\\' || next == '"') {
                out.push_back(next);
                ++pos;
                continue;
            }
            if (next == 'n' || next == 'r') {
                out.push_back(next == 'n' ? '\n' : '\r');
                ++pos;
                continue;
            }
        }
        out.push_back(c);
    }
    return false;
}

bool ParseHexDword(std::string_view digits, uint32_t& value) {
    if (digits.empty() || digits.size() > 8) return false;
    value = 0;
    for (char c : digits) {
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else
            return false;
        value = (value << 4) | digit;
    }
    return true;
}

// The key named by a section line's inside ("HKEY_CURRENT_USER\Software\X"), made when
// missing; nullptr for deletions and for sections of another hive.
TKeyNode* SectionKey(std::string_view inside, THive hive, TKeyNode& root) {
    if (inside.empty() || inside.front() == '-') return nullptr;
    std::size_t slash = inside.find('\\');
    if (!EqualFolded(inside.substr(0, slash), HiveRootName(hive))) return nullptr;
    TKeyNode* key = &root;
    while (slash != std::string_view::npos) {
        inside.remove_prefix(slash + 1);
        slash = inside.find('\\');
        std::string_view part = inside.substr(0, slash);
        if (!part.empty()) key = ChildKey(*key, part, true);
    }
    return key;
}

void ParseValueLine(std::string_view line, TKeyNode& key) {
    TRegistryValue value;
    std::size_t pos = 0;
    if (line.front() == '@') {
        pos = 1;
    } else if (!ParseQuoted(line, pos, value.Name)) {
        return;
    }
    while (pos < line.size() && IsSpace(line[pos]))
        ++pos;
    if (pos >= line.size() || line[pos] != '=') return;
    ++pos;
    std::string_view rest = Trim(line.substr(pos));
    if (!rest.empty() && rest.front() == '"') {
        std::size_t textPos = 0;
        if (!ParseQuoted(rest, textPos, value.Text) || textPos != rest.size()) return;
        value.Type = rvText;
    } else if (rest.starts_with("dword:")) {
        if (!ParseHexDword(rest.substr(6), value.Dword)) return;
        value.Type = rvDword;
    } else {
        return;
    }
    std::string folded = FoldCase(value.Name);
    key.Values[folded] = std::move(value);
}

void AppendQuoted(std::string& out, std::string_view text) {
    std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    out.push_back('"');
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out.push_back(c);
        }
    }
    out.push_back('"');
}

void FormatKey(const TKeyNode& key, const std::string& path, bool isRoot, std::string& out) {
    if (!isRoot || !key.Values.empty()) {
        out += "[" + path + "]\n";
        for (const auto& [folded, value] : key.Values) {
            if (value.Name.empty())
                out += "@";
            else
                AppendQuoted(out, value.Name);
            out += "=";
            if (value.Type == rvDword) {
                char digits[16];
                std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value.Dword));
                out += "dword:";
                out += digits;
            } else {
                AppendQuoted(out, value.Text);
            }
            out += "\n";
        }
        out += "\n";
    }
    for (const auto& [folded, child] : key.Subkeys)
        FormatKey(*child, path + "\\" + child->Name, false, out);
}

} // namespace

const char* HiveRootName(THive hive) {
    return hive == hkLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string FoldCase(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

TKeyNode* ChildKey(TKeyNode& parent, std::string_view name, bool create) {
    std::string folded = FoldCase(name);
    auto found = parent.Subkeys.find(folded);
    if (found != parent.Subkeys.end()) return found->second.get();
    if (!create) return nullptr;
    auto child = std::make_unique<TKeyNode>();
    child->Name = std::string(name);
    TKeyNode* result = child.get();
    parent.Subkeys.emplace(std::move(folded), std::move(child));
    return result;
}

void ParseHiveText(std::string_view text, THive hive, TKeyNode& root) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    TKeyNode* current = nullptr;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = Trim(line);
        if (line.empty() || line.front() == ';' || line == kHeader) continue;
        if (line.front() == '[') {
            current = line.back() == ']' ? SectionKey(line.substr(1, line.size() - 2), hive, root)
                                         : nullptr;
            continue;
        }
        if (current && (line.front() == '"' || line.front() == '@')) ParseValueLine(line, *current);
    }
}

std::string FormatHiveText(const TKeyNode& root, THive hive) {
    std::string out(kHeader);
    out += "\n\n";
    FormatKey(root, HiveRootName(hive), true, out);
    return out;
}

} // namespace dxfi::platform
