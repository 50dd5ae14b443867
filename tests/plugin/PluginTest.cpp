// SPDX-License-Identifier: MIT
// The plug-in's entry pieces. This test program plays the host executable: it exports the host
// client functions (the plug-in finds them by name in the program), loads the real host module
// and lets the plug-in find the real drawing engine beside the "host executable".
#include "abi/PluginApi.h"
#include "base/Assertion.h"
#include "engine/Pad2.h"
#include "pcbclient/Layers.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbimport/ImportRun.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "plugin/PluginEntry.h"
#include "plugin/ProductFolder.h"
#include "plugin/SupportFiles.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <elf.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

using namespace dxfi;
namespace ab = dxfi::abi;
namespace fs = std::filesystem;

namespace {

// What the exported host functions do.
std::vector<std::string> ExistCalls;
std::string ExeFolder = DXFI_BIN_DIR "/";
test::TFakeClient* Client = nullptr;

std::string FilePart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void CopyOut(const std::string& text, char* out256) {
    std::strncpy(out256, text.c_str(), 255);
    out256[255] = '\0';
}

} // namespace

extern "C" {
DXFI_EXPORT ab::IClient* DXFI_STDCALL ClientAPI_GetClient(void) {
    return Client;
}
DXFI_EXPORT uint8_t DXFI_STDCALL ClientAPI_ExistSpecific(const char* path) {
    ExistCalls.push_back(path ? path : "");
    return path && *path && fs::is_regular_file(path) ? 1 : 0;
}
DXFI_EXPORT void DXFI_STDCALL ClientAPI_ConvertFileNameToExeFileName(const char* name,
                                                                     char* out256) {
    CopyOut(ExeFolder + FilePart(name), out256);
}
DXFI_EXPORT void DXFI_STDCALL ClientAPI_ExtractWholeFileNameFromPath(const char* path,
                                                                     char* out256) {
    CopyOut(FilePart(path), out256);
}
}

namespace {

void WriteFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
}

class TPluginFixture : public ::testing::Test {
protected:
    void SetUp() override {
        // Numbered, not named after the test: the whole path is searched for DXF and DWG. The
        // process id keeps test processes that run at the same time apart.
        static int Number = 0;
        Root = ::testing::TempDir() + "plugintest_" + std::to_string(::getpid()) + "_" +
               std::to_string(++Number) + "/";
        fs::remove_all(Root);
        fs::create_directories(Root);
        platform::SetHiveFileOverride(platform::hkCurrentUser, Root + "user.reg");
        platform::SetHiveFileOverride(platform::hkLocalMachine, Root + "machine.reg");
        ExistCalls.clear();
        ExeFolder = DXFI_BIN_DIR "/";
        Client = &FakeClient;
        SetHostClient(&FakeClient);
    }
    void TearDown() override {
        SetHostClient(nullptr);
        Client = nullptr;
        platform::ClearFolderOverrides();
        platform::SetHiveFileOverride(platform::hkCurrentUser, "");
        platform::SetHiveFileOverride(platform::hkLocalMachine, "");
        fs::remove_all(Root);
    }

    // Every folder of the search points into the test's own empty folders.
    void IsolateSearch() {
        ExeFolder = Root + "exe/";
        for (auto [folder, name] : {std::pair{platform::foExecutable, "exe"},
                                    {platform::foAppData, "appdata"},
                                    {platform::foWindows, "windows"},
                                    {platform::foSystem, "system"},
                                    {platform::foCommand, "command"}}) {
            fs::create_directories(Root + name);
            platform::SetFolderOverride(folder, Root + name);
        }
        OldPath = platform::GetEnv("PATH").value_or("");
    }
    void RestorePath() { platform::SetEnv("PATH", OldPath); }

    std::string Root;
    std::string OldPath;
    test::TFakeClient FakeClient;
};

using TImportableNameTest = TPluginFixture;
using TSupportFileTest = TPluginFixture;
using TProductFolderTest = TPluginFixture;
using TEntryTest = TPluginFixture;

} // namespace

TEST_F(TImportableNameTest, ExistingNamesWithDxfOrDwgAnywhere) {
    WriteFile(Root + "drawing.dxf", "x");
    WriteFile(Root + "from dwg files/notes.txt", "text");
    WriteFile(Root + "plain.txt", "x");
    EXPECT_TRUE(IsImportableFileName(Root + "drawing.dxf"));
    EXPECT_TRUE(IsImportableFileName(Root + "from dwg files/notes.txt"));
    EXPECT_FALSE(IsImportableFileName(Root + "plain.txt"));
    EXPECT_FALSE(IsImportableFileName(Root + "missing.dxf"));
    EXPECT_FALSE(IsImportableFileName(""));
    EXPECT_FALSE(IsImportableFileName(Root)); // a folder is no file
}

