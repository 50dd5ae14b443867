// SPDX-License-Identifier: MIT
#include "tests/windows/PluginFormCheck.h"

#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Identity.h"
#include "report/GeneralReport.h"
#include "report/GeneralReportException.h"
#include "report/ReportOutput.h"

#if defined(_WIN32)
#include "abi/ClientApi.h"
#include "abi/PluginApi.h"
#include "platform/DynamicLibrary.h"
#include "platform/Environment.h"
#include "platform/Registry.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WindowsApi.h"
#include "plugin/ProductFolder.h"
#include "plugin/SupportFiles.h"

#include <algorithm>
#include <cstring>
#include <vector>
#endif

#include <cstdint>
#include <string>
#include <utility>

namespace dxfi::formcheck {
namespace {

const std::string kStylesheet = DXFI_SOURCE_DIR "/host/templates/report_html_default.xsl";

// A report with what the stylesheet groups and escapes: repeated kinds and reasons, markup
// characters, text outside ASCII, spaces and a tab. No date or time: those follow each
// system's regional format.
void FillReport(TGeneralReport& report) {
    // The drawing's group as BeginReport writes it, and one front matter group.
    for (const auto& [group, file] :
         {std::pair{"filename", "drawing <1> & more.dxf"}, std::pair{"", "settings \"A\".ini"}}) {
        *group ? (void)report.BeginElement(group) : report.BeginFrontMatter("Settings");
        report.WriteFile(file, file);
        *group ? report.EndElement() : report.EndFrontMatter();
    }
    for (const char* line :
         {"LINE entity was discarded because it has no length (1.5, 2.25)",
          "LINE entity was discarded because it has no length (3, 4)",
          "TEXT entity was discarded because its height is zero",
          "ARC entity was discarded because it has no length (0, 0)",
          "LINE entity was discarded because it has no length (5, 6)",
          "MTEXT entity was discarded because \xC3\xA9t\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 <b>&amp;",
          "  indented\twith a tab", "Loaded 7 entities"})
        report.WriteLine(line);
    report.EndReport();
}

std::string ReadText(const std::string& path) {
    std::string text, problem;
    platform::ReadRegularFile(path, text, problem);
    return text;
}

#if defined(_WIN32)
// Applies a stylesheet written for the check; the output's text, or "refused: " + the
// engine's message.
std::string TransformWith(const std::string& folder, const std::string& stylesheetText,
                          std::string& outputFile) {
    const std::string stylesheet = folder + "check.xsl";
    std::string problem;
    platform::WriteFileSafely(stylesheet, stylesheetText, false, problem);
    TGeneralReport report("Check", "");
    report.WriteLine("line");
    outputFile.clear();
    try {
        TransformReport(report, folder + "check-out", stylesheet, outputFile);
    } catch (const EGeneralReportException& error) {
        return std::string("refused: ") + error.what();
    }
    const std::string text = ReadText(outputFile);
    platform::RemoveFile(outputFile);
    return text;
}

const char* const kSheetStart =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\" "
    "xmlns:msxsl=\"urn:schemas-microsoft-com:xslt\" xmlns:user=\"urn:check\">\n";

void CheckHardening(TCheck check) {
    const std::string folder =
        platform::IncludeTrailingDelimiter(platform::FolderPath(platform::foTemp)) + "wfc-xsl\\";
    platform::CreateFolder(folder);
    std::string problem, output;
    platform::WriteFileSafely(folder + "secret.xml", "<secret>TOPSECRET</secret>", false, problem);

    std::string result =
        TransformWith(folder,
                      std::string(kSheetStart) +
                          "<xsl:param name=\"file_extension\">htm</xsl:param>"
                          "<xsl:output method=\"html\" encoding=\"utf-8\"/>"
                          "<xsl:template match=\"/\"><p><xsl:value-of select=\"report/text\"/></p>"
                          "</xsl:template></xsl:stylesheet>",
                      output);
    check(result.find(">line</p>") != std::string::npos && output.size() > 4 &&
              output.substr(output.size() - 4) == ".htm",
          "a plain stylesheet runs and names the extension \"htm\" as .htm", output + " " + result);

    result = TransformWith(folder,
                           "<?xml version=\"1.0\"?>\n<!DOCTYPE xsl:stylesheet [<!ENTITY boom "
                           "\"BOOM\">]>\n" +
                               std::string(kSheetStart) +
                               "<xsl:template match=\"/\"><p>&boom;</p></xsl:template>"
                               "</xsl:stylesheet>",
                           output);
    check(result.rfind("refused: ", 0) == 0 && output.empty(), "a stylesheet with a DTD is refused",
          result);

    result = TransformWith(folder,
                           std::string(kSheetStart) +
                               "<xsl:template match=\"/\"><p><xsl:value-of "
                               "select=\"document('secret.xml')/secret\"/></p></xsl:template>"
                               "</xsl:stylesheet>",
                           output);
    check(result.find("TOPSECRET") == std::string::npos,
          "document() reads no file, not even beside the stylesheet", result);

    result =
        TransformWith(folder,
                      std::string(kSheetStart) +
                          "<msxsl:script language=\"JScript\" implements-prefix=\"user\">"
                          "function ran() { return 'SCRIPT' + 'RAN'; }</msxsl:script>"
                          "<xsl:template match=\"/\"><p><xsl:value-of select=\"user:ran()\"/></p>"
                          "</xsl:template></xsl:stylesheet>",
                      output);
    check(result.find("SCRIPTRAN") == std::string::npos, "a stylesheet's script does not run",
          result);

    platform::WriteFileSafely(folder + "other.xsl",
                              std::string(kSheetStart) +
                                  "<xsl:template match=\"/\">IMPORTED</xsl:template>"
                                  "</xsl:stylesheet>",
                              false, problem);
    for (const char* kind : {"import", "include"}) {
        result = TransformWith(folder,
                               std::string(kSheetStart) + "<xsl:" + kind +
                                   " href=\"other.xsl\"/></xsl:stylesheet>",
                               output);
        check(result.rfind("refused: ", 0) == 0 && result.find("IMPORTED") == std::string::npos,
              std::string("a stylesheet with xsl:") + kind + " is refused", result);
    }
    platform::RemoveFile(folder + "other.xsl");

    result = TransformWith(folder, std::string(kSheetStart) + "<xsl:template match=\"/\">", output);
    check(result.rfind("refused: ", 0) == 0 && result.size() > 9,
          "a stylesheet that does not parse is refused with the engine's message", result);
    platform::RemoveFile(folder + "check.xsl");
    platform::RemoveFile(folder + "secret.xml");
}
#endif

} // namespace

void CheckReport(TCheck check, const std::string& htmlFile) {
    TGeneralReport report("Import Error Report", "", [] { return TClockReading{}; });
    FillReport(report);
    // Named after the process: other checkouts may run the check at the same time.
    const std::string base =
        platform::IncludeTrailingDelimiter(platform::FolderPath(platform::foTemp)) + "wfc-report-" +
        std::to_string(platform::ProcessId());
    std::string output;
    try {
        TransformReport(report, base, kStylesheet, output);
    } catch (const std::exception& error) {
        check(false, "the report stylesheet runs", error.what());
        return;
    }
    const std::string html = ReadText(output);
    check(output == base + ".html" && html.find("6 entities were discarded.") != std::string::npos,
          "the report stylesheet makes the HTML report", output);
    check(html.find("drawing &lt;1&gt; &amp; more.dxf") != std::string::npos &&
              html.find("\xC3\xA9t\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 &lt;b&gt;&amp;amp;") !=
                  std::string::npos,
          "report texts arrive escaped and in UTF-8", "");
    std::string problem;
    check(platform::WriteFileSafely(htmlFile, html, false, problem), "the report HTML is written",
          problem);
    platform::RemoveFile(output);
#if defined(_WIN32)
    CheckHardening(check);
#endif
}

#if defined(_WIN32)
namespace {

// Calls a three-argument function and returns how far the stack pointer moved (WindowsFormCheck).
extern "C" int StackChangeOfThreeArgumentCall(void* function, uint32_t a, uint32_t b, uint32_t c);

std::vector<std::string> ExportedNames(HMODULE module) {
    const auto* base = reinterpret_cast<const uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<std::string> names;
    if (!entry.VirtualAddress) return names;
    const auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    const auto* nameTable = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD index = 0; index < exports->NumberOfNames; ++index)
        names.emplace_back(reinterpret_cast<const char*>(base + nameTable[index]));
    // Exports without a name count too.
    for (DWORD index = exports->NumberOfNames; index < exports->NumberOfFunctions; ++index)
        names.emplace_back("#" + std::to_string(index));
    std::sort(names.begin(), names.end());
    return names;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : " ") + name;
    return text;
}

