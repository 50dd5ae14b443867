// SPDX-License-Identifier: MIT
#include "host/client/HostClient.h"
#include "abi/ClientApi.h"
#include "abi/PcbApi.h"
#include "host/client/HostText.h"
#include "host/client/MessageBox.h"
#include "host/client/ProgressDisplay.h"
#include "host/client/TestMode.h"
#include "support/TempFolder.h"
#include "support/TextCases.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

using namespace dxfi::host;
using namespace dxfi::abi;

namespace {

// Everything a FILE* stream received.
std::string Contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[512];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    return text;
}

struct TScopedEnv {
    TScopedEnv(const char* name, const char* value) : Name(name) {
        if (const char* old = std::getenv(name)) Old = old, HadOld = true;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~TScopedEnv() {
        if (HadOld)
            setenv(Name.c_str(), Old.c_str(), 1);
        else
            unsetenv(Name.c_str());
    }
    std::string Name, Old;
    bool HadOld = false;
};

} // namespace

TEST(HostTextTest, ConvertsUtf16AndCutsUtf8WithoutSplittingCharacters) {
    EXPECT_EQ(Utf16ToUtf8(u"Importing..."), "Importing...");
    EXPECT_EQ(Utf16ToUtf8(u"\u00e9\u20ac\U0001F600"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    const char16_t unpaired[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    EXPECT_EQ(Utf16ToUtf8(unpaired), "a\xEF\xBF\xBD"
                                     "b\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(static_cast<const char16_t*>(nullptr)), "");

    char buffer[6];
    CopyUtf8ToBuffer("abcd\xE2\x82\xAC", buffer, sizeof buffer); // the euro sign would not fit
    EXPECT_STREQ(buffer, "abcd");
    CopyUtf8ToBuffer("abc", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "abc");
}

TEST(HostTextTest, SplitsPathsAtTheLastSlash) {
    testsupport::ExpectEachCase(FileNamePart,
                                {{"/a/b/c.dxf", "c.dxf"}, {"c.dxf", "c.dxf"}, {"/a/b/", ""}});
    testsupport::ExpectEachCase(FolderPart,
                                {{"/a/b/c.dxf", "/a/b/"}, {"c.dxf", ""}, {"/c.dxf", "/"}});
}

TEST(ClientApiTest, ExistSpecificAnswersForFilesOnly) {
    TTempFolder folder;
    std::string file = folder.WriteFile("drawing.dxf", "0\nEOF\n");
    EXPECT_EQ(ClientAPI_ExistSpecific(file.c_str()), 1);
    EXPECT_EQ(ClientAPI_ExistSpecific(folder.Path().c_str()), 0);
    EXPECT_EQ(ClientAPI_ExistSpecific((folder.Path() + "missing.dxf").c_str()), 0);
    EXPECT_EQ(ClientAPI_ExistSpecific(""), 0);
    EXPECT_EQ(ClientAPI_ExistSpecific(nullptr), 0);
}

TEST(ClientApiTest, PathFunctionsFillTheirBuffers) {
    char out[kText256];
    ClientAPI_ExtractWholeFileNameFromPath("/data/drawings/logo.dxf", out);
    EXPECT_STREQ(out, "logo.dxf");
    ClientAPI_ExtractFileDirFromPath("/data/drawings/logo.dxf", out);
    EXPECT_STREQ(out, "/data/drawings/");
    ClientAPI_ExtractFileDirFromPath("logo.dxf", out);
    EXPECT_STREQ(out, "");
    ClientAPI_ExtractWholeFileNameFromPath(nullptr, out);
    EXPECT_STREQ(out, "");

    TScopedEnv exeDir("DXFI_EXE_DIR", "/opt/editor");
    ClientAPI_ConvertFileNameToExeFileName("/somewhere/PAD2.DLL", out);
    EXPECT_STREQ(out, "/opt/editor/PAD2.DLL");

    // A path longer than the buffer is cut to 255 bytes.
    std::string longName(300, 'x');
    ClientAPI_ExtractWholeFileNameFromPath(longName.c_str(), out);
    EXPECT_EQ(std::string(out), std::string(255, 'x'));
}

TEST(ClientApiTest, ProgramFolderIsTheExecutablesWithoutRedirection) {
    TScopedEnv exeDir("DXFI_EXE_DIR", nullptr);
    char out[kText256];
    ClientAPI_ConvertFileNameToExeFileName("PADINIT.DAT", out);
    // Test binaries live in the build's tests/ folder beside bin/.
    std::string binDir = DXFI_BIN_DIR;
    EXPECT_EQ(std::string(out), binDir.substr(0, binDir.size() - 3) + "tests/PADINIT.DAT");
}

TEST(TestModeTest, FindsTheKeyInHiveText) {
    const std::string header = "Windows Registry Editor Version 5.00\n\n";
    EXPECT_TRUE(
        HiveTextHasTestModeKey(header + "[HKEY_LOCAL_MACHINE\\Software\\Corvane\\TestMode]\n"));
    EXPECT_TRUE(HiveTextHasTestModeKey("\xEF\xBB\xBF" + header +
                                       "[hkey_local_machine\\SOFTWARE\\corvane\\testmode]\r\n"));
    EXPECT_TRUE(HiveTextHasTestModeKey(header +
                                       "[HKEY_LOCAL_MACHINE\\Software\\Corvane\\TestMode\\Sub]\n"));
    EXPECT_FALSE(
        HiveTextHasTestModeKey(header + "[-HKEY_LOCAL_MACHINE\\Software\\Corvane\\TestMode]\n"));
    EXPECT_FALSE(
        HiveTextHasTestModeKey(header + "[HKEY_LOCAL_MACHINE\\Software\\Corvane\\TestModeX]\n"));
    EXPECT_FALSE(
        HiveTextHasTestModeKey(header + "[HKEY_CURRENT_USER\\Software\\Corvane\\TestMode]\n"));
    EXPECT_FALSE(HiveTextHasTestModeKey(header + "\"TestMode\"=dword:00000001\n"));
    EXPECT_FALSE(HiveTextHasTestModeKey(""));
}

TEST(TestModeTest, FollowsTheMachineHiveFile) {
    TTempFolder folder;
    std::string hive = folder.Path() + "machine.reg";
    TScopedEnv variable(kMachineHiveVariable, hive.c_str());
    EXPECT_EQ(MachineHivePath(), hive);
    EXPECT_FALSE(IsTestMode()); // missing file
    folder.WriteFile("machine.reg", "");
    EXPECT_FALSE(IsTestMode()); // empty file
    folder.WriteFile("machine.reg", "Windows Registry Editor Version 5.00\n\n"
                                    "[HKEY_LOCAL_MACHINE\\Software\\Corvane\\TestMode]\n");
    EXPECT_TRUE(IsTestMode());
    // A named pipe (no writer) is not a hive and is not waited for.
    std::string pipe = folder.Path() + "pipe.reg";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    TScopedEnv toPipe(kMachineHiveVariable, pipe.c_str());
    EXPECT_FALSE(IsTestMode());
}

TEST(TestModeTest, EnableWritesATemporaryHiveAndRemoveDeletesIt) {
    TTempFolder folder;
    TScopedEnv tmp("TMPDIR", folder.Path().c_str());
    TScopedEnv variable(kMachineHiveVariable, nullptr);
    std::string hive = EnableTestMode();
    EXPECT_EQ(hive.rfind(folder.Path(), 0), 0u);
    EXPECT_EQ(MachineHivePath(), hive);
    EXPECT_EQ(TTempFolder::ReadFile(hive), "Windows Registry Editor Version 5.00\n\n"
                                           "[HKEY_LOCAL_MACHINE\\Software\\Corvane\\TestMode]\n");
    EXPECT_TRUE(IsTestMode());
    RemoveTemporaryHive();
    EXPECT_FALSE(IsTestMode());
    EXPECT_EQ(TTempFolder::ReadFile(hive), "");
    RemoveTemporaryHive(); // twice is harmless
}

TEST(TestModeTest, EnableNamesAnUnwritableFolder) {
    TScopedEnv tmp("TMPDIR", "/nonexistent-folder-for-pcbhost");
    try {
        EnableTestMode();
        FAIL() << "expected a failure";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "cannot create the test-mode machine hive in /nonexistent-folder-for-pcbhost/: "
                  "No such file or directory; set TMPDIR to a writable folder");
    }
}

class ProgressDisplayTest : public ::testing::Test {
protected:
    void SetUp() override { Out = std::tmpfile(); }
    void TearDown() override { std::fclose(Out); }
    std::FILE* Out = nullptr;
};

TEST_F(ProgressDisplayTest, WritesOneLinePerCaptionWithoutATerminal) {
    TProgressDisplay progress(Out, false);
    progress.Init("Loading /tmp/a.dxf", 100);
    for (int i = 0; i < 250; ++i)
        progress.Update();
    progress.Finish();
    progress.Init("Placing...", 3);
    progress.Update();
    progress.Finish();
    progress.Update(); // after Finish: nothing
    EXPECT_EQ(Contents(Out), "Loading /tmp/a.dxf\nPlacing...\n");
}

TEST_F(ProgressDisplayTest, DrawsABarInPlaceOnATerminal) {
    TProgressDisplay progress(Out, true, std::chrono::milliseconds(0));
    progress.Init("Loading", 4);
    progress.Update();
    progress.Update();
    EXPECT_EQ(progress.Steps(), 2);
    progress.Finish();
    std::string bar0 = "\rLoading [" + std::string(30, ' ') + "] 0%\033[K";
    std::string bar25 = "\rLoading [" + std::string(7, '#') + std::string(23, ' ') + "] 25%\033[K";
    std::string bar50 = "\rLoading [" + std::string(15, '#') + std::string(15, ' ') + "] 50%\033[K";
    std::string bar100 = "\rLoading [" + std::string(30, '#') + "] 100%\033[K";
    EXPECT_EQ(Contents(Out), bar0 + bar25 + bar50 + bar100 + "\n");
}

TEST_F(ProgressDisplayTest, ThrottlesRedrawsAndBreaksTheLineForOtherOutput) {
    TProgressDisplay progress(Out, true, std::chrono::hours(1));
    progress.Init("Placing...", 1000);
    for (int i = 0; i < 1000; ++i)
        progress.Update(); // within the interval: no redraw
    progress.BreakLine();
    progress.Update(); // the bar comes back on a fresh line
    std::string text = Contents(Out);
    EXPECT_EQ(text, "\rPlacing... [" + std::string(30, ' ') + "] 0%\033[K\n" + "\rPlacing... [" +
                        std::string(30, '#') + "] 100%\033[K");
}

TEST_F(ProgressDisplayTest, CountsStepsWithoutATotalAndShortensLongCaptions) {
    TProgressDisplay progress(Out, true, std::chrono::milliseconds(0));
    progress.Init("Loading /a/very/long/folder/name/for/drawings/board.dxf", 0);
    progress.Update();
    progress.Finish();
    EXPECT_EQ(Contents(Out), "\rLoading /a/v...me/for/drawings/board.dxf 0\033[K"
                             "\rLoading /a/v...me/for/drawings/board.dxf 1\033[K"
                             "\rLoading /a/v...me/for/drawings/board.dxf 1\033[K\n");
}

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        Err = std::tmpfile();
        In = std::tmpfile();
    }
    void TearDown() override {
        std::fclose(Err);
        std::fclose(In);
    }
    void Answer(const char* text) {
        std::fclose(In);
        In = std::tmpfile();
        std::fputs(text, In);
        std::rewind(In);
    }
    std::FILE* Err = nullptr;
    std::FILE* In = nullptr;
};

TEST_F(MessageBoxTest, ShowsCaptionAndTextLines) {
    int32_t result = PresentMessage("Warning", "first line\nsecond line\n\nlast", kMbIconWarning,
                                    amAsk, {Err, nullptr, false});
    EXPECT_EQ(result, kIdOk);
    EXPECT_EQ(Contents(Err), "Warning:\n  first line\n  second line\n\n  last\n");
}

TEST_F(MessageBoxTest, TurnsLineFeedCarriageReturnIntoOneLineBreak) {
    PresentMessage("Confirm", "Some entities were discarded during import!\n\rShow Error Report?",
                   kMbYesNo | kMbIconQuestion, amNo, {Err, nullptr, false});
    EXPECT_EQ(Contents(Err), "Confirm:\n  Some entities were discarded during import!\n"
                             "  Show Error Report?\n  -> No (--no)\n");
}

TEST_F(MessageBoxTest, AnswersQuestionsFromTheChoiceTheTerminalOrNo) {
    EXPECT_EQ(PresentMessage("Confirm", "Show?", kMbYesNo, amYes, {Err, nullptr, false}), kIdYes);
    EXPECT_EQ(PresentMessage("Confirm", "Show?", kMbYesNo, amNo, {Err, nullptr, false}), kIdNo);
    EXPECT_EQ(PresentMessage("Confirm", "Show?", kMbYesNo, amAsk, {Err, In, false}), kIdNo);
    EXPECT_EQ(Contents(Err), "Confirm:\n  Show?\n  -> Yes (--yes)\n"
                             "Confirm:\n  Show?\n  -> No (--no)\n"
                             "Confirm:\n  Show?\n"
                             "  -> No (no terminal to ask; answer with --yes or --no)\n");
}

TEST_F(MessageBoxTest, ReadsTheUsersAnswerOnATerminal) {
    Answer(" yes \n");
    EXPECT_EQ(PresentMessage("Confirm", "Show?", kMbYesNo, amAsk, {Err, In, true}), kIdYes);
    Answer("n\n");
    EXPECT_EQ(PresentMessage("Confirm", "Show?", kMbYesNo, amAsk, {Err, In, true}), kIdNo);
    std::fclose(In);
    In = std::tmpfile(); // end of input
    EXPECT_EQ(PresentMessage("Confirm", "Show?", kMbYesNo, amAsk, {Err, In, true}), kIdNo);
    const std::string prompt = "Confirm:\n  Show?\n  Yes or No? [y/N] ";
    EXPECT_EQ(Contents(Err), prompt + prompt + prompt);
}

TEST(MessageBoxTestModeTest, LineAndKindOfBox) {
    EXPECT_EQ(TestModeLine("Warning", "a\nb"), "ShowDialogWithCaption withWarning a\nb\n");
    EXPECT_EQ(TestModeLine("", ""), "ShowDialogWithCaption with \n");
    EXPECT_TRUE(IsErrorOrWarning("Note", kMbIconWarning));
    EXPECT_TRUE(IsErrorOrWarning("Note", kMbIconError | kMbOk));
    EXPECT_TRUE(IsErrorOrWarning("Error", kMbOk));
    EXPECT_TRUE(IsErrorOrWarning("Warning", kMbOk));
    EXPECT_FALSE(IsErrorOrWarning("Confirm", kMbYesNo | kMbIconQuestion));
    EXPECT_FALSE(IsErrorOrWarning("Information", kMbOk));
}

TEST(MessageBoxTestModeTest, EndsTheProcessWithExitCodeOne) {
    EXPECT_EXIT(EndProcessForTestMode("Warning", "moved"), ::testing::ExitedWithCode(1), "");
}

namespace {

struct TFakeModule : IInterface {
    int32_t DXFI_STDCALL QueryInterface(const TGuid&, void** out) override {
        *out = this;
        return kOk;
    }
    uint32_t DXFI_STDCALL AddRef() override { return 1; }
    uint32_t DXFI_STDCALL Release() override { return 1; }
};

} // namespace

TEST(HostClientTest, HandsOutThePcbModuleAndTheDialogAnswers) {
    TClient& client = TClient::Instance();
    EXPECT_EQ(ClientAPI_GetClient(), &client);
    TFakeModule module;
    client.SetPcbServerModule(&module);
    EXPECT_EQ(client.GetServerModuleByName("PCB"), &module);
    EXPECT_EQ(client.GetServerModuleByName("pcb"), &module);
    EXPECT_EQ(client.GetServerModuleByName("SCH"), nullptr);
    EXPECT_EQ(client.GetServerModuleByName(nullptr), nullptr);
    client.SetPcbServerModule(nullptr);

    EXPECT_FALSE(client.InteractiveDialogs());
    EXPECT_STREQ(client.DialogAnswers(), "");
    client.Configure({amNo, "ScaleUnits=1mm\nSpace=Model\n"});
    EXPECT_STREQ(client.DialogAnswers(), "ScaleUnits=1mm\nSpace=Model\n");
    EXPECT_EQ(client.ShowMessage("Confirm", "Show?", kMbYesNo | kMbIconQuestion), kIdNo);
    client.Configure({});
}

TEST(HostClientTest, OpenObjectPrintsThePathWithoutADisplay) {
    TScopedEnv display("DISPLAY", nullptr);
    TScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    TTempFolder folder;
    std::string report = folder.WriteFile("Import Error Report.html", "<html/>");
    std::string parameters = "Filename=" + report;
    TClient& client = TClient::Instance();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(client.SendCommand("WorkspaceManager:OpenObject", parameters.c_str(),
                                 static_cast<int32_t>(parameters.size())),
              0);
    // The length counts: the name ends where the length says.
    std::string padded = "Filename=" + report + "garbage";
    EXPECT_EQ(client.SendCommand("WorkspaceManager:OpenObject", padded.c_str(),
                                 static_cast<int32_t>(parameters.size())),
              0);
    EXPECT_EQ(client.SendCommand("WorkspaceManager:OpenObject", "Filename=", 9), 1);
    EXPECT_EQ(client.SendCommand("WorkspaceManager:OpenObject", "Filename=/no/such.html", 22), 1);
    EXPECT_EQ(client.SendCommand("Unknown:Command", "", 0), -1);
    EXPECT_EQ(client.SendCommand(nullptr, "", 0), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Open this file: " + report + "\nOpen this file: " + report +
                  "\nNothing to open: no file was produced.\n"
                  "Cannot open /no/such.html: the file does not exist.\n"
                  "pcbhost: the host has no command Unknown:Command; nothing was done.\n");
}

TEST(HostClientTest, OpenObjectHandsTheFileToTheDesktopsOpener) {
    TTempFolder folder;
    std::string report = folder.WriteFile("report.html", "<html/>");
    std::filesystem::create_directory(folder.Path() + "bin");
    // A stand-in opener that records what it was asked to open.
    std::string opener = folder.WriteFile("bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > " +
                                                              folder.Path() + "opened.txt\n");
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    std::string path = folder.Path() + "bin:" + std::getenv("PATH");
    TScopedEnv pathVariable("PATH", path.c_str());
    TScopedEnv display("DISPLAY", ":99");
    std::string parameters = "Filename=" + report;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(TClient::Instance().SendCommand("WorkspaceManager:OpenObject", parameters.c_str(),
                                              static_cast<int32_t>(parameters.size())),
              0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(TTempFolder::ReadFile(folder.Path() + "opened.txt"), report);

    // An opener that fails leaves the path for the user.
    folder.WriteFile("bin/xdg-open", "#!/bin/sh\nexit 3\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(TClient::Instance().SendCommand("WorkspaceManager:OpenObject", parameters.c_str(),
                                              static_cast<int32_t>(parameters.size())),
              0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Open this file: " + report + "\n");
}

TEST(HostClientTest, StatusBarTextIsALine) {
    ::testing::internal::CaptureStderr();
    TClient::Instance().SetStatusBarText(2, u"Importing...");
    TClient::Instance().SetStatusBarText(2, u"");
    TClient::Instance().SetStatusBarText(2, nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Importing...\n");
}
