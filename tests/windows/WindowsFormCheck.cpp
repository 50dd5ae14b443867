// SPDX-License-Identifier: MIT
// Checks the Windows form of the system where it runs (under wine on the build machine): the
// drawing engine library found and loaded as the plug-in does, its exports by plain name with
// the callee removing its arguments, the registry, folders, paths and files through
// platform/win32. Prints one line per check and ends with "N passed, M failed"; the exit code is
// the number of failures (at most 100).
//
//   WindowsFormCheck.exe DATA_FOLDER [--census FILE] [--report-html FILE]
// With --census it also writes, for every DXF drawing in DATA_FOLDER, the number of model-space
// entities the engine delivers by type code; with --report-html, the HTML of a fixed report
// made with the host's default stylesheet. The same program built for Linux writes the same
// files there, and they must be equal. On Windows it also checks the import plug-in
// (PluginFormCheck.h).
#include "abi/Pad2Api.h"
#if defined(_WIN32)
#include "drawing/FormatReportNumber.h"
#include "report/ReportClock.h"
#endif
#include "platform/DynamicLibrary.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "tests/windows/PluginFormCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#if defined(_WIN32)
#include "platform/win32/WindowsApi.h"
#endif

namespace {

namespace platform = dxfi::platform;
namespace abi = dxfi::abi;

int Passed = 0;
int Failed = 0;

void Check(bool ok, const std::string& what, const std::string& detail = {}) {
    (ok ? Passed : Failed)++;
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), detail.empty() ? "" : ": ",
                detail.c_str());
}

#if defined(_WIN32)
const char* const kEngineFile = "PAD2.DLL";
#else
const char* const kEngineFile = "libpad2.so";
#endif

using TInit = int16_t(DXFI_STDCALL*)(const char*, int32_t, int32_t*);
using TClose = void(DXFI_STDCALL*)();
using TLoad = abi::TDrawingHandle(DXFI_STDCALL*)(const char*, int16_t, int16_t);
using TCloseFile = int16_t(DXFI_STDCALL*)(abi::TDrawingHandle);
using TFindBlock = int16_t(DXFI_STDCALL*)(abi::TDrawingHandle, const char*, abi::TObjectHandle*);
using TEntityList = abi::TEntityListHandle(DXFI_STDCALL*)(abi::TDrawingHandle, abi::TObjectHandle);
using TStartGet = int16_t(DXFI_STDCALL*)(abi::TEntityListHandle);
using TGetEntity = int16_t(DXFI_STDCALL*)(abi::TEntityListHandle, uint8_t*, uint8_t*);

#if defined(_WIN32) && !defined(_WIN64)
// Calls a three-argument function through `function` and returns how far the stack pointer
// moved across the call: 0 when the callee removed its 12 bytes (stdcall), -12 when it left
// them to the caller (cdecl). Written in assembly so that nothing of the compiler's sits
// between the two readings; ebx, kept by every callee, holds the stack pointer meanwhile.
extern "C" int StackChangeOfThreeArgumentCall(void* function, uint32_t a, uint32_t b, uint32_t c);
asm(".text\n"
    ".globl _StackChangeOfThreeArgumentCall\n"
    "_StackChangeOfThreeArgumentCall:\n"
    "    pushl %ebx\n"
    "    movl %esp, %ebx\n"
    "    pushl 20(%ebx)\n"
    "    pushl 16(%ebx)\n"
    "    pushl 12(%ebx)\n"
    "    call *8(%ebx)\n"
    "    movl %esp, %eax\n"
    "    subl %ebx, %eax\n"
    "    movl %ebx, %esp\n"
    "    popl %ebx\n"
    "    ret\n");
#endif

std::string Census(platform::TModuleHandle engine, const std::string& folder) {
    auto load = reinterpret_cast<TLoad>(platform::FindSymbol(engine, "edaLoadFile"));
    auto closeFile = reinterpret_cast<TCloseFile>(platform::FindSymbol(engine, "edaCloseFile"));
    auto findBlock =
        reinterpret_cast<TFindBlock>(platform::FindSymbol(engine, "edaFindBlockheaderByName"));
    auto entityList = reinterpret_cast<TEntityList>(platform::FindSymbol(engine, "edaEntityList"));
    auto startGet = reinterpret_cast<TStartGet>(platform::FindSymbol(engine, "edaStartEntityGet"));
    auto getEntity = reinterpret_cast<TGetEntity>(platform::FindSymbol(engine, "edaGetEntity"));
    if (!load || !closeFile || !findBlock || !entityList || !startGet || !getEntity)
        return "engine functions missing\n";
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".dxf") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string text;
    std::vector<uint8_t> header(abi::kEntityHeaderSize), data(abi::kEntityDataSize);
    for (const std::string& name : names) {
        const std::string path = platform::IncludeTrailingDelimiter(folder) + name;
        text += name;
        const abi::TDrawingHandle drawing = load(path.c_str(), 1, 0);
        if (!drawing) {
            text += " not loaded\n";
            continue;
        }
        abi::TObjectHandle block = 0;
        std::map<unsigned, unsigned> counts;
        if (findBlock(drawing, "*MODEL_SPACE", &block)) {
            const abi::TEntityListHandle list = entityList(drawing, block);
            if (list && startGet(list))
                while (getEntity(list, header.data(), data.data()) == 1)
                    ++counts[header[0] | (header[1] << 8)];
        }
        for (const auto& [code, count] : counts)
            text += " " + std::to_string(code) + ":" + std::to_string(count);
        text += "\n";
        closeFile(drawing);
    }
    return text;
}