// A length-prefixed string as the host passes it.
std::string Pascal(const std::string& text) {
    const std::size_t length = std::min<std::size_t>(text.size(), 255);
    return std::string(1, static_cast<char>(length)) + text.substr(0, length);
}

const uint8_t* Bytes(const std::string& text) {
    return reinterpret_cast<const uint8_t*>(text.data());
}

void CheckExports(TCheck check, HMODULE module) {
    auto import = reinterpret_cast<abi::PFN_ImportFileIntoPcb>(
        platform::FindSymbol(module, "ImportFileIntoPcb"));
    auto describe = reinterpret_cast<abi::PFN_GetPcbImporterDescription>(
        platform::FindSymbol(module, "GetPcbImporterDescription"));
    check(import && describe, "both exports are found by their plain names", "");
    const std::vector<std::string> names = ExportedNames(module);
    check(names == std::vector<std::string>{"GetPcbImporterDescription", "ImportFileIntoPcb"},
          "nothing else is exported", Joined(names));
    check(describe && std::strcmp(describe(), "AutoCAD (*.DXF; *.DWG)") == 0,
          "the description export", describe ? describe() : "");

    HRSRC resource = FindResourceExA(module, reinterpret_cast<LPCSTR>(RT_RCDATA), "DESCRIPTION",
                                     MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    const DWORD size = resource ? SizeofResource(module, resource) : 0;
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const auto* bytes = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    std::vector<uint8_t> expected;
    for (char c : std::string("||AutoCAD (*.DXF; *.DWG)|||")) {
        expected.push_back(static_cast<uint8_t>(c));
        expected.push_back(0);
    }
    expected.insert(expected.end(), {0, 0});
    check(size == 56 && bytes && std::equal(expected.begin(), expected.end(), bytes),
          "the DESCRIPTION resource: 56 bytes, language neutral, the UTF-16 text and a zero",
          std::to_string(size) + " bytes");

    if (!import) return;
    // The name of an existing drawing (accepted) with no board open, and a missing file: both
    // answer 0, and the callee removes its three arguments either way.
    for (const std::string& name : {std::string(DXFI_SOURCE_DIR "/tests/data/demo_board_R2000.dxf"),
                                    std::string("C:\\no-such-folder\\missing.dxf")}) {
        const std::string file = Pascal(name), second = Pascal("");
        const int change = StackChangeOfThreeArgumentCall(
            reinterpret_cast<void*>(import),
            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Bytes(file))),
            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Bytes(second))), 7);
        check(change == 0, "ImportFileIntoPcb removes its 12 bytes from the stack (" + name + ")",
              "stack pointer moved by " + std::to_string(change));
        check(import(Bytes(file), Bytes(second), 7) == 0,
              "called through a stdcall pointer it answers 0 without an open board", name);
    }
}

