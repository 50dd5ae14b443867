// SPDX-License-Identifier: MIT
// The registry store on Windows: the system's own registry through the Win32 registry
// functions. The hive-file redirections of the POSIX store have no meaning here.
#include "platform/Registry.h"

#include "platform/win32/WideText.h"

#include "platform/win32/WindowsApi.h"

namespace dxfi::platform {

struct THiveData {};

// An open key of the system's registry.
struct TKeyNode {
    HKEY Key = nullptr;
};

namespace {

using win32::Narrow;
using win32::Widen;

HKEY Root(THive hive) {
    return hive == hkLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// "Software\\\\Corvane2004\\" -> "Software\\Corvane2004": leading, doubled and trailing
// backslashes do not name keys.
std::wstring NormalKeyPath(std::string_view keyPath) {
    std::string normal;
    for (char c : keyPath) {
        if (c == '\\' && (normal.empty() || normal.back() == '\\')) continue;
        normal.push_back(c);
    }
    if (!normal.empty() && normal.back() == '\\') normal.pop_back();
    return Widen(normal);
}

// A value name as the registry holds it: cut at its first NUL.
std::wstring ValueName(std::string_view name) {
    return Widen(name.substr(0, name.find('\0')));
}

} // namespace

std::string HiveFilePath(THive hive) {
    return hive == hkLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string HiveReadProblem(THive) {
    return {};
}

void SetHiveFileOverride(THive, const std::string&) {}

bool CanOpenKeyWithFullAccess(THive hive, std::string_view keyPath) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(Root(hive), NormalKeyPath(keyPath).c_str(), 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

TRegistryKey::~TRegistryKey() {
    Close();
}

bool TRegistryKey::Open(THive hive, std::string_view keyPath, bool create) {
    Close();
    const std::wstring path = NormalKeyPath(keyPath);
    HKEY key = nullptr;
    LONG result;
    if (create) {
        result = RegCreateKeyExW(Root(hive), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    } else {
        result = RegOpenKeyExW(Root(hive), path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
        // A key this user may only read (the machine's keys) is opened for reading.
        if (result == ERROR_ACCESS_DENIED)
            result = RegOpenKeyExW(Root(hive), path.c_str(), 0, KEY_READ, &key);
    }
    if (result != ERROR_SUCCESS) return false;
    Key_ = new TKeyNode{key};
    return true;
}

void TRegistryKey::Close() {
    if (!Key_) return;
    RegCloseKey(Key_->Key);
    delete Key_;
    Key_ = nullptr;
    Hive_.reset();
}

TRegistryValueType TRegistryKey::ValueType(std::string_view name) const {
    if (!Key_) return rvNone;
    DWORD type = 0;
    if (RegQueryValueExW(Key_->Key, ValueName(name).c_str(), nullptr, &type, nullptr, nullptr) !=
        ERROR_SUCCESS)
        return rvNone;
    if (type == REG_DWORD) return rvDword;
    if (type == REG_SZ || type == REG_EXPAND_SZ) return rvText;
    return rvNone;
}

bool TRegistryKey::ValueExists(std::string_view name) const {
    return ValueType(name) != rvNone;
}

bool TRegistryKey::ReadDword(std::string_view name, uint32_t& value) const {
    if (!Key_) return false;
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExW(Key_->Key, ValueName(name).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return false;
    value = data;
    return true;
}

bool TRegistryKey::ReadText(std::string_view name, std::string& value) const {
    if (!Key_) return false;
    const std::wstring wideName = ValueName(name);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(Key_->Key, wideName.c_str(), nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return false;
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LONG result = RegQueryValueExW(Key_->Key, wideName.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(text.data()), &got);
        if (result == ERROR_MORE_DATA) continue; // grew between the calls
        if (result != ERROR_SUCCESS) return false;
        text.resize(got / sizeof(wchar_t));
        // Stored texts may or may not end in NUL; the text is what comes before the first.
        text.resize(std::wstring_view(text).find(L'\0') == std::wstring_view::npos
                        ? text.size()
                        : std::wstring_view(text).find(L'\0'));
        value = Narrow(text);
        return true;
    }
    return false;
}

std::vector<std::string> TRegistryKey::ValueNames() const {
    std::vector<std::string> names;
    if (!Key_) return names;
    std::wstring name(16384, L'\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(Key_->Key, index, name.data(), &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(Narrow(std::wstring_view(name.data(), length)));
    }
    return names;
}

std::vector<std::string> TRegistryKey::SubkeyNames() const {
    std::vector<std::string> names;
    if (!Key_) return names;
    std::wstring name(256, L'\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(Key_->Key, index, name.data(), &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(Narrow(std::wstring_view(name.data(), length)));
    }
    return names;
}

bool TRegistryKey::WriteDword(std::string_view name, uint32_t value) {
    if (!Key_) return false;
    const DWORD data = value;
    return RegSetValueExW(Key_->Key, ValueName(name).c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
}

bool TRegistryKey::WriteText(std::string_view name, std::string_view value) {
    if (!Key_) return false;
    const std::wstring text = Widen(value.substr(0, value.find('\0')));
    return RegSetValueExW(Key_->Key, ValueName(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool TRegistryKey::DeleteValue(std::string_view name) {
    if (!Key_) return false;
    return RegDeleteValueW(Key_->Key, ValueName(name).c_str()) == ERROR_SUCCESS;
}

bool TRegistryKey::Flush(std::string* error) {
    if (!Key_) return true;
    const LONG result = RegFlushKey(Key_->Key);
    if (result == ERROR_SUCCESS) return true;
    if (error) *error = "The registry could not be written: " + win32::ErrorText(result) + ".";
    return false;
}

} // namespace dxfi::platform
