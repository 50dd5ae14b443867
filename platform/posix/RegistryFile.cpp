// SPDX-License-Identifier: MIT
#include "platform/posix/RegistryFile.h"

#include "base/TextCompare.h"

#include <cstdio>

namespace dxfi::platform {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
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

// The number of key names in a section line's inside after the hive's root.
std::size_t SectionDepth(std::string_view inside) {
    std::size_t depth = 0;
    bool inPart = false;
    for (char c : inside) {
        if (c == '\\') {
            inPart = false;
        } else if (!inPart) {
            inPart = true;
            ++depth;
        }
    }
    return depth == 0 ? 0 : depth - 1;
}

// The key named by a section line's inside ("HKEY_CURRENT_USER\Software\X"), made when
// missing; nullptr for deletions, for sections of another hive and for keys nested too deep
// (`tooDeep` then set).
TKeyNode* SectionKey(std::string_view inside, THive hive, TKeyNode& root, bool& tooDeep) {
    tooDeep = false;
    if (inside.empty() || inside.front() == '-') return nullptr;
    std::size_t slash = inside.find('\\');
    if (!EqualsNoCase(inside.substr(0, slash), HiveRootName(hive))) return nullptr;
    if (SectionDepth(inside) > kMaxKeyDepth) {
        tooDeep = true;
        return nullptr;
    }
    TKeyNode* key = &root;
    while (slash != std::string_view::npos) {
        inside.remove_prefix(slash + 1);
        slash = inside.find('\\');
        std::string_view part = inside.substr(0, slash);
        if (!part.empty()) key = ChildKey(*key, part, true);
    }
    return key;
}

// The folded name of a value line ("\"Name\"=..." or "@=..."), whatever its type; false when
// the line does not begin with a name.
bool ValueLineName(std::string_view line, std::string& folded) {
    if (line.empty()) return false;
    if (line.front() == '@') {
        folded.clear();
        return true;
    }
    std::size_t pos = 0;
    std::string name;
    if (!ParseQuoted(line, pos, name)) return false;
    folded = FoldCase(name);
    return true;
}

// Stores the value of a "name=value" line of a type this file knows; false when the line is not
// such a line.
bool ParseValueLine(std::string_view line, TKeyNode& key) {
    TRegistryValue value;
    std::size_t pos = 0;
    if (line.front() == '@') {
        pos = 1;
    } else if (!ParseQuoted(line, pos, value.Name)) {
        return false;
    }
    while (pos < line.size() && IsSpace(line[pos]))
        ++pos;
    if (pos >= line.size() || line[pos] != '=') return false;
    ++pos;
    std::string_view rest = TrimBlanks(line.substr(pos));
    if (!rest.empty() && rest.front() == '"') {
        std::size_t textPos = 0;
        if (!ParseQuoted(rest, textPos, value.Text) || textPos != rest.size()) return false;
        value.Type = rvText;
    } else if (rest.starts_with("dword:")) {
        if (!ParseHexDword(rest.substr(6), value.Dword)) return false;
        value.Type = rvDword;
    } else {
        return false;
    }
    std::string folded = FoldCase(value.Name);
    key.DropForeignValue(folded);
    key.Values[folded] = std::move(value);
    return true;
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

void FormatValues(const TKeyNode& key, std::string& out) {
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
    for (std::size_t i = 0; i < key.Foreign.size(); ++i) {
        const TForeignLines& lines = key.Foreign[i];
        if (lines.SectionHeader &&
            (i + 1 == key.Foreign.size() || key.Foreign[i + 1].SectionHeader ||
             key.Foreign[i + 1].UnreadSection))
            continue; // the lines it preceded were replaced by values written above
        out += lines.Text;
    }
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

TKeyNode::~TKeyNode() {
    // Children are taken apart one level at a time: a chain of keys however deep never
    // recurses.
    std::vector<std::unique_ptr<TKeyNode>> pending;
    for (auto& [folded, child] : Subkeys)
        pending.push_back(std::move(child));
    Subkeys.clear();
    while (!pending.empty()) {
        std::unique_ptr<TKeyNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& [folded, child] : node->Subkeys)
            pending.push_back(std::move(child));
        node->Subkeys.clear();
    }
}

void TKeyNode::DropForeignValue(const std::string& folded) {
    if (ForeignValueNames.erase(folded) == 0) return;
    std::erase_if(Foreign, [&](const TForeignLines& lines) {
        return lines.IsValue && lines.ValueName == folded;
    });
}

THiveReadResult ParseHiveText(std::string_view text, THive hive, TKeyNode& root) {
    THiveReadResult result;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (text.find('\0') != std::string_view::npos) {
        result.NotAHive = true;
        result.NotAHiveReason = "it holds binary data";
        return result;
    }
    {
        std::string_view rest = text;
        while (!rest.empty()) {
            std::size_t end = rest.find('\n');
            std::string_view line = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            line = TrimBlanks(line);
            if (line.empty()) continue;
            if (line != kHeader && line != "REGEDIT4") {
                result.NotAHive = true;
                result.NotAHiveReason = "it does not begin with the line " + std::string(kHeader);
                return result;
            }
            break;
        }
    }

    TKeyNode* current = nullptr;        // the section being read
    TKeyNode* lastKey = nullptr;        // the last section read: holds what follows unread
    std::string_view currentHeader;     // the line that opened `current`
    bool headerOwed = false;            // `current`'s foreign lines follow an unread section
    TForeignLines* continued = nullptr; // a foreign line ending in "\" continues on the next
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view raw = end == std::string_view::npos ? text : text.substr(0, end + 1);
        text.remove_prefix(raw.size());
        std::string_view line = raw;
        if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = TrimBlanks(line);
        std::string rawLine(raw);
        if (rawLine.empty() || rawLine.back() != '\n') rawLine += '\n';

        if (continued) {
            // A value's continuation lines end at a line without a final "\\"; a blank line
            // ending them stays with them, so that they read the same when written back.
            continued->Text += rawLine;
            if (line.empty() || line.back() != '\\') continued = nullptr;
            continue;
        }
        if (line.empty() || line == kHeader) continue;
        if (line.front() == '[') {
            bool tooDeep = false;
            TKeyNode* key = line.back() == ']'
                                ? SectionKey(line.substr(1, line.size() - 2), hive, root, tooDeep)
                                : nullptr;
            if (tooDeep) ++result.RefusedDeepKeys;
            if (key) {
                current = lastKey = key;
                currentHeader = line;
                headerOwed = !key->Foreign.empty() && key->Foreign.back().UnreadSection;
                continue;
            }
            // A section that is not read stays with the last section read, or before all.
            current = nullptr;
            if (lastKey) {
                lastKey->Foreign.push_back({false, {}, rawLine, true});
                headerOwed = true;
            } else {
                result.Preamble += rawLine;
            }
            continue;
        }
        if (current && ParseValueLine(line, *current)) continue;
        if (!current) {
            if (lastKey)
                lastKey->Foreign.back().Text += rawLine;
            else
                result.Preamble += rawLine;
            if (line.back() == '\\') {
                // Continuation lines of an unread section's value stay with it too.
                if (lastKey) continued = &lastKey->Foreign.back();
            }
            continue;
        }
        // A line of the current section that is not understood.
        if (headerOwed) {
            // Written back after the unread section, so it needs its own section line again.
            current->Foreign.push_back({false, {}, std::string(currentHeader) + "\n", false, true});
            headerOwed = false;
        }
        TForeignLines lines;
        lines.IsValue = ValueLineName(line, lines.ValueName);
        lines.Text = rawLine;
        if (lines.IsValue) current->ForeignValueNames.insert(lines.ValueName);
        current->Foreign.push_back(std::move(lines));
        if (line.back() == '\\') continued = &current->Foreign.back();
    }
    // Continuation lines cut short by the end of the file: ended by a blank line, so that the
    // next section written after them is not taken into them.
    if (continued) continued->Text += "\n";
    return result;
}

std::string FormatHiveText(const TKeyNode& root, THive hive, std::string_view preamble) {
    std::string out(kHeader);
    out += "\n\n";
    if (!preamble.empty()) {
        out += preamble;
        out += "\n";
    }
    std::string path = HiveRootName(hive);
    if (!root.Values.empty() || !root.Foreign.empty()) {
        out += "[" + path + "]\n";
        FormatValues(root, out);
        out += "\n";
    }
    // Depth-first in name order with an explicit stack; `path` grows and shrinks with it.
    struct TFrame {
        const TKeyNode* Node;
        std::map<std::string, std::unique_ptr<TKeyNode>>::const_iterator Next;
        std::size_t PathLength;
    };
    std::vector<TFrame> stack;
    stack.push_back({&root, root.Subkeys.begin(), path.size()});
    while (!stack.empty()) {
        TFrame& top = stack.back();
        if (top.Next == top.Node->Subkeys.end()) {
            stack.pop_back();
            continue;
        }
        const TKeyNode& child = *top.Next->second;
        ++top.Next;
        path.resize(stack.back().PathLength);
        path += '\\';
        path += child.Name;
        if (!child.Values.empty() || !child.Foreign.empty() || child.Subkeys.empty()) {
            out += "[" + path + "]\n";
            FormatValues(child, out);
            out += "\n";
        }
        stack.push_back({&child, child.Subkeys.begin(), path.size()});
    }
    return out;
}

} // namespace dxfi::platform
