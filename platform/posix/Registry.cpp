// SPDX-License-Identifier: MIT
#include "platform/Registry.h"

#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/posix/RegistryFile.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace dxfi::platform {

struct THiveData {
    THive Hive = hkCurrentUser;
    std::string Path;
    TKeyNode Root;
    bool Dirty = false;

    ~THiveData() {
        if (Dirty) Save(nullptr);
    }
    bool Save(std::string* error);
};

namespace {

std::mutex HiveMutex;
std::array<std::string, 2> HiveOverrides;
std::map<std::string, std::weak_ptr<THiveData>> OpenHives;

std::size_t HiveIndex(THive hive) {
    return hive == hkLocalMachine ? 1 : 0;
}

// Caller holds HiveMutex.
std::string HiveFilePathLocked(THive hive) {
    const std::string& redirected = HiveOverrides[HiveIndex(hive)];
    if (!redirected.empty()) return redirected;
    const char* variable =
        std::getenv(hive == hkLocalMachine ? "DXFI_MACHINE_HIVE" : "DXFI_USER_HIVE");
    if (variable && *variable) return variable;
    if (hive == hkLocalMachine) return "/etc/dxfimport/machine.reg";
    return FolderPath(foUserConfig) + "dxfimport/user.reg";
}

std::string SystemError(const std::string& path, const char* what) {
    return "The registry file " + path + " could not be " + what + ": " + std::strerror(errno) +
           ". Check that its folder exists and may be written.";
}

bool ReadWholeFile(const std::string& path, std::string& text, bool& missing) {
    missing = false;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        missing = errno == ENOENT || errno == ENOTDIR;
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    text.clear();
    char buffer[65536];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            close(fd);
            return false;
        }
        if (got == 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return true;
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t put = write(fd, text.data(), text.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

// The hive held in memory for `hive`, loaded from its file unless another key holds it.
// Caller holds HiveMutex. nullptr when the file exists but cannot be read.
std::shared_ptr<THiveData> AcquireHive(THive hive) {
    std::string path = HiveFilePathLocked(hive);
    auto found = OpenHives.find(path);
    if (found != OpenHives.end()) {
        if (auto alive = found->second.lock()) return alive;
        OpenHives.erase(found);
    }
    auto data = std::make_shared<THiveData>();
    data->Hive = hive;
    data->Path = path;
    std::string text;
    bool missing = false;
    if (ReadWholeFile(path, text, missing))
        ParseHiveText(text, hive, data->Root);
    else if (!missing)
        return nullptr;
    OpenHives[path] = data;
    return data;
}

// A name as the file can hold it: cut at its first NUL, as the Windows registry would.
std::string_view StoredName(std::string_view name) {
    return name.substr(0, name.find('\0'));
}

// Follows the backslash-separated `keyPath` from `root`; nullptr when a part is missing and
// `create` is false, or when a part holds a line break (it could not be written back).
TKeyNode* FindKey(TKeyNode& root, std::string_view keyPath, bool create, bool& created) {
    created = false;
    TKeyNode* key = &root;
    while (!keyPath.empty()) {
        std::size_t slash = keyPath.find('\\');
        std::string_view part = keyPath.substr(0, slash);
        keyPath = slash == std::string_view::npos ? std::string_view() : keyPath.substr(slash + 1);
        if (part.empty()) continue;
        if (part.find_first_of("\r\n") != std::string_view::npos) return nullptr;
        TKeyNode* child = ChildKey(*key, part, false);
        if (!child && create) {
            child = ChildKey(*key, part, true);
            created = true;
        }
        if (!child) return nullptr;
        key = child;
    }
    return key;
}

} // namespace

bool THiveData::Save(std::string* error) {
    std::string folder = ExtractFilePath(Path);
    if (!folder.empty() && !CreateFolders(folder)) {
        if (error) *error = SystemError(Path, "written (its folder cannot be created)");
        return false;
    }
    std::string temporary = Path + ".XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0) {
        if (error) *error = SystemError(Path, "written");
        return false;
    }
    struct stat existing {};
    mode_t mode = stat(Path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    fchmod(fd, mode);
    bool written = WriteAll(fd, FormatHiveText(Root, Hive)) && fsync(fd) == 0;
    if (close(fd) != 0) written = false;
    if (!written || std::rename(temporary.c_str(), Path.c_str()) != 0) {
        if (error) *error = SystemError(Path, "written");
        unlink(temporary.c_str());
        return false;
    }
    Dirty = false;
    return true;
}

std::string HiveFilePath(THive hive) {
    std::lock_guard lock(HiveMutex);
    return HiveFilePathLocked(hive);
}

void SetHiveFileOverride(THive hive, const std::string& path) {
    std::lock_guard lock(HiveMutex);
    HiveOverrides[HiveIndex(hive)] = path;
}

bool CanOpenKeyWithFullAccess(THive hive, std::string_view keyPath) {
    TRegistryKey key;
    if (!key.Open(hive, keyPath, false)) return false;
    return access(HiveFilePath(hive).c_str(), W_OK) == 0;
}

TRegistryKey::~TRegistryKey() {
    Close();
}

bool TRegistryKey::Open(THive hive, std::string_view keyPath, bool create) {
    Close();
    std::lock_guard lock(HiveMutex);
    std::shared_ptr<THiveData> data = AcquireHive(hive);
    if (!data) return false;
    bool created = false;
    TKeyNode* key = FindKey(data->Root, keyPath, create, created);
    if (!key) return false;
    // A new key changes the file even before the first value is written.
    if (created) data->Dirty = true;
    Hive_ = std::move(data);
    Key_ = key;
    return true;
}

void TRegistryKey::Close() {
    std::lock_guard lock(HiveMutex);
    Key_ = nullptr;
    Hive_.reset();
}

bool TRegistryKey::ValueExists(std::string_view name) const {
    return ValueType(name) != rvNone;
}

TRegistryValueType TRegistryKey::ValueType(std::string_view name) const {
    if (!Key_) return rvNone;
    auto found = Key_->Values.find(FoldCase(name));
    return found == Key_->Values.end() ? rvNone : found->second.Type;
}

bool TRegistryKey::ReadDword(std::string_view name, uint32_t& value) const {
    if (!Key_) return false;
    auto found = Key_->Values.find(FoldCase(name));
    if (found == Key_->Values.end() || found->second.Type != rvDword) return false;
    value = found->second.Dword;
    return true;
}

bool TRegistryKey::ReadText(std::string_view name, std::string& value) const {
    if (!Key_) return false;
    auto found = Key_->Values.find(FoldCase(name));
    if (found == Key_->Values.end() || found->second.Type != rvText) return false;
    value = found->second.Text;
    return true;
}

std::vector<std::string> TRegistryKey::ValueNames() const {
    std::vector<std::string> names;
    if (!Key_) return names;
    names.reserve(Key_->Values.size());
    for (const auto& [folded, value] : Key_->Values)
        names.push_back(value.Name);
    return names;
}

std::vector<std::string> TRegistryKey::SubkeyNames() const {
    std::vector<std::string> names;
    if (!Key_) return names;
    names.reserve(Key_->Subkeys.size());
    for (const auto& [folded, child] : Key_->Subkeys)
        names.push_back(child->Name);
    return names;
}

bool TRegistryKey::WriteDword(std::string_view name, uint32_t value) {
    if (!Key_) return false;
    name = StoredName(name);
    TRegistryValue& entry = Key_->Values[FoldCase(name)];
    entry.Name = std::string(name);
    entry.Type = rvDword;
    entry.Dword = value;
    entry.Text.clear();
    Hive_->Dirty = true;
    return true;
}

bool TRegistryKey::WriteText(std::string_view name, std::string_view value) {
    if (!Key_) return false;
    name = StoredName(name);
    std::size_t nul = value.find('\0');
    if (nul != std::string_view::npos) value = value.substr(0, nul);
    TRegistryValue& entry = Key_->Values[FoldCase(name)];
    entry.Name = std::string(name);
    entry.Type = rvText;
    entry.Dword = 0;
    entry.Text = std::string(value);
    Hive_->Dirty = true;
    return true;
}

bool TRegistryKey::DeleteValue(std::string_view name) {
    if (!Key_ || Key_->Values.erase(FoldCase(name)) == 0) return false;
    Hive_->Dirty = true;
    return true;
}

bool TRegistryKey::Flush(std::string* error) {
    if (!Hive_) {
        if (error) *error = "No registry key is open.";
        return false;
    }
    std::lock_guard lock(HiveMutex);
    return !Hive_->Dirty || Hive_->Save(error);
}

} // namespace dxfi::platform