std::string CopyInto(const std::string& file, const std::string& folder) {
    const std::string target = folder + platform::ExtractFileName(file);
    return platform::CopyFile(file, target) ? target : std::string();
}

void CheckSupportFileSearch(TCheck check, const std::string& exeFolder) {
    std::string engine = kEngineLibraryFile;
    check(LocateSupportFile(engine, PluginProductFolder()) &&
              engine == platform::FileSystemCase(exeFolder + kEngineLibraryFile),
          "the search finds the engine beside the module", engine);

    // A copy of this program in a folder without the engine, with the engine only on PATH.
    const std::string root =
        platform::IncludeTrailingDelimiter(platform::FolderPath(platform::foTemp)) + "wfc-search\\";
    const std::string programFolder = root + "program\\", pathFolder = root + "on path\\";
    platform::CreateFolders(programFolder);
    platform::CreateFolders(pathFolder);
    const std::string program = CopyInto(platform::OwnModuleFile(), programFolder);
    const std::string onPath = CopyInto(exeFolder + kEngineLibraryFile, pathFolder);
    const std::string resultFile = root + "found.txt";
    platform::RemoveFile(resultFile);
    const std::string savedPath = platform::GetEnv("PATH").value_or("");
    platform::SetEnv("PATH", "C:\\no-such-folder;;" + pathFolder + ";" + savedPath);
    std::wstring command = platform::win32::Widen("\"" + program + "\" --locate " +
                                                  kEngineLibraryFile + " \"" + resultFile + "\"");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const bool started = !program.empty() && !onPath.empty() &&
                         CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    DWORD exitCode = 1;
    if (started) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    platform::SetEnv("PATH", savedPath);
    const std::string found = ReadText(resultFile);
    check(started && exitCode == 0 && found == pathFolder + kEngineLibraryFile,
          "the search finds the engine along PATH from a module without it beside",
          "found \"" + found + "\", exit code " + std::to_string(exitCode));
    platform::TModuleHandle loaded = found.empty() ? nullptr : platform::LoadModule(found);
    check(loaded != nullptr, "and the engine found there loads",
          loaded ? found : platform::LastLoadError());
    if (loaded) platform::UnloadModule(loaded);
    for (const std::string& file : {program, onPath, resultFile})
        platform::RemoveFile(file);
    RemoveDirectoryW(platform::win32::Widen(programFolder).c_str());
    RemoveDirectoryW(platform::win32::Widen(pathFolder).c_str());
    RemoveDirectoryW(platform::win32::Widen(root).c_str());
}

