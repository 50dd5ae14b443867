// SPDX-License-Identifier: MIT
#include "pcbimport/SettingsStore.h"
#include "pcbimport/RegistrySettingsStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <vector>

using namespace dxfi;
namespace fs = std::filesystem;

namespace {
fs::path TempPath(const std::string& name) {
    return fs::temp_directory_path() / ("dxfi_settings_" + std::to_string(::getpid()) + "_" + name);
}
std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
} // namespace

TEST(IniSettingsStore, ReadsWritesAndSavesAtomically) {
    auto store = TIniSettingsStore::FromText(
        "x.ini", "[Misc]\r\nExplodeBlocks=0\r\nDefaultLineWidth = 50000 \r\nbad line\r\n"
                 "[Layer Mappings]\nDim_PCBLayer=Mechanical Layer 1\nDim_Condition=smaller than\n");
    EXPECT_TRUE(store.ValueExists("misc", "explodeblocks"));
    EXPECT_FALSE(store.ReadBool("Misc", "ExplodeBlocks", true));
    EXPECT_EQ(store.ReadInteger("Misc", "DefaultLineWidth", 1), 50000);
    EXPECT_EQ(store.ReadInteger("Misc", "Missing", 7), 7);
    EXPECT_EQ(store.ReadString("Layer Mappings", "Dim_PCBLayer", ""), "Mechanical Layer 1");
    EXPECT_EQ(store.ReadInteger("Layer Mappings", "Dim_PCBLayer", 9), 9); // not a number
    store.WriteInteger("Misc", "SpacesToImport", -1);
    store.WriteBool("Misc", "ExplodeBlocks", true);
    store.WriteString("New", "Key", "v");
    EXPECT_EQ(store.ToText(),
              "[Misc]\nExplodeBlocks=1\nDefaultLineWidth=50000\nSpacesToImport=-1\n\n"
              "[Layer Mappings]\nDim_PCBLayer=Mechanical Layer 1\nDim_Condition=smaller than\n\n"
              "[New]\nKey=v\n");

    const fs::path path = TempPath("a.ini");
    TIniSettingsStore file(path.string());
    EXPECT_FALSE(file.ValueExists("Misc", "ExplodeBlocks")); // missing file: empty store
    file.WriteInteger("Misc", "InsertionPointX", 10000000);
    std::string error;
    ASSERT_TRUE(file.Save(error)) << error;
    EXPECT_FALSE(fs::exists(path.string() + ".tmp"));
    EXPECT_EQ(TIniSettingsStore(path.string()).ReadInteger("Misc", "InsertionPointX", 0), 10000000);
    fs::remove(path);

    TIniSettingsStore nowhere("/nonexistent-folder/x.ini");
    EXPECT_FALSE(nowhere.Save(error));
    EXPECT_NE(error.find("/nonexistent-folder/x.ini"), std::string::npos);
}

