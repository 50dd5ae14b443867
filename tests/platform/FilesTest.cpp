// SPDX-License-Identifier: MIT
#include "platform/Files.h"
#include "platform/Folders.h"

#include "support/TempFolder.h"
#include "support/TextCases.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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
    using testsupport::ExpectEachCase;
    ExpectEachCase(ExtractFileName,
                   {{"/a/b/PAD2.DLL", "PAD2.DLL"}, {"PAD2.DLL", "PAD2.DLL"}, {"/a/b/", ""}});
    ExpectEachCase(ExtractFilePath, {{"/a/b/PAD2.DLL", "/a/b/"}, {"PAD2.DLL", ""}});
    ExpectEachCase(IncludeTrailingDelimiter, {{"/a", "/a/"}, {"/a/", "/a/"}, {"", ""}});
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

TEST(Files, NonRegularFilesAreRefusedAtOnceAndWritesAreSafe) {
    TTempFolder folder;
    const std::string pipe = folder.Path() + "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::string text, problem;
    EXPECT_EQ(ReadRegularFile(pipe, text, problem), rfFailed);
    EXPECT_EQ(problem, "it is a named pipe, not a regular file");
    EXPECT_EQ(NonRegularFileKind(pipe), "a named pipe");
    EXPECT_EQ(NonRegularFileKind(folder.Path()), "a folder");
    EXPECT_EQ(NonRegularFileKind("/dev/null"), "a device");
    EXPECT_EQ(NonRegularFileKind(folder.Path() + "missing"), "");
    EXPECT_EQ(ReadRegularFile(folder.Path() + "missing", text, problem), rfMissing);

    // A new file gets the user's normal mode; with keepMode an existing file keeps its own.
    const mode_t old = umask(022);
    const std::string path = folder.Path() + "out.txt";
    ASSERT_TRUE(WriteFileSafely(path, "one", false, problem)) << problem;
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(WriteFileSafely(path, "two", true, problem)) << problem;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_TRUE(WriteFileSafely(path, "three", false, problem)) << problem;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    umask(old);
    EXPECT_EQ(TTempFolder::ReadFile(path), "three");
    EXPECT_FALSE(FileExists(TemporaryPathBeside(path)));
    EXPECT_EQ(ReadRegularFile(path, text, problem), rfRead);
    EXPECT_EQ(text, "three");

    // A file that cannot be written leaves the old one whole.
    ASSERT_TRUE(CreateFolder(folder.Path() + "sub"));
    EXPECT_FALSE(WriteFileSafely(folder.Path() + "sub", "x", false, problem));
    EXPECT_FALSE(problem.empty());
    EXPECT_TRUE(FolderExists(folder.Path() + "sub"));
}