// The file named after `option` on the command line; "" when it is not given.
std::string OptionValue(int argc, char** argv, const std::string& option) {
    for (int index = 2; index + 1 < argc; ++index)
        if (argv[index] == option) return argv[index + 1];
    return {};
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]) == "--locate")
        return dxfi::formcheck::LocateSupportFileForCheck(argv[2], argv[3]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: WindowsFormCheck DATA_FOLDER [--census FILE]\n");
        return 100;
    }
    const std::string dataFolder = argv[1];
    const std::string exeFolder = platform::ExecutableFolder();
    Check(platform::FolderExists(dataFolder), "the test drawings' folder exists", dataFolder);

    // The engine beside the program, loaded as the plug-in loads it.
    const std::string enginePath = exeFolder + kEngineFile;
    platform::TModuleHandle engine = platform::LoadModule(enginePath);
    Check(engine != nullptr, "the drawing engine loads",
          enginePath + " " + platform::LastLoadError());
    if (!engine) {
        std::printf("%d passed, %d failed\n", Passed, Failed);
        return std::min(Failed, 100);
    }
    for (const char* name : {"edaInitAd2", "edaCloseAd2", "edaLoadFile", "edaGetEntity"})
        Check(platform::FindSymbol(engine, name) != nullptr,
              std::string("the engine exports ") + name + " by its plain name");
#if defined(_WIN32)
    Check(platform::FindSymbol(engine, "edaInitAd2@12") == nullptr &&
              platform::FindSymbol(engine, "_edaInitAd2@12") == nullptr,
          "no decorated names are exported");
    Check(platform::FindLoadedModule(kEngineFile) == engine,
          "the loaded engine is found by its file name");
    Check(platform::FindLoadedModule("pad2.dll") == engine, "and by its file name in another case");
#endif
    auto init = reinterpret_cast<TInit>(platform::FindSymbol(engine, "edaInitAd2"));
    auto close = reinterpret_cast<TClose>(platform::FindSymbol(engine, "edaCloseAd2"));
    const std::string dataFile = exeFolder + "PADINIT.DAT";
    Check(platform::FileExists(dataFile), "the engine's data file lies beside it", dataFile);
#if defined(_WIN32) && !defined(_WIN64)
    int32_t code = -1;
    const int change = StackChangeOfThreeArgumentCall(
        reinterpret_cast<void*>(init),
        static_cast<uint32_t>(reinterpret_cast<uintptr_t>(dataFile.c_str())), 0,
        static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&code)));
    Check(change == 0, "a three-argument export removes its 12 bytes from the stack",
          "stack pointer moved by " + std::to_string(change));
    close();
#endif
    int32_t initCode = -1;
    Check(init && init(dataFile.c_str(), 0, &initCode) != 0, "the engine starts from its data file",
          "code " + std::to_string(initCode));

    if (const std::string censusFile = OptionValue(argc, argv, "--census"); !censusFile.empty()) {
        const std::string census = Census(engine, dataFolder);
        std::string problem;
        Check(census.find("not loaded") == std::string::npos && census.size() > 100,
              "every test drawing loads");
        Check(platform::WriteFileSafely(censusFile, census, false, problem),
              "the census is written", problem);
    }
    if (close) close();
    Check(platform::UnloadModule(engine), "the engine unloads");

