// SPDX-License-Identifier: MIT
#include "platform/Folders.h"
#include "platform/Environment.h"
#include "platform/Files.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <optional>

using namespace dxfi::platform;

namespace {

// Restores the variables a test changes and drops every folder redirection.
class FoldersTest : public ::testing::Test {
protected:
    void SetVar(const std::string& name, const std::string& value) {
        Saved_.emplace_back(name, GetEnv(name));
        ASSERT_TRUE(SetEnv(name, value));
    }
    void UnsetVar(const std::string& name) {
        Saved_.emplace_back(name, GetEnv(name));
        ASSERT_TRUE(UnsetEnv(name));
    }
    void TearDown() override {
        for (auto it = Saved_.rbegin(); it != Saved_.rend(); ++it) {
            if (it->second)
                SetEnv(it->first, *it->second);
            else
                UnsetEnv(it->first);
        }
        ClearFolderOverrides();
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> Saved_;
};

} // namespace

TEST_F(FoldersTest, ExecutableFolderIsTheTestBinarysFolder) {
    UnsetVar("DXFI_EXE_DIR");
    EXPECT_EQ(ExecutableFolder(), ExtractFilePath(TEST_EXECUTABLE));
    SetVar("DXFI_EXE_DIR", "/opt/host");
    EXPECT_EQ(ExecutableFolder(), "/opt/host/");
    SetFolderOverride(foExecutable, "/srv/host/");
    EXPECT_EQ(ExecutableFolder(), "/srv/host/");
}

TEST_F(FoldersTest, DefaultsVariablesAndOverridesInOrder) {
    UnsetVar("DXFI_WINDOWS_DIR");
    UnsetVar("DXFI_SYSTEM_DIR");
    UnsetVar("DXFI_COMMAND_DIR");
    UnsetVar("TMPDIR");
    EXPECT_EQ(FolderPath(foWindows), "/usr/local/lib/");
    EXPECT_EQ(FolderPath(foSystem), "/usr/lib/");
    EXPECT_EQ(FolderPath(foCommand), "/usr/local/bin/");
    EXPECT_EQ(FolderPath(foTemp), "/tmp/");

    SetVar("DXFI_WINDOWS_DIR", "/w");
    SetVar("DXFI_SYSTEM_DIR", "/s/");
    SetVar("DXFI_COMMAND_DIR", ""); // empty counts as unset
    SetVar("TMPDIR", "/scratch");
    EXPECT_EQ(FolderPath(foWindows), "/w/");
    EXPECT_EQ(FolderPath(foSystem), "/s/");
    EXPECT_EQ(FolderPath(foCommand), "/usr/local/bin/");
    EXPECT_EQ(FolderPath(foTemp), "/scratch/");

    SetFolderOverride(foWindows, "/over/windows");
    SetFolderOverride(foCommand, "/over/command/");
    EXPECT_EQ(FolderPath(foWindows), "/over/windows/");
    EXPECT_EQ(FolderPath(foCommand), "/over/command/");
    SetFolderOverride(foWindows, "");
    EXPECT_EQ(FolderPath(foWindows), "/w/");
    ClearFolderOverrides();
    EXPECT_EQ(FolderPath(foCommand), "/usr/local/bin/");
}

TEST_F(FoldersTest, UserFoldersFollowXdgAndHome) {
    TTempFolder home;
    SetVar("HOME", home.Path() + "user");
    UnsetVar("XDG_DATA_HOME");
    UnsetVar("XDG_CONFIG_HOME");
    // The data folder is made on demand, parents included; the config folder is not.
    EXPECT_EQ(FolderPath(foAppData), home.Path() + "user/.local/share/");
    EXPECT_TRUE(FolderExists(home.Path() + "user/.local/share"));
    EXPECT_EQ(FolderPath(foUserConfig), home.Path() + "user/.config/");

    SetVar("XDG_DATA_HOME", home.Path() + "data");
    SetVar("XDG_CONFIG_HOME", home.Path() + "config/");
    EXPECT_EQ(FolderPath(foAppData), home.Path() + "data/");
    EXPECT_TRUE(FolderExists(home.Path() + "data"));
    EXPECT_EQ(FolderPath(foUserConfig), home.Path() + "config/");
}

TEST_F(FoldersTest, CurrentFolder) {
    std::string current = FolderPath(foCurrent);
    ASSERT_FALSE(current.empty());
    EXPECT_EQ(current.back(), '/');
    EXPECT_TRUE(FolderExists(current));
    SetFolderOverride(foCurrent, "/elsewhere");
    EXPECT_EQ(FolderPath(foCurrent), "/elsewhere/");
}

TEST_F(FoldersTest, SearchPathTakesTheFirstExistingEntry) {
    TTempFolder folder;
    ASSERT_TRUE(CreateFolder(folder.Path() + "a"));
    ASSERT_TRUE(CreateFolder(folder.Path() + "b"));
    ASSERT_TRUE(CreateFolder(folder.Path() + "c"));
    folder.WriteFile("b/libpad2.so", "x");
    folder.WriteFile("c/libpad2.so", "x");

    // Empty entries are skipped; "/" is added only where missing.
    SetVar("PATH", folder.Path() + "a::" + folder.Path() + "b/:" + folder.Path() + "c");
    EXPECT_EQ(SearchPath("libpad2.so"), folder.Path() + "b/libpad2.so");
    EXPECT_EQ(SearchPath("missing.so"), "");
    EXPECT_EQ(SearchPath(""), "");

    // A name that exists as given is taken as it is.
    std::string direct = folder.WriteFile("direct.dat", "x");
    EXPECT_EQ(SearchPath(direct), direct);

    // A folder of that name counts as existing, as the file test says.
    SetVar("PATH", folder.Path());
    EXPECT_EQ(SearchPath("a"), folder.Path() + "a");

    UnsetVar("PATH");
    EXPECT_EQ(SearchPath("libpad2.so"), "");
}

TEST_F(FoldersTest, EnvironmentNames) {
    EXPECT_FALSE(SetEnv("", "x"));
    EXPECT_FALSE(SetEnv("A=B", "x"));
    EXPECT_EQ(GetEnv("A=B"), std::nullopt);
    SetVar("DXFI_PLATFORM_TEST_VARIABLE", "value with spaces");
    EXPECT_EQ(GetEnv("DXFI_PLATFORM_TEST_VARIABLE"), "value with spaces");
    UnsetVar("DXFI_PLATFORM_TEST_VARIABLE");
    EXPECT_EQ(GetEnv("DXFI_PLATFORM_TEST_VARIABLE"), std::nullopt);
}