TEST(IniSettingsStore, AnyTextReadsBackAsWrittenAndCannotInjectLines) {
    // A layer name from a binary drawing may hold line breaks, "=", brackets and blanks.
    const std::string evil = "Dim\n[Misc]\nSpacesToImport=5\r\n";
    const std::vector<std::pair<std::string, std::string>> keys = {
        {evil + "_PCBLayer", "Top Layer"},
        {"[Misc]_Condition", "All"},
        {";comment_Condition", "value\nwith=lines\\n"},
        {" padded = ", " both ends "},
        {std::string("nul\0key", 7), std::string("\0", 1)},
        {"C:\\path\\name", "tab\there\\"},
    };
    TIniSettingsStore store("");
    store.WriteInteger("Misc", "SpacesToImport", 0);
    for (const auto& [key, value] : keys)
        store.WriteString("Layer Mappings", key, value);
    const std::string text = store.ToText();
    auto back = TIniSettingsStore::FromText("x.ini", text);
    EXPECT_EQ(back.ReadInteger("Misc", "SpacesToImport", 9), 0) << text;
    for (const auto& [key, value] : keys) {
        EXPECT_TRUE(back.ValueExists("Layer Mappings", key)) << key;
        EXPECT_EQ(back.ReadString("Layer Mappings", key, "?"), value) << key;
    }
    EXPECT_EQ(back.ToText(), text);
    // Two section lines, a blank line between them and seven key lines: no line more.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10) << text;

    // A plain backslash written by hand (or by an older version) stays as it is.
    auto hand = TIniSettingsStore::FromText("h.ini", "[Misc]\nFolder=\\Corvane2004\\x\n");
    EXPECT_EQ(hand.ReadString("Misc", "Folder", ""), "\\Corvane2004\\x");

    // A named pipe is neither waited for nor replaced.
    const fs::path pipe = TempPath("pipe.ini");
    fs::remove(pipe);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    TIniSettingsStore fromPipe(pipe.string());
    EXPECT_EQ(fromPipe.ReadProblem(), "The settings file " + pipe.string() +
                                          " cannot be read: it is a named pipe, not a regular "
                                          "file.");
    std::string error;
    EXPECT_FALSE(fromPipe.Save(error));
    EXPECT_NE(error.find(pipe.string() + ": it is a named pipe"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_fifo(pipe));
    fs::remove(pipe);
}

TEST(IniSettingsStore, IntegersAreWholeDecimalNumbers) {
    int32_t v = 5;
    EXPECT_TRUE(ParseInteger(" -12 ", v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(ParseInteger("+3", v));
    EXPECT_EQ(v, 3);
    EXPECT_FALSE(ParseInteger("", v));
    EXPECT_FALSE(ParseInteger("12x", v));
    EXPECT_FALSE(ParseInteger("99999999999", v));
    EXPECT_EQ(v, 3);
}

TEST(RegistrySettingsStore, DwordVersusTextRule) {
    const fs::path hive = TempPath("user.reg");
    platform::SetHiveFileOverride(platform::hkCurrentUser, hive.string());
    const std::string root = SettingsRootKey("\\Corvane2004");
    EXPECT_EQ(root, "Software\\Corvane2004\\Lumora\\Preferences\\Drenvik");
    {
        TRegistrySettingsStore store(root);
        EXPECT_FALSE(store.ValueExists("Misc", "DefaultLineWidth"));
        EXPECT_EQ(store.ReadInteger("Misc", "DefaultLineWidth", 42), 42);
        store.WriteInteger("Misc", "DefaultLineWidth", 50000);
        store.WriteBool("Misc", "ExplodeBlocks", false);
        store.WriteString("Layer Mappings", "0_PCBLayer", "Any Layer");
        std::string error;
        ASSERT_TRUE(store.Flush(error)) << error;
    }
    std::string text = ReadAll(hive);
    EXPECT_NE(text.find("\"DefaultLineWidth\"=dword:0000c350"), std::string::npos) << text;
    EXPECT_NE(text.find("\"ExplodeBlocks\"=\"0\""), std::string::npos) << text;
    {
        // A value that exists as text is rewritten as decimal text; text integers read back.
        platform::TRegistryKey key;
        ASSERT_TRUE(key.Open(platform::hkCurrentUser, root + "\\Misc", false));
        key.WriteText("InsertionPointX", "17");
        key.Flush();
    }
    {
        TRegistrySettingsStore store(root);
        EXPECT_EQ(store.ReadInteger("Misc", "InsertionPointX", 0), 17);
        EXPECT_FALSE(store.ReadBool("Misc", "ExplodeBlocks", true));
        EXPECT_EQ(store.ReadInteger("Misc", "DefaultLineWidth", 0), 50000);
        store.WriteInteger("Misc", "InsertionPointX", -5);
        std::string error;
        ASSERT_TRUE(store.Flush(error)) << error;
    }
    text = ReadAll(hive);
    EXPECT_NE(text.find("\"InsertionPointX\"=\"-5\""), std::string::npos) << text;
    platform::SetHiveFileOverride(platform::hkCurrentUser, "");
    fs::remove(hive);
}

// Both stores answer every read through the same interface: a stored integer reads as text,
// a text as an integer when it is one, anything else and anything missing as the fallback.
TEST(SettingsStores, EitherFormReadsThroughEveryAccessor) {
    const fs::path hive = TempPath("forms.reg");
    platform::SetHiveFileOverride(platform::hkCurrentUser, hive.string());
    TIniSettingsStore ini("");
    TRegistrySettingsStore registry(SettingsRootKey("\\Forms"));
    for (TSettingsStore* store : std::vector<TSettingsStore*>{&ini, &registry}) {
        SCOPED_TRACE(store == &ini ? "INI file" : "registry");
        store->WriteInteger("S", "Negative", -7);
        store->WriteString("S", "Number", " 12 ");
        store->WriteString("S", "Word", "twelve");
        EXPECT_EQ(store->ReadInteger("S", "Negative", 0), -7);
        EXPECT_EQ(store->ReadString("S", "Negative", "x"), "-7");
        EXPECT_EQ(store->ReadInteger("S", "Number", 0), 12);
        EXPECT_EQ(store->ReadString("S", "Number", "x"), " 12 ");
        EXPECT_EQ(store->ReadInteger("S", "Word", 3), 3);
        EXPECT_EQ(store->ReadString("S", "Word", "x"), "twelve");
        EXPECT_TRUE(store->ReadBool("S", "Negative", false));
        EXPECT_FALSE(store->ReadBool("S", "Word", false));
        EXPECT_TRUE(store->ValueExists("S", "Word"));
        EXPECT_FALSE(store->ValueExists("S", "Missing"));
        EXPECT_FALSE(store->ValueExists("Missing", "Word"));
        EXPECT_EQ(store->ReadInteger("S", "Missing", 9), 9);
        EXPECT_EQ(store->ReadString("Missing", "Word", "fallback"), "fallback");
        // Rewriting changes the value, whatever form it had.
        store->WriteString("S", "Negative", "text now");
        EXPECT_EQ(store->ReadString("S", "Negative", "x"), "text now");
        store->WriteInteger("S", "Word", 4);
        EXPECT_EQ(store->ReadInteger("S", "Word", 0), 4);
    }
    platform::SetHiveFileOverride(platform::hkCurrentUser, "");
    fs::remove(hive);
}
