// SPDX-License-Identifier: MIT
#include "platform/Files.h"
#include "platform/Folders.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

using namespace dxfi::platform;

TEST(Files, ExistenceOfFilesAndFolders) {
    TTempFolder folder;
    std::string file = folder.WriteFile("Drawing.DXF", "0\nEOF\n");
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(folder.Path()));
    EXPECT_FALSE(FolderExists(file));
    EXPECT_TRUE(FolderExists(folder.Path()));
    EXPECT_FALSE(FileExists(folder.Path() + "missing.dxf"));
    EXPECT_FALSE(FileExists(""));
    // Names are case-sensitive here, so the existence test must see the name unchanged.
    EXPECT_FALSE(FileExists(folder.Path() + "drawing.dxf"));
    EXPECT_EQ(FileSystemCase(file), file);
}

TEST(Files, CreatingFolders) {
    TTempFolder folder;
    EXPECT_FALSE(CreateFolder(folder.Path() + "x/y")); // one level only
    EXPECT_TRUE(CreateFolders(folder.Path() + "x/y/z/"));
    EXPECT_TRUE(FolderExists(folder.Path() + "x/y/z"));
    EXPECT_TRUE(CreateFolder(folder.Path() + "x")); // exists already
    std::string file = folder.WriteFile("plain", "x");
    EXPECT_FALSE(CreateFolder(file));
    EXPECT_FALSE(CreateFolders(file + "/below"));
    EXPECT_FALSE(CreateFolders(""));
}

TEST(Files, TemporaryFilesAreUniqueAndInTheTemporaryFolder) {
    TTempFolder folder;
    SetFolderOverride(foTemp, folder.Path());
    std::string first = CreateTempFile("rep");
    std::string second = CreateTempFile("rep");
    ClearFolderOverrides();
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(ExtractFilePath(first), folder.Path());
    EXPECT_EQ(ExtractFileName(first).substr(0, 3), "rep");
    EXPECT_EQ(ExtractFileName(first).size(), 9u);
    EXPECT_TRUE(FileExists(first));
    EXPECT_EQ(TTempFolder::ReadFile(first), "");

    EXPECT_TRUE(MoveFile(first, second));
    EXPECT_FALSE(FileExists(first));
    EXPECT_TRUE(RemoveFile(second));
    EXPECT_FALSE(FileExists(second));
    EXPECT_TRUE(RemoveFile(second)); // already gone

    SetFolderOverride(foTemp, folder.Path() + "missing/");
    EXPECT_EQ(CreateTempFile("rep"), "");
    ClearFolderOverrides();
}

TEST(Files, PathParts) {
    EXPECT_EQ(ExtractFileName("/a/b/PAD2.DLL"), "PAD2.DLL");
    EXPECT_EQ(ExtractFileName("PAD2.DLL"), "PAD2.DLL");
    EXPECT_EQ(ExtractFileName("/a/b/"), "");
    EXPECT_EQ(ExtractFilePath("/a/b/PAD2.DLL"), "/a/b/");
    EXPECT_EQ(ExtractFilePath("PAD2.DLL"), "");
    EXPECT_EQ(IncludeTrailingDelimiter("/a"), "/a/");
    EXPECT_EQ(IncludeTrailingDelimiter("/a/"), "/a/");
    EXPECT_EQ(IncludeTrailingDelimiter(""), "");
}

TEST(Files, CopyingFiles) {
    TTempFolder folder;
    std::string big(200000, 'x'); // more than one buffer
    big[123456] = '\0';
    std::string from = folder.WriteFile("from.bin", big);
    std::string to = folder.WriteFile("to.bin", "old and longer than nothing");
    EXPECT_TRUE(CopyFile(from, to));
    EXPECT_EQ(TTempFolder::ReadFile(to), big);
    EXPECT_TRUE(FileExists(from));
    std::string empty = folder.WriteFile("empty", "");
    EXPECT_TRUE(CopyFile(empty, to));
    EXPECT_EQ(TTempFolder::ReadFile(to), "");
    EXPECT_FALSE(CopyFile(folder.Path() + "missing", to));
    EXPECT_FALSE(CopyFile(from, folder.Path() + "no/such/folder/x"));
    EXPECT_FALSE(CopyFile("", to));
    EXPECT_FALSE(CopyFile(from, ""));
}
