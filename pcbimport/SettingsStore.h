// SPDX-License-Identifier: MIT
// The store of sections and keys that options and layer mappings are saved to: the
// interface, and its form as an INI file. (The registry form is RegistrySettingsStore.h.)
#pragma once

#include "base/TextCompare.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace dxfi {

class TSettingsStore {
public:
    virtual ~TSettingsStore() = default;
    virtual bool ValueExists(std::string_view section, std::string_view key) const = 0;
    // An integer, or a text holding a decimal integer; anything else gives `fallback`.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
    // True when the value reads as a non-zero integer.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
    // A text, or an integer in decimal.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    // Written as the text "1" or "0".
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

protected:
    // A stored value: an integer or a text, as the store keeps it.
    struct TValue {
        bool IsInteger = false;
        int32_t Integer = 0;
        std::string Text;
    };
    // The key's value; false when there is none.
    virtual bool Read(std::string_view section, std::string_view key, TValue& value) const = 0;
    virtual void Write(std::string_view section, std::string_view key, const TValue& value) = 0;
};

// Parses a whole decimal integer (optional sign, digits, surrounding blanks); false for
// anything else, including values outside 32 bits.
bool ParseInteger(std::string_view text, int32_t& value);

// An INI file: "[Section]" lines, then "Key=Value" lines. Sections and keys are found without
// regard to ASCII letter case, as on the editor's platform. Keys and values are escaped as the
// registry file's texts are ("\\", "\n", "\r", and what else would change how a line reads),
// so that any text reads back as written. The file is read when the store is created (a
// missing file is an empty store; a file that cannot be read, such as a named pipe, is an
// empty store with ReadProblem set) and written by Save, safely (temporary file beside it,
// flushed, renamed).
class TIniSettingsStore : public TSettingsStore {
public:
    explicit TIniSettingsStore(std::string path);
    // Parses INI text; lines that are neither sections nor keys are skipped.
    static TIniSettingsStore FromText(std::string path, std::string_view text);

    bool ValueExists(std::string_view section, std::string_view key) const override;

    std::string ToText() const;
    // Writes the file (temporary file, then rename). False with `error` naming the file and the
    // problem when it cannot be written.
    bool Save(std::string& error) const;
    const std::string& Path() const { return Path_; }
    // Why the file could not be read ("" when it was read or does not exist).
    const std::string& ReadProblem() const { return ReadProblem_; }

protected:
    // Integers are kept as their decimal text.
    bool Read(std::string_view section, std::string_view key, TValue& value) const override;
    void Write(std::string_view section, std::string_view key, const TValue& value) override;

private:
    struct TKey {
        std::string Name;
        std::string Value;
    };
    struct TSection {
        std::string Name;
        std::vector<TKey> Keys; // in file order
        std::map<std::string, std::size_t, TNoCaseLess> Index;
    };
    const TKey* Find(std::string_view section, std::string_view key) const;
    TSection& SectionFor(std::string_view section);
    static void Put(TSection& section, std::string_view key, std::string_view value);

    std::string Path_;
    std::string ReadProblem_;
    std::vector<TSection> Sections_; // in file order
    std::map<std::string, std::size_t, TNoCaseLess> SectionIndex_;
};

} // namespace dxfi