#if defined(_WIN32)
    // The search along PATH: ";" separates, the engine is found in a folder named there.
    const std::string savedPath = platform::GetEnv("PATH").value_or("");
    platform::SetEnv("PATH", "C:\\no-such-folder;" + exeFolder);
    Check(platform::SearchPath(kEngineFile) == exeFolder + kEngineFile,
          "the engine is found along PATH", platform::SearchPath(kEngineFile));
    platform::SetEnv("PATH", savedPath);

    // Folders end with a backslash and exist.
    for (auto [folder, what] :
         {std::pair{platform::foWindows, "Windows"}, std::pair{platform::foSystem, "system"},
          std::pair{platform::foTemp, "temporary"},
          std::pair{platform::foAppData, "application data"},
          std::pair{platform::foCurrent, "current"}}) {
        const std::string path = platform::FolderPath(folder);
        Check(!path.empty() && path.back() == '\\' && platform::FolderExists(path),
              std::string("the ") + what + " folder", path);
    }
    Check(platform::ExtractFilePath(platform::OwnModuleFile()) == exeFolder,
          "the program's own module file lies in its folder", platform::OwnModuleFile());

    // Files: upper-cased names find lower-case files; a safe write replaces a file.
    const std::string temp = platform::CreateTempFile("wfc");
    Check(!temp.empty() && platform::FileExists(temp), "a temporary file is made", temp);
    Check(platform::FileExists(platform::FileSystemCase(temp)), "the upper-cased name finds it",
          platform::FileSystemCase(temp));
    std::string problem, text;
    Check(platform::WriteFileSafely(temp, "first", false, problem) &&
              platform::WriteFileSafely(temp, "second", false, problem) &&
              platform::ReadRegularFile(temp, text, problem) == platform::rfRead &&
              text == "second",
          "a safe write replaces the file", problem);
    const std::string moved = temp + ".moved";
    platform::WriteFileSafely(moved, "old", false, problem);
    Check(platform::MoveFile(temp, moved) &&
              platform::ReadRegularFile(moved, text, problem) == platform::rfRead &&
              text == "second",
          "a move replaces an existing file");
    Check(platform::RemoveFile(moved) && !platform::FileExists(moved), "the file is removed");
    Check(platform::ReadRegularFile(exeFolder, text, problem) == platform::rfFailed,
          "a folder is refused as a file", problem);

    // The registry: DWORD and text values in the user's hive, read back by either rule.
    const char* const userKey = "Software\\Corvane2004\\WindowsFormCheck";
    {
        platform::TRegistryKey key;
        Check(key.Open(platform::hkCurrentUser, userKey, true), "a user key is made");
        Check(key.WriteDword("Width", 10) && key.WriteText("Name", "C:\\a \"b\" \xC3\xA9"),
              "values are written");
        Check(key.Flush(), "the key is flushed");
    }
    {
        platform::TRegistryKey key;
        uint32_t width = 0;
        std::string name;
        Check(
            key.Open(platform::hkCurrentUser, "\\Software\\\\Corvane2004\\WindowsFormCheck", false),
            "the key opens again, doubled backslashes ignored");
        Check(key.ReadDword("WIDTH", width) && width == 10, "the DWORD reads back");
        Check(key.ReadText("name", name) && name == "C:\\a \"b\" \xC3\xA9", "the text reads back",
              name);
        Check(!key.ReadDword("Name", width) && !key.ReadText("Width", name),
              "a value of the other type is not read");
        Check(key.ValueType("Width") == platform::rvDword &&
                  key.ValueType("Name") == platform::rvText &&
                  key.ValueType("None") == platform::rvNone,
              "value types");
        Check(key.DeleteValue("Width") && !key.ValueExists("Width"), "a value is deleted");
        key.DeleteValue("Name");
    }
    // The machine's test-mode key: absent, then present once written.
    const char* const machineKey = "Software\\Corvane2004\\WindowsFormCheckTestMode";
    {
        platform::TRegistryKey key;
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, machineKey);
        Check(!key.Open(platform::hkLocalMachine, machineKey, false),
              "a missing machine key does not open");
        Check(key.Open(platform::hkLocalMachine, machineKey, true) && key.WriteDword("On", 1),
              "the machine key is written");
    }
    {
        platform::TRegistryKey key;
        uint32_t on = 0;
        Check(key.Open(platform::hkLocalMachine, machineKey, false) && key.ReadDword("On", on) &&
                  on == 1,
              "the machine key is read");
        Check(platform::CanOpenKeyWithFullAccess(platform::hkLocalMachine, machineKey),
              "the machine key opens with full access");
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, machineKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, userKey);

    // The report's clock and numbers in the user's regional format.
    const dxfi::TClockReading now = dxfi::ReadLocalClock();
    Check(now.Year >= 2020 && now.Month >= 1 && now.Month <= 12 && now.Day >= 1,
          "the local clock reads a date", std::to_string(now.Year));
    dxfi::TClockReading fixed;
    fixed.Year = 2024;
    fixed.Month = 3;
    fixed.Day = 7;
    fixed.Hour = 14;
    fixed.Minute = 5;
    fixed.Second = 9;
    const std::string date = dxfi::FormatShortDate(fixed), time = dxfi::FormatLongTime(fixed);
    Check(date.find('7') != std::string::npos && date.find('3') != std::string::npos,
          "the short date in the user's format", date);
    Check(time.find("05") != std::string::npos && time.find("09") != std::string::npos,
          "the long time in the user's format", time);
    Check(!dxfi::ReportDecimalSeparator().empty(), "the user's decimal separator",
          dxfi::ReportDecimalSeparator());
#endif
    dxfi::formcheck::CheckPluginDll(&Check, exeFolder);
    if (const std::string htmlFile = OptionValue(argc, argv, "--report-html"); !htmlFile.empty())
        dxfi::formcheck::CheckReport(&Check, htmlFile);
    std::printf("%d passed, %d failed\n", Passed, Failed);
    return std::min(Failed, 100);
}