TEST_F(TSupportFileTest, ReachesPathAfterEightPlacesAndMakesTheUserFolder) {
    IsolateSearch();
    WriteFile(Root + "onpath/probe.dat", "x");
    platform::SetEnv("PATH", "/nonexistent-dir::" + Root + "onpath");
    std::string name = "probe.dat";
    const bool found = LocateSupportFile(name, "\\Corvane2004");
    RestorePath();
    EXPECT_TRUE(found);
    EXPECT_EQ(name, Root + "onpath/probe.dat");
    EXPECT_TRUE(fs::is_directory(Root + "appdata/Corvane2004"));
    // Steps 1 to 8 in order, then the PATH hit.
    ASSERT_EQ(ExistCalls.size(), 9u);
    EXPECT_EQ(ExistCalls[0], "probe.dat");
    EXPECT_EQ(ExistCalls[1], Root + "exe/probe.dat");
    EXPECT_EQ(ExistCalls[2], Root + "exe/System/probe.dat");
    EXPECT_EQ(ExistCalls[3], platform::ExtractFilePath(platform::OwnModuleFile()) + "probe.dat");
    EXPECT_EQ(ExistCalls[4], Root + "appdata/Corvane2004/probe.dat");
    EXPECT_EQ(ExistCalls[5], Root + "windows/probe.dat");
    EXPECT_EQ(ExistCalls[6], Root + "system/probe.dat");
    EXPECT_EQ(ExistCalls[7], Root + "command/probe.dat");
    EXPECT_EQ(ExistCalls[8], Root + "onpath/probe.dat");
}

TEST_F(TSupportFileTest, EarlierPlacesWinAndTheSecondPassTakesTheFilePart) {
    IsolateSearch();
    WriteFile(Root + "command/probe.dat", "x");
    WriteFile(Root + "windows/probe.dat", "x");
    std::string name = "probe.dat";
    EXPECT_TRUE(LocateSupportFile(name, "\\Corvane2004"));
    EXPECT_EQ(name, Root + "windows/probe.dat");

    WriteFile(Root + "appdata/Mine/other.dat", "x");
    name = "some/where/other.dat"; // steps 1-5 look for the whole name; the second pass finds it
    EXPECT_TRUE(LocateSupportFile(name, "\\Mine"));
    EXPECT_EQ(name, Root + "appdata/Mine/other.dat");

    name = "folder/missing.dat";
    EXPECT_FALSE(LocateSupportFile(name, "\\Corvane2004"));
    EXPECT_EQ(name, "missing.dat");
}

TEST_F(TProductFolderTest, RegistryThenIniThenDefault) {
    platform::SetFolderOverride(platform::foExecutable, Root + "exe");
    EXPECT_EQ(DetermineProductFolder(), "\\Corvane2004");

    WriteFile(Root + "exe/System/PrefFolder.ini", "[Preference Location]\nApplication=IniFolder\n");
    EXPECT_EQ(DetermineProductFolder(), "\\IniFolder");

    {
        platform::TRegistryKey key;
        ASSERT_TRUE(
            key.Open(platform::hkCurrentUser, "Software\\Corvane2004\\Preference Location", true));
        ASSERT_TRUE(key.WriteText("Application", ""));
        ASSERT_TRUE(key.Flush());
    }
    EXPECT_EQ(DetermineProductFolder(), "\\IniFolder"); // an empty value counts as none
    {
        platform::TRegistryKey key;
        ASSERT_TRUE(
            key.Open(platform::hkCurrentUser, "Software\\Corvane2004\\Preference Location", false));
        ASSERT_TRUE(key.WriteText("Application", "RegFolder"));
        ASSERT_TRUE(key.Flush());
    }
    EXPECT_EQ(DetermineProductFolder(), "\\RegFolder");
}

