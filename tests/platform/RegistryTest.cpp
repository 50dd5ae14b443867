// SPDX-License-Identifier: MIT
#include "platform/Registry.h"
#include "platform/Files.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

using namespace dxfi::platform;

namespace {

// The text value `name` of `key`; "(not read)" when it cannot be read as text.
std::string TextOf(const TRegistryKey& key, const std::string& name) {
    std::string text;
    return key.ReadText(name, text) ? text : "(not read)";
}

// The number value `name` of `key`; none when it cannot be read as a number.
std::optional<uint32_t> DwordOf(const TRegistryKey& key, const std::string& name) {
    uint32_t number = 0;
    if (!key.ReadDword(name, number)) return std::nullopt;
    return number;
}

// Both hives redirected into a fresh folder.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        UserHive = Folder.Path() + "config/user.reg";
        MachineHive = Folder.Path() + "machine.reg";
        ASSERT_TRUE(CreateFolder(Folder.Path() + "config"));
        SetHiveFileOverride(hkCurrentUser, UserHive);
        SetHiveFileOverride(hkLocalMachine, MachineHive);
    }
    void TearDown() override {
        SetHiveFileOverride(hkCurrentUser, "");
        SetHiveFileOverride(hkLocalMachine, "");
    }

    TTempFolder Folder;
    std::string UserHive;
    std::string MachineHive;
};

} // namespace

TEST_F(RegistryTest, RoundTripThroughTheFile) {
    {
        TRegistryKey key;
        ASSERT_TRUE(key.Open(hkCurrentUser, "Software\\Corvane2004\\Misc", true));
        EXPECT_TRUE(key.WriteDword("DefaultLineWidth", 10));
        EXPECT_TRUE(key.WriteText("Path", "C:\\dir \"quoted\"\nsecond line"));
        EXPECT_TRUE(key.WriteText("Layer \xC3\xA9", "\xE2\x82\xAC"));
        EXPECT_TRUE(key.WriteDword("Max", 0xFFFFFFFFu));
    }
    EXPECT_EQ(TTempFolder::ReadFile(UserHive),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Corvane2004\\Misc]\n"
              "\"DefaultLineWidth\"=dword:0000000a\n"
              "\"Layer \xC3\xA9\"=\"\xE2\x82\xAC\"\n"
              "\"Max\"=dword:ffffffff\n"
              "\"Path\"=\"C:\\\\dir \\\"quoted\\\"\\nsecond line\"\n"
              "\n");
    // Written atomically: no temporary file is left beside the hive.
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Folder.Path() + "config")) {
        EXPECT_EQ(entry.path().filename(), "user.reg");
        ++entries;
    }
    EXPECT_EQ(entries, 1u);

    // Read back from a fresh load; key and value names ignore letter case.
    TRegistryKey key;
    ASSERT_TRUE(key.Open(hkCurrentUser, "\\SOFTWARE\\corvane2004\\\\misc", false));
    uint32_t number = 0;
    EXPECT_EQ(DwordOf(key, "defaultlinewidth"), 10u);
    EXPECT_EQ(DwordOf(key, "Max"), 0xFFFFFFFFu);
    std::string text;
    EXPECT_EQ(TextOf(key, "PATH"), "C:\\dir \"quoted\"\nsecond line");
    EXPECT_EQ(TextOf(key, "Layer \xC3\xA9"), "\xE2\x82\xAC");
    EXPECT_EQ(key.ValueType("Path"), rvText);
    EXPECT_EQ(key.ValueType("Max"), rvDword);
    EXPECT_EQ(key.ValueType("Nothing"), rvNone);
    // A value of the other type is not read.
    EXPECT_FALSE(key.ReadText("Max", text));
    EXPECT_FALSE(key.ReadDword("Path", number));
    EXPECT_EQ(key.ValueNames(),
              (std::vector<std::string>{"DefaultLineWidth", "Layer \xC3\xA9", "Max", "Path"}));
}

