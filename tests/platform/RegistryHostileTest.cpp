// SPDX-License-Identifier: MIT
// Hive files that were not written by this program, or not written completely: values of
// other types kept byte for byte, keys nested absurdly deep, garbage, named pipes and the
// temporary files of killed saves.
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/posix/RegistryFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace dxfi::platform;

namespace {

class RegistryHostileTest : public ::testing::Test {
protected:
    void SetUp() override {
        UserHive = Folder.Path() + "user.reg";
        SetHiveFileOverride(hkCurrentUser, UserHive);
    }
    void TearDown() override { SetHiveFileOverride(hkCurrentUser, ""); }

    TTempFolder Folder;
    std::string UserHive;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(RegistryHostileTest, LinesItDoesNotReadAreWrittenBackByteForByte) {
    const std::string preamble = "; exported by hand\r\n";
    const std::string binary = "\"Blob\"=hex:01,02,03,\\\r\n  04,05\r\n";
    const std::string quad = "\"Big\"=qword:0000000100000000\r\n";
    const std::string comment = "; keep this note\r\n";
    const std::string expand = "\"Path\"=hex(2):25,00,00,00\n";
    const std::string otherHive =
        "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n\"M\"=dword:00000001\r\n";
    const std::string afterOther = "\"Late\"=qword:0000000000000002\r\n";
    const std::string replaced = "\"Width\"=hex(b):01,00,00,00,00,00,00,00\r\n";
    Folder.WriteFile("user.reg",
                     "Windows Registry Editor Version 5.00\r\n\r\n" + preamble +
                         "[HKEY_CURRENT_USER\\Software\\P\\Misc]\r\n\"Kept\"=dword:00000007\r\n" +
                         binary + quad + comment + replaced + otherHive +
                         "[HKEY_CURRENT_USER\\Software\\P\\Misc]\r\n" + afterOther +
                         "[HKEY_CURRENT_USER\\Software\\Q]\r\n" + expand);
    {
        TRegistryKey key;
        ASSERT_TRUE(key.Open(hkCurrentUser, "Software\\P\\Misc", false));
        EXPECT_EQ(key.ValueNames(), (std::vector<std::string>{"Kept"}));
        EXPECT_EQ(key.ValueType("Blob"), rvNone);
        // A value written under a foreign value's name replaces it.
        EXPECT_TRUE(key.WriteDword("width", 5));
        EXPECT_TRUE(key.WriteText("Added", "x"));
        ASSERT_TRUE(key.Flush());
    }
    const std::string saved = TTempFolder::ReadFile(UserHive);
    for (const std::string& part : {preamble, binary + quad + comment, otherHive,
                                    "[HKEY_CURRENT_USER\\Software\\P\\Misc]\n" + afterOther,
                                    "[HKEY_CURRENT_USER\\Software\\Q]\n" + expand})
        EXPECT_TRUE(Contains(saved, part)) << part << "\nnot in\n" << saved;
    EXPECT_FALSE(Contains(saved, replaced)) << saved;
    EXPECT_TRUE(Contains(saved, "\"width\"=dword:00000005\n")) << saved;

    // Read back: the same values, and writing again changes nothing.
    {
        TRegistryKey key;
        ASSERT_TRUE(key.Open(hkCurrentUser, "Software\\P\\Misc", false));
        EXPECT_EQ(key.ValueNames(), (std::vector<std::string>{"Added", "Kept", "width"}));
        uint32_t number = 0;
        EXPECT_TRUE(key.ReadDword("Kept", number));
        EXPECT_EQ(number, 7u);
        EXPECT_TRUE(key.WriteText("Added", "x"));
        ASSERT_TRUE(key.Flush());
    }
    EXPECT_EQ(TTempFolder::ReadFile(UserHive), saved);
    EXPECT_EQ(HiveReadProblem(hkCurrentUser), "");
}

TEST_F(RegistryHostileTest, KeysNestedTooDeepAreRefusedWithoutRecursionOrBlowUp) {
    // 100,000 levels, 10,000 levels (refused), and 500 levels (read, and written once).
    auto section = [](std::string path, int levels, const char* part) {
        for (int i = 0; i < levels; ++i)
            path += part;
        return "[" + path + "]\r\n\"V\"=dword:00000001\r\n";
    };
    const std::string deep = section("HKEY_CURRENT_USER", 100000, "\\k");
    const std::string deep2 = section("HKEY_CURRENT_USER\\Software\\C", 10000, "\\c");
    const std::string within = section("HKEY_CURRENT_USER\\Software\\W", 500, "\\w");
    const std::string text = "Windows Registry Editor Version 5.00\n\n"
                             "[HKEY_CURRENT_USER\\Software\\P]\n\"Good\"=dword:00000002\n" +
                             deep + deep2 + within;
    Folder.WriteFile("user.reg", text);
    {
        TRegistryKey key;
        ASSERT_TRUE(key.Open(hkCurrentUser, "Software\\P", false));
        uint32_t number = 0;
        EXPECT_TRUE(key.ReadDword("Good", number));
        EXPECT_EQ(number, 2u);
        const std::string problem = HiveReadProblem(hkCurrentUser);
        EXPECT_TRUE(Contains(problem, UserHive)) << problem;
        EXPECT_TRUE(Contains(problem, "2 keys nested deeper than 512 levels")) << problem;
        // Keys are not made deeper than the limit either.
        std::string tooDeep = "Software";
        for (int i = 0; i < 600; ++i)
            tooDeep += "\\d";
        TRegistryKey deepKey;
        EXPECT_FALSE(deepKey.Open(hkCurrentUser, tooDeep, true));
        EXPECT_TRUE(key.WriteDword("Good", 3));
        ASSERT_TRUE(key.Flush());
    }
    // Nothing is lost, and the file does not grow with the square of the depth.
    const std::string saved = TTempFolder::ReadFile(UserHive);
    EXPECT_TRUE(Contains(saved, deep + deep2)) << saved.substr(0, 200);
    std::string withinSaved = within;
    std::erase(withinSaved, '\r');
    EXPECT_TRUE(Contains(saved, withinSaved));
    EXPECT_LT(saved.size(), 2 * text.size());
    TRegistryKey key;
    ASSERT_TRUE(key.Open(hkCurrentUser, "Software\\P", false));
    uint32_t number = 0;
    EXPECT_TRUE(key.ReadDword("Good", number));
    EXPECT_EQ(number, 3u);
}

TEST_F(RegistryHostileTest, GarbageIsMovedAsideAndNamedPipesAreNotWaitedFor) {
    const std::string garbage = std::string("\x7F"
                                            "ELF\0\0garbage",
                                            12);
    Folder.WriteFile("user.reg", garbage);
    {
        TRegistryKey key;
        ASSERT_TRUE(key.Open(hkCurrentUser, "Software\\P", true));
        const std::string problem = HiveReadProblem(hkCurrentUser);
        EXPECT_TRUE(Contains(problem, UserHive + " is damaged")) << problem;
        EXPECT_TRUE(Contains(problem, UserHive + ".damaged")) << problem;
        EXPECT_TRUE(key.WriteDword("A", 1));
        ASSERT_TRUE(key.Flush());
    }
    EXPECT_EQ(TTempFolder::ReadFile(UserHive + ".damaged"), garbage);
    EXPECT_EQ(TTempFolder::ReadFile(UserHive),
              "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\P]\n"
              "\"A\"=dword:00000001\n\n");
    TRegistryKey again;
    ASSERT_TRUE(again.Open(hkCurrentUser, "Software\\P", false));
    EXPECT_EQ(HiveReadProblem(hkCurrentUser), "");
    again.Close();

    // A named pipe (without a writer) is refused at once, not read, and not replaced.
    const std::string pipe = Folder.Path() + "pipe.reg";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    SetHiveFileOverride(hkCurrentUser, pipe);
    TRegistryKey key;
    EXPECT_FALSE(key.Open(hkCurrentUser, "Software\\P", true));
    const std::string problem = HiveReadProblem(hkCurrentUser);
    EXPECT_TRUE(Contains(problem, pipe + " cannot be read (it is a named pipe")) << problem;
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
}

TEST_F(RegistryHostileTest, TemporariesOfKilledSavesAreRemovedOnTheNextSave) {
    // A process id that no process has now.
    pid_t dead = 4190000;
    while (kill(dead, 0) == 0 || errno != ESRCH)
        --dead;
    const std::string stale = Folder.WriteFile("user.reg.tmp" + std::to_string(dead), "half");
    const std::string live = Folder.WriteFile("user.reg.tmp1", "init's"); // pid 1 always runs
    const std::string other = Folder.WriteFile("user.reg.tmpnotes", "not ours");
    TRegistryKey key;
    ASSERT_TRUE(key.Open(hkCurrentUser, "Software\\P", true));
    ASSERT_TRUE(key.Flush());
    EXPECT_FALSE(FileExists(stale));
    EXPECT_TRUE(FileExists(live));
    EXPECT_TRUE(FileExists(other));
    EXPECT_FALSE(FileExists(TemporaryPathBeside(UserHive)));
}

TEST(RegistryFileText, WritingWhatWasReadIsStable) {
    // Cases the fuzz target found: continuation lines at the end of the file or before a
    // line that starts like a section, and a key's section repeated after an unread one whose
    // lines are replaced by a value.
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (const std::string& body : {
             std::string("[HKEY_CURRENT_USER\\S]\r\n\"Blob\"=hex:01,\\"),
             std::string("[HKEY_CURRENT_USER\\S]\r\n\"A\"=hex:01,\\\r\n\r\n[\r\n\"B\"=\"b\"\r\n"),
             std::string("[HKEY_CURRENT_USER\\S]\r\n\"X\"=qword:1\r\n[HKEY_LOCAL_MACHINE\\M]\r\n"
                         "[HKEY_CURRENT_USER\\S]\r\n\"X\"=oops\r\n\"X\"=\"1\"\r\n"),
         }) {
        auto rewrite = [](std::string_view text) {
            TKeyNode root;
            THiveReadResult result = ParseHiveText(text, hkCurrentUser, root);
            return FormatHiveText(root, hkCurrentUser, result.Preamble);
        };
        const std::string once = rewrite(header + body);
        EXPECT_EQ(rewrite(once), once) << body;
    }
}