TEST(TPluginLibrary, ExportsTheDescription) {
    // Kept mapped after dlclose, as a host keeps its plug-ins for the life of the process: the
    // options window's Qt registers process-wide state at load that is not undone at unload.
    void* library = dlopen(DXFI_BIN_DIR "/libdxfimport.so", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto* bytes = static_cast<const uint8_t*>(dlsym(library, "DESCRIPTION"));
    ASSERT_NE(bytes, nullptr);
    const char16_t expected[] = u"||AutoCAD (*.DXF; *.DWG)|||";
    static_assert(sizeof expected == ab::kDescriptionSize);
    for (int i = 0; i < ab::kDescriptionSize / 2; ++i) {
        EXPECT_EQ(bytes[2 * i], expected[i] & 0xFF) << i;
        EXPECT_EQ(bytes[2 * i + 1], expected[i] >> 8) << i;
    }
    auto describe = reinterpret_cast<ab::PFN_GetPcbImporterDescription>(
        dlsym(library, "GetPcbImporterDescription"));
    ASSERT_NE(describe, nullptr);
    EXPECT_STREQ(describe(), "AutoCAD (*.DXF; *.DWG)");
    auto import = reinterpret_cast<ab::PFN_ImportFileIntoPcb>(dlsym(library, "ImportFileIntoPcb"));
    ASSERT_NE(import, nullptr);
    EXPECT_EQ(import(nullptr, nullptr, 0), 0);
    const uint8_t missing[] = {11, 'm', 'i', 's', 's', 'i', 'n', 'g', '.', 'd', 'x', 'f'};
    EXPECT_EQ(import(missing, missing, 7), 0);
    // Nothing else is exported.
    EXPECT_EQ(dlsym(library, "_ZN4dxfi20IsImportableFileNameERKNSt7__cxx1112basic_stringIcSt11char_"
                             "traitsIcESaIcEEE"),
              nullptr);
    dlclose(library);
}

namespace {

// Whether the ELF file at `path` has a thread-local segment (`hasTls`) and whether its dynamic
// flags ask the loader for the static block (`staticTls`). Fails the test when it cannot tell.
void ReadTlsFlags(const std::string& path, bool& hasTls, bool& staticTls) {
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path << " cannot be read";
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), sizeof(Elf64_Ehdr)) << path;
    Elf64_Ehdr header;
    std::memcpy(&header, bytes.data(), sizeof header);
    ASSERT_EQ(std::memcmp(header.e_ident, ELFMAG, SELFMAG), 0) << path << " is not ELF";
    ASSERT_EQ(header.e_ident[EI_CLASS], ELFCLASS64) << path;
    ASSERT_LE(header.e_phoff + header.e_phnum * sizeof(Elf64_Phdr), bytes.size()) << path;
    hasTls = staticTls = false;
    for (int i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment;
        std::memcpy(&segment, bytes.data() + header.e_phoff + i * sizeof segment, sizeof segment);
        if (segment.p_type == PT_TLS) hasTls = true;
        if (segment.p_type != PT_DYNAMIC) continue;
        ASSERT_LE(segment.p_offset + segment.p_filesz, bytes.size()) << path;
        for (std::size_t at = 0; at + sizeof(Elf64_Dyn) <= segment.p_filesz;
             at += sizeof(Elf64_Dyn)) {
            Elf64_Dyn entry;
            std::memcpy(&entry, bytes.data() + segment.p_offset + at, sizeof entry);
            if (entry.d_tag == DT_FLAGS && (entry.d_un.d_val & DF_STATIC_TLS)) staticTls = true;
        }
    }
}

} // namespace

TEST(TPluginLibrary, ModulesLoadedAtRunTimeKeepThreadDataInTheStaticBlock) {
    // A module loaded after start whose thread-local data is allocated on first use can crash the
    // sanitizers' leak checker at exit, depending on where the block lands.
    for (const char* name : {"libdxfimport.so", "libpad2.so"}) {
        bool hasTls = false, staticTls = false;
        ReadTlsFlags(std::string(DXFI_BIN_DIR "/") + name, hasTls, staticTls);
        if (HasFatalFailure()) return;
        EXPECT_TRUE(!hasTls || staticTls)
            << name << " has thread-local data outside the initial-exec model";
    }
}

// ---- The entry
// -----------------------------------------------------------------------------------

