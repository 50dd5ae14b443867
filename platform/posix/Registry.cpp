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
    std::string Preamble;
    bool Dirty = false;
    // The file was not a registry file: it is moved aside before the first save.
    bool Damaged = false;

    ~THiveData() {
        if (Dirty) Save(nullptr);
    }
    bool Save(std::string* error);
};

namespace {

std::mutex HiveMutex;
std::array<std::string, 2> HiveOverrides;
std::map<std::string, std::weak_ptr<THiveData>> OpenHives;
std::map<std::string, std::string> ReadProblems; // by hive file path

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

std::string SystemError(const std::string& path, const std::string& what) {
    return "The registry file " + path + " could not be " + what + ": " + std::strerror(errno) +
           ". Check that its folder exists and may be written.";
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
    std::string text, problem;
    ReadProblems[path].clear();
    switch (ReadRegularFile(path, text, problem)) {
    case rfMissing:
        break;
    case rfFailed:
        ReadProblems[path] = "The settings file " + path + " cannot be read (" + problem +
                             "); the default settings are used and it is left as it is.";
        return nullptr;
    case rfRead: {
        THiveReadResult result = ParseHiveText(text, hive, data->Root);
        data->Preamble = std::move(result.Preamble);
        if (result.NotAHive) {
            data->Damaged = true;
            ReadProblems[path] = "The settings file " + path + " is damaged (" +
                                 result.NotAHiveReason +
                                 "); the default settings are used, and it is moved aside as " +
                                 path + ".damaged when the settings are saved.";
        } else if (result.RefusedDeepKeys > 0) {
            ReadProblems[path] = "The settings file " + path + " holds " +
                                 std::to_string(result.RefusedDeepKeys) +
                                 (result.RefusedDeepKeys == 1 ? " key" : " keys") +
                                 " nested deeper than " + std::to_string(kMaxKeyDepth) +
                                 " levels; they are not read, and the file keeps them as they are.";
        }
        break;
    }
    }
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
    std::size_t depth = 0;
    while (!keyPath.empty()) {
        std::size_t slash = keyPath.find('\\');
        std::string_view part = keyPath.substr(0, slash);
        keyPath = slash == std::string_view::npos ? std::string_view() : keyPath.substr(slash + 1);
        if (part.empty()) continue;
        if (part.find_first_of("\r\n") != std::string_view::npos) return nullptr;
        if (++depth > kMaxKeyDepth) return nullptr;
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
    if (Damaged) {
        // Whatever the damaged file held stays available to the user beside the new one.
        if (std::rename(Path.c_str(), (Path + ".damaged").c_str()) != 0 && errno != ENOENT) {
            if (error) *error = SystemError(Path, "moved aside as " + Path + ".damaged");
            return false;
        }
        Damaged = false;
    }
    std::string problem;
    if (!WriteFileSafely(Path, FormatHiveText(Root, Hive, Preamble), true, problem)) {
        if (error)
            *error = "The registry file " + Path + " could not be written: " + problem +
                     ". Check that its folder exists and may be written.";
        return false;
    }
    Dirty = false;
    return true;
}

std::string HiveReadProblem(THive hive) {
    std::lock_guard lock(HiveMutex);
    auto found = ReadProblems.find(HiveFilePathLocked(hive));
    return found == ReadProblems.end() ? std::string() : found->second;
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
    std::string folded = FoldCase(name);
    Key_->DropForeignValue(folded);
    TRegistryValue& entry = Key_->Values[folded];
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
    std::string folded = FoldCase(name);
    Key_->DropForeignValue(folded);
    TRegistryValue& entry = Key_->Values[folded];
    entry.Name = std::string(name);
    entry.Type = rvText;
    entry.Dword = 0;
    entry.Text = std::string(value);
    Hive_->Dirty = true;
    return true;
}

bool TRegistryKey::DeleteValue(std::string_view name) {
    if (!Key_) return false;
    std::string folded = FoldCase(name);
    bool foreign = Key_->ForeignValueNames.contains(folded);
    Key_->DropForeignValue(folded);
    if (Key_->Values.erase(folded) == 0 && !foreign) return false;
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
