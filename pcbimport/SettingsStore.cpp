// SPDX-License-Identifier: MIT
#include "pcbimport/SettingsStore.h"

#include "base/TextCompare.h"
#include "platform/Files.h"

#include <charconv>
#include <cstdio>

namespace dxfi {

namespace {
// Keys and values are written so that reading gives them back whatever they hold: "\\",
// line feed "\n", carriage return "\r" and tab "\t" everywhere, a blank at either end "\s"
// (the reader trims blanks), and in keys "=" as "\=" and a leading "[" or ";" as "\[" or
// "\;" (else the line would read as a section or a comment); a NUL is "\0".
std::string Escape(std::string_view text, bool key) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool edge = i == 0 || i + 1 == text.size();
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\0')
            out += "\\0";
        else if (c == ' ' && edge)
            out += "\\s";
        else if (key && (c == '=' || (i == 0 && (c == '[' || c == ';')))) {
            out += '\\';
            out += c;
        } else
            out += c;
    }
    return out;
}

// The reverse of Escape; a backslash before any other character stays as it is (files written
// by hand, or before texts were escaped, may hold plain backslashes).
std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const char next = text[i + 1];
        switch (next) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 's':
            out += ' ';
            break;
        case '0':
            out += '\0';
            break;
        case '=':
        case '[':
        case ';':
            out += next;
            break;
        default:
            out += c;
            continue;
        }
        ++i;
    }
    return out;
}

// The place of the first "=" that is not escaped.
std::size_t KeyEnd(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\')
            ++i;
        else if (line[i] == '=')
            return i;
    }
    return std::string_view::npos;
}

} // namespace

bool ParseInteger(std::string_view text, int32_t& value) {
    text = TrimBlanks(text, kBlanksAndLineEnds);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return false;
    value = v;
    return true;
}

int32_t TSettingsStore::ReadInteger(std::string_view section, std::string_view key,
                                    int32_t fallback) const {
    TValue v;
    if (!Read(section, key, v)) return fallback;
    if (v.IsInteger) return v.Integer;
    int32_t value = fallback;
    return ParseInteger(v.Text, value) ? value : fallback;
}

std::string TSettingsStore::ReadString(std::string_view section, std::string_view key,
                                       std::string_view fallback) const {
    TValue v;
    if (!Read(section, key, v)) return std::string(fallback);
    return v.IsInteger ? std::to_string(v.Integer) : std::move(v.Text);
}

void TSettingsStore::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
    TValue v;
    v.IsInteger = true;
    v.Integer = value;
    Write(section, key, v);
}

void TSettingsStore::WriteString(std::string_view section, std::string_view key,
                                 std::string_view value) {
    TValue v;
    v.Text = value;
    Write(section, key, v);
}

bool TSettingsStore::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TSettingsStore::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

TIniSettingsStore::TIniSettingsStore(std::string path) : Path_(std::move(path)) {
    if (Path_.empty()) return;
    std::string text, problem;
    switch (platform::ReadRegularFile(Path_, text, problem)) {
    case platform::rfMissing:
        return;
    case platform::rfFailed:
        ReadProblem_ = "The settings file " + Path_ + " cannot be read: " + problem + ".";
        return;
    case platform::rfRead:
        *this = FromText(Path_, text);
        return;
    }
}

TIniSettingsStore TIniSettingsStore::FromText(std::string path, std::string_view text) {
    TIniSettingsStore store("");
    store.Path_ = std::move(path);
    TSection* current = nullptr;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = TrimBlanks(text.substr(0, eol), kBlanksAndLineEnds);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            current =
                &store.SectionFor(TrimBlanks(line.substr(1, line.size() - 2), kBlanksAndLineEnds));
            continue;
        }
        const std::size_t eq = KeyEnd(line);
        if (current == nullptr || eq == std::string_view::npos || line.front() == ';') continue;
        // A key repeated in a section: the later line wins, as when it is written again.
        Put(*current, Unescape(TrimBlanks(line.substr(0, eq), kBlanksAndLineEnds)),
            Unescape(TrimBlanks(line.substr(eq + 1), kBlanksAndLineEnds)));
    }
    return store;
}

TIniSettingsStore::TSection& TIniSettingsStore::SectionFor(std::string_view section) {
    const auto it = SectionIndex_.find(section);
    if (it != SectionIndex_.end()) return Sections_[it->second];
    Sections_.push_back({std::string(section), {}, {}});
    SectionIndex_.emplace(std::string(section), Sections_.size() - 1);
    return Sections_.back();
}

void TIniSettingsStore::Put(TSection& section, std::string_view key, std::string_view value) {
    const auto it = section.Index.find(key);
    if (it != section.Index.end()) {
        section.Keys[it->second].Value = value;
        return;
    }
    section.Keys.push_back({std::string(key), std::string(value)});
    section.Index.emplace(std::string(key), section.Keys.size() - 1);
}

const TIniSettingsStore::TKey* TIniSettingsStore::Find(std::string_view section,
                                                       std::string_view key) const {
    const auto s = SectionIndex_.find(section);
    if (s == SectionIndex_.end()) return nullptr;
    const TSection& sec = Sections_[s->second];
    const auto k = sec.Index.find(key);
    return k == sec.Index.end() ? nullptr : &sec.Keys[k->second];
}

bool TIniSettingsStore::ValueExists(std::string_view section, std::string_view key) const {
    return Find(section, key) != nullptr;
}

bool TIniSettingsStore::Read(std::string_view section, std::string_view key, TValue& value) const {
    const TKey* k = Find(section, key);
    if (!k) return false;
    value.Text = k->Value;
    return true;
}

void TIniSettingsStore::Write(std::string_view section, std::string_view key, const TValue& value) {
    Put(SectionFor(section), key, value.IsInteger ? std::to_string(value.Integer) : value.Text);
}

std::string TIniSettingsStore::ToText() const {
    std::string out;
    for (std::size_t i = 0; i < Sections_.size(); ++i) {
        if (i > 0) out += "\n";
        out += "[" + Sections_[i].Name + "]\n";
        for (const auto& k : Sections_[i].Keys)
            out += Escape(k.Name, true) + "=" + Escape(k.Value, false) + "\n";
    }
    return out;
}

bool TIniSettingsStore::Save(std::string& error) const {
    const std::string kind = platform::NonRegularFileKind(Path_);
    if (!kind.empty()) {
        error = "Could not write the settings file " + Path_ + ": it is " + kind +
                ", not a file. Choose another file name.";
        return false;
    }
    std::string problem;
    if (!platform::WriteFileSafely(Path_, ToText(), false, problem)) {
        error = "Could not write the settings file " + Path_ + " (" + problem +
                "). Check that its folder exists and may be written.";
        return false;
    }
    return true;
}

} // namespace dxfi