TEST_F(TEntryTest, ExceptionsBecomeErrorBoxes) {
    auto throwing = [](auto exception) {
        return [exception](const std::string&) -> uint8_t {
            MarkCallAccepted();
            throw exception;
        };
    };
    EXPECT_EQ(GuardedImport("a.dxf", throwing(std::runtime_error("Disk full"))), 1);
    EXPECT_EQ(GuardedImport("b.dxf", throwing(ELayerException("Creating MechanicalLayer(0)"))), 1);
    EXPECT_EQ(GuardedImport("c.dxf", throwing(EAssertionFailure("Setup", 12))), 1);
    EXPECT_EQ(GuardedImport("d.dxf", throwing(42)), 1);
    EXPECT_EQ(GuardedImport("e.dxf", [](const std::string&) -> uint8_t { throw 1; }), 0);
    ASSERT_EQ(FakeClient.Messages.size(), 5u);
    EXPECT_EQ(FakeClient.Messages[0].Caption, "Error");
    EXPECT_EQ(FakeClient.Messages[0].Style, ab::kMbOk | ab::kMbIconError);
    EXPECT_EQ(FakeClient.Messages[0].Text, "Disk full\n\nThe import of a.dxf was stopped.");
    EXPECT_EQ(FakeClient.Messages[1].Text,
              "Creating MechanicalLayer(0)\n\nThe import of b.dxf was stopped.");
    EXPECT_EQ(FakeClient.Messages[2].Text,
              "Assertion failure (Setup, line 12)\n\nThe import of c.dxf was stopped.");
    EXPECT_EQ(FakeClient.Messages[3].Text,
              "An unknown error occurred.\n\nThe import of d.dxf was stopped.");
}

TEST_F(TEntryTest, NoBoardGivesZeroWithoutSearching) {
    ASSERT_NE(test::KorrinModule(), nullptr);
    test::Korrin<decltype(&KorrinHost_SetCurrentBoard)>("KorrinHost_SetCurrentBoard")(0);
    WriteFile(Root + "drawing.dxf", "x");
    EXPECT_EQ(ImportFileIntoBoard(Root + "drawing.dxf"), 0);
    EXPECT_EQ(ExistCalls, (std::vector<std::string>{Root + "drawing.dxf"}));
    EXPECT_EQ(ImportFileIntoBoard(Root + "missing.dxf"), 0);
    EXPECT_TRUE(FakeClient.Messages.empty());
}

TEST_F(TEntryTest, TwoImportsInARowEachLoadAndCloseTheEngine) {
    ASSERT_NE(test::KorrinModule(), nullptr);
    const uint32_t board = test::NewBoard((Root + "two.board.json").c_str());
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(GuardedImport(DXFI_TEST_DATA_DIR "/line_R2000.dxf", ImportFileIntoBoard), 1);
        EXPECT_FALSE(EngineLibraryLoaded()) << run;
        EXPECT_EQ(CurrentBoard(), nullptr);
    }
    EXPECT_TRUE(FakeClient.Messages.empty());
    void* out = nullptr;
    ASSERT_EQ(GetPcbServer()->GetPCBBoardByBoardHandle(board, ab::IID_IPCB_Board, &out), ab::kOk);
    EXPECT_EQ(static_cast<ab::IPCB_Board*>(out)->GetPrimitiveCounter(0x767FFE), 6);
    test::CloseBoard(board);
}

TEST_F(TEntryTest, MissingEngineIsToldAndTheCallStillAccepted) {
    ASSERT_NE(test::KorrinModule(), nullptr);
    IsolateSearch();
    platform::SetEnv("PATH", Root + "nothing");
    const uint32_t board = test::NewBoard((Root + "none.board.json").c_str());
    WriteFile(Root + "drawing.dxf", "x");
    EXPECT_EQ(GuardedImport(Root + "drawing.dxf", ImportFileIntoBoard), 1);
    RestorePath();
    ASSERT_EQ(FakeClient.Messages.size(), 1u);
    EXPECT_EQ(FakeClient.Messages[0].Caption, "Error");
    EXPECT_EQ(FakeClient.Messages[0].Text,
              "The drawing engine libpad2.so was not found, so nothing was imported. Put it "
              "beside the import plug-in or the host program, or in a folder on PATH.");
    test::CloseBoard(board);
}

TEST_F(TEntryTest, AnExceptionMidImportClosesTheEngineAndFreesTheBoard) {
    ASSERT_NE(test::KorrinModule(), nullptr);
    const uint32_t board = test::NewBoard((Root + "throw.board.json").c_str());
    FakeClient.Answers = "X=0\nY=0";
    FakeClient.ThrowOnMessage = 1; // the placement warning's box fails
    EXPECT_EQ(GuardedImport(DXFI_TEST_DATA_DIR "/negative_R2000.dxf", ImportFileIntoBoard), 1);
    EXPECT_FALSE(EngineLibraryLoaded());
    EXPECT_EQ(CurrentBoard(), nullptr);
    ASSERT_EQ(FakeClient.Messages.size(), 2u);
    EXPECT_EQ(FakeClient.Messages[0].Caption, "Warning");
    EXPECT_EQ(FakeClient.Messages[1].Caption, "Error");
    EXPECT_EQ(FakeClient.Messages[1].Text.rfind("The message box failed\n\nThe import of ", 0), 0u);
    test::CloseBoard(board);
}