void CheckProductFolder(TCheck check) {
    const char* const key = "Software\\Corvane2004\\Preference Location";
    std::string saved;
    bool hadValue = false;
    {
        platform::TRegistryKey registry;
        hadValue = registry.Open(platform::hkCurrentUser, key, false) &&
                   registry.ReadText("Application", saved);
    }
    {
        platform::TRegistryKey registry;
        check(registry.Open(platform::hkCurrentUser, key, true) &&
                  registry.WriteText("Application", "Form Check Product") && registry.Flush(),
              "the product folder's registry value is written", "");
    }
    check(DetermineProductFolder() == "\\Form Check Product",
          "the product folder comes from the user's registry", DetermineProductFolder());
    {
        platform::TRegistryKey registry;
        if (registry.Open(platform::hkCurrentUser, key, true)) {
            if (hadValue)
                registry.WriteText("Application", saved);
            else
                registry.DeleteValue("Application");
        }
    }
    if (!hadValue)
        check(DetermineProductFolder() == kDefaultProductFolder,
              "without the value it is the default", DetermineProductFolder());
}

} // namespace

void CheckPluginDll(TCheck check, const std::string& exeFolder) {
    const std::string path = exeFolder + "dxfimport.dll";
    HMODULE module = static_cast<HMODULE>(platform::LoadModule(path));
    check(module != nullptr, "dxfimport.dll loads",
          module ? path : path + " " + platform::LastLoadError());
    if (module) {
        CheckExports(check, module);
        platform::UnloadModule(module);
    }
    CheckSupportFileSearch(check, exeFolder);
    CheckProductFolder(check);
}

int LocateSupportFileForCheck(const std::string& name, const std::string& resultFile) {
    std::string found = name, problem;
    if (!LocateSupportFile(found, PluginProductFolder())) found.clear();
    return platform::WriteFileSafely(resultFile, found, false, problem) ? 0 : 1;
}

#else
void CheckPluginDll(TCheck, const std::string&) {}
int LocateSupportFileForCheck(const std::string&, const std::string&) {
    return 1;
}
#endif

} // namespace dxfi::formcheck

#if defined(_WIN32)
// The host program's client functions the support-file search asks for, as a host exports
// them. Without ClientAPI_ConvertFileNameToExeFileName the search's second place is empty, so
// that the engine beside this program is found as beside the module.
namespace {
void CopyOut(const std::string& text, char* out256) {
    const std::size_t length = std::min<std::size_t>(text.size(), 255);
    std::memcpy(out256, text.data(), length);
    out256[length] = '\0';
}
} // namespace

extern "C" {
DXFI_EXPORT uint8_t DXFI_STDCALL ClientAPI_ExistSpecific(const char* path) {
    return path && dxfi::platform::FileExists(path) ? 1 : 0;
}
DXFI_EXPORT void DXFI_STDCALL ClientAPI_ExtractWholeFileNameFromPath(const char* path,
                                                                     char* out256) {
    CopyOut(dxfi::platform::ExtractFileName(path ? path : ""), out256);
}
}
#endif