TEST_F(RegistryTest, MissingKeysAreNotCreatedByReading) {
    TRegistryKey key;
    EXPECT_FALSE(key.Open(hkCurrentUser, "Software\\Nothing", false));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(key.ValueExists("x"));
    EXPECT_FALSE(key.WriteDword("x", 1));
    EXPECT_FALSE(FileExists(UserHive));
    EXPECT_FALSE(CanOpenKeyWithFullAccess(hkLocalMachine, "\\Software\\Corvane\\TestMode"));
    EXPECT_FALSE(FileExists(MachineHive));
}

TEST_F(RegistryTest, HivesAreSeparate) {
    {
        TRegistryKey key;
        ASSERT_TRUE(key.Open(hkLocalMachine, "\\Software\\Corvane\\TestMode", true));
    }
    EXPECT_TRUE(CanOpenKeyWithFullAccess(hkLocalMachine, "\\Software\\Corvane\\TestMode"));
    EXPECT_TRUE(CanOpenKeyWithFullAccess(hkLocalMachine, "software\\corvane\\testmode"));
    EXPECT_FALSE(CanOpenKeyWithFullAccess(hkCurrentUser, "\\Software\\Corvane\\TestMode"));
    EXPECT_EQ(TTempFolder::ReadFile(MachineHive),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Corvane\\TestMode]\n\n");
    EXPECT_FALSE(FileExists(UserHive));

    // The same section text in the wrong hive's file is not taken.
    Folder.WriteFile("config/user.reg", "");
    std::filesystem::copy_file(MachineHive, UserHive,
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_FALSE(CanOpenKeyWithFullAccess(hkCurrentUser, "\\Software\\Corvane\\TestMode"));
}

TEST_F(RegistryTest, KeysOfOneHiveShareTheirChanges) {
    {
        TRegistryKey misc;
        TRegistryKey mappings;
        ASSERT_TRUE(misc.Open(hkCurrentUser, "Software\\P\\Misc", true));
        ASSERT_TRUE(mappings.Open(hkCurrentUser, "Software\\P\\Layer Mappings", true));
        EXPECT_TRUE(misc.WriteDword("SpacesToImport", 1));
        EXPECT_TRUE(mappings.WriteText("0_PCBLayer", "Mechanical 1"));
        std::string error;
        EXPECT_TRUE(misc.Flush(&error)) << error;
        // Still held open: the file already has both values.
        std::string saved = TTempFolder::ReadFile(UserHive);
        EXPECT_NE(saved.find("\"SpacesToImport\"=dword:00000001"), std::string::npos);
        EXPECT_NE(saved.find("\"0_PCBLayer\"=\"Mechanical 1\""), std::string::npos);
        EXPECT_TRUE(mappings.DeleteValue("0_pcblayer"));
        EXPECT_FALSE(mappings.DeleteValue("0_pcblayer"));
    }
    TRegistryKey parent;
    ASSERT_TRUE(parent.Open(hkCurrentUser, "Software\\P", false));
    EXPECT_EQ(parent.SubkeyNames(), (std::vector<std::string>{"Layer Mappings", "Misc"}));
    TRegistryKey mappings;
    ASSERT_TRUE(mappings.Open(hkCurrentUser, "Software\\P\\Layer Mappings", false));
    EXPECT_TRUE(mappings.ValueNames().empty());
    // Rewriting a value with the other type replaces it.
    EXPECT_TRUE(mappings.WriteText("X", "1"));
    EXPECT_TRUE(mappings.WriteDword("x", 2));
    EXPECT_EQ(mappings.ValueType("X"), rvDword);
    EXPECT_EQ(mappings.ValueNames(), (std::vector<std::string>{"x"}));
    // Names and texts end at a NUL, as they would in the Windows registry.
    EXPECT_TRUE(mappings.WriteText(std::string("y\0z", 3), std::string("a\0b", 3)));
    EXPECT_EQ(TextOf(mappings, "y"), "a");
}

TEST_F(RegistryTest, MalformedLinesAreSkipped) {
    Folder.WriteFile("config/user.reg", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
                                        "\r\n"
                                        "; a comment\r\n"
                                        "[HKEY_CURRENT_USER\\Software\\T]\r\n"
                                        "\"Good\"=dword:0000002A\r\n"
                                        "\"Text\"=\"a\\\\b\"\r\n"
                                        "@=\"default\"\r\n"
                                        "\"TooLong\"=dword:123456789\r\n"
                                        "\"NotHex\"=dword:xyz\r\n"
                                        "\"Binary\"=hex:01,02,\\\r\n"
                                        "  03,04\r\n"
                                        "\"Unterminated\"=\"abc\r\n"
                                        "\"Trailing\"=\"abc\" junk\r\n"
                                        "\"NoEquals\" \"x\"\r\n"
                                        "\"Deleted\"=-\r\n"
                                        "garbage line\r\n"
                                        "[HKEY_CURRENT_USER\\Software\\T\r\n"
                                        "\"AfterBrokenSection\"=dword:00000001\r\n"
                                        "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
                                        "\"InDeletion\"=dword:00000001\r\n"
                                        "[HKEY_LOCAL_MACHINE\\Software\\T]\r\n"
                                        "\"OtherHive\"=dword:00000001\r\n"
                                        "[HKEY_CURRENT_USER\\Software\\T]\r\n"
                                        "  \"Again\" = \"spaced\"  \r\n"
                                        "[\r\n"
                                        "[]\r\n"
                                        "\"");
    TRegistryKey key;
    ASSERT_TRUE(key.Open(hkCurrentUser, "Software\\T", false));
    EXPECT_EQ(key.ValueNames(), (std::vector<std::string>{"", "Again", "Good", "Text"}));
    EXPECT_EQ(DwordOf(key, "Good"), 42u);
    EXPECT_EQ(TextOf(key, "Text"), "a\\b");
    EXPECT_EQ(TextOf(key, ""), "default");
    EXPECT_EQ(TextOf(key, "Again"), "spaced");
    TRegistryKey gone;
    EXPECT_FALSE(gone.Open(hkCurrentUser, "Software\\Gone", false));
    EXPECT_FALSE(gone.Open(hkLocalMachine, "Software\\T", false));
}

TEST_F(RegistryTest, UnreadableOrUnwritableHive) {
    // A folder where the hive file should be: it cannot be read, so it is not opened (and
    // not overwritten).
    ASSERT_TRUE(CreateFolders(UserHive));
    TRegistryKey key;
    EXPECT_FALSE(key.Open(hkCurrentUser, "Software", true));

    // A hive whose folder cannot be made: the failure names the file.
    std::string blocker = Folder.WriteFile("blocker", "x");
    SetHiveFileOverride(hkLocalMachine, blocker + "/machine.reg");
    ASSERT_TRUE(key.Open(hkLocalMachine, "Software", true));
    std::string error;
    EXPECT_FALSE(key.Flush(&error));
    EXPECT_NE(error.find(blocker + "/machine.reg"), std::string::npos) << error;
    key.Close();
    std::string closedError;
    EXPECT_FALSE(key.Flush(&closedError));
    EXPECT_EQ(closedError, "No registry key is open.");
}

TEST(RegistryLocation, VariablesAndDefaults) {
    SetHiveFileOverride(hkCurrentUser, "");
    SetHiveFileOverride(hkLocalMachine, "");
    const char* saved = std::getenv("DXFI_MACHINE_HIVE");
    std::string savedValue = saved ? saved : "";
    unsetenv("DXFI_MACHINE_HIVE");
    EXPECT_EQ(HiveFilePath(hkLocalMachine), "/etc/dxfimport/machine.reg");
    setenv("DXFI_MACHINE_HIVE", "/tmp/m.reg", 1);
    EXPECT_EQ(HiveFilePath(hkLocalMachine), "/tmp/m.reg");
    SetHiveFileOverride(hkLocalMachine, "/tmp/o.reg");
    EXPECT_EQ(HiveFilePath(hkLocalMachine), "/tmp/o.reg");
    SetHiveFileOverride(hkLocalMachine, "");
    if (saved)
        setenv("DXFI_MACHINE_HIVE", savedValue.c_str(), 1);
    else
        unsetenv("DXFI_MACHINE_HIVE");
    if (!std::getenv("DXFI_USER_HIVE")) {
        std::string user = HiveFilePath(hkCurrentUser);
        EXPECT_TRUE(user.ends_with("/dxfimport/user.reg")) << user;
    }
}
