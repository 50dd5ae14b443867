// SPDX-License-Identifier: MIT
// The registry store: keys holding named DWORD and text values, one store per hive. On POSIX
// each hive is a file in the format of exported registry files:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Corvane2004\Misc]
//   "DefaultLineWidth"=dword:0000000a
//   "Name"="C:\\path with \"quotes\""
//
// Key and value names compare without regard to ASCII letter case, as on Windows; texts are
// UTF-8. Besides \\ and \" the writer escapes line feed and carriage return as \n and \r
// (the reader accepts them) so that multi-line texts survive; a text is cut at its first NUL.
// Reading a hive skips what it does not understand, line by line: malformed lines, value
// types other than text and dword (hex:, qword:, ...), comments, deletions ("[-...]", "=-"),
// sections of another hive and keys nested deeper than 512 levels. Those lines are written back
// as they were (after the values of the section they were in), so rewriting the file loses
// nothing it held; a value written under the same name replaces them. A missing file is an
// empty hive; anything that is not a regular file is not read (a named pipe never blocks); a
// file that is not a registry file at all (binary, no header line) reads as empty and is moved
// aside as "<file>.damaged" before it is next written.
//
// Where the hive files live (SetHiveFileOverride wins over the variable):
// | hive           | environment variable | default                                   |
// |----------------|----------------------|-------------------------------------------|
// | hkCurrentUser  | DXFI_USER_HIVE       | FolderPath(foUserConfig) + "dxfimport/user.reg" |
// | hkLocalMachine | DXFI_MACHINE_HIVE    | /etc/dxfimport/machine.reg                |
//
// Keys opened on the same hive file share one copy in memory. Changes are written back, as a
// whole file replaced atomically ("<file>.tmp<pid>" flushed to disk, renamed, folder flushed;
// such files left by killed processes are removed), by Flush and when the last open
// key of that hive is closed; a hive nobody holds open is read afresh by the next Open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dxfi::platform {

enum THive : uint8_t { hkCurrentUser, hkLocalMachine };

enum TRegistryValueType : uint8_t { rvNone, rvDword, rvText };

// The file that holds `hive`.
std::string HiveFilePath(THive hive);

// What was wrong with the hive's file the last time it was read ("" when nothing): the file
// named, what was wrong, and what happens instead.
std::string HiveReadProblem(THive hive);

// Redirects `hive` to the file `path`; an empty path removes the redirection.
void SetHiveFileOverride(THive hive, const std::string& path);

// True when the key exists and the hive file may be written: what opening an existing key
// with full access means on Windows. Creates nothing.
bool CanOpenKeyWithFullAccess(THive hive, std::string_view keyPath);

struct THiveData;
struct TKeyNode;

class TRegistryKey {
public:
    TRegistryKey() = default;
    ~TRegistryKey();
    TRegistryKey(const TRegistryKey&) = delete;
    TRegistryKey& operator=(const TRegistryKey&) = delete;

    // Opens `keyPath` ("Software\Corvane2004"; backslash-separated, leading and doubled
    // backslashes ignored) in `hive`, closing any key held before. With `create` the key and
    // its missing parents are made. False when the key does not exist and `create` is false,
    // or when the hive file exists but cannot be read.
    bool Open(THive hive, std::string_view keyPath, bool create);
    void Close();
    bool IsOpen() const { return Key_ != nullptr; }

    // Reading: false / rvNone / empty when the key is closed or the value is missing or has
    // another type.
    bool ValueExists(std::string_view name) const;
    TRegistryValueType ValueType(std::string_view name) const;
    bool ReadDword(std::string_view name, uint32_t& value) const;
    bool ReadText(std::string_view name, std::string& value) const;
    std::vector<std::string> ValueNames() const;
    std::vector<std::string> SubkeyNames() const;

    // Writing replaces a value of either type; false only when the key is closed.
    bool WriteDword(std::string_view name, uint32_t value);
    bool WriteText(std::string_view name, std::string_view value);
    // False when the key is closed or the value did not exist.
    bool DeleteValue(std::string_view name);

    // Writes the hive file now if it changed. False on failure, with `error` (when given)
    // naming the file and the reason.
    bool Flush(std::string* error = nullptr);

private:
    std::shared_ptr<THiveData> Hive_;
    TKeyNode* Key_ = nullptr;
};

} // namespace dxfi::platform
