// SPDX-License-Identifier: MIT
// Drawing files that are no regular files, or that change while the engine reads them, are
// refused with a message at once: no wait on a pipe, no fault on a vanished page.
#include "DxfText.h"

#include "pad2/DxfError.h"
#include "pad2/FileMapping.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace dxfi::abi;
using namespace pad2test;

namespace {

const std::string kLine = EntitiesDxf(Groups({{0, "LINE"}, {10, "1"}, {20, "2"}}));

std::string ChangedMessage(const std::string& path, off_t newSize) {
    pad2::TFileMapping file(path, "x.dxf");
    EXPECT_EQ(::truncate(path.c_str(), newSize), 0);
    try {
        file.Load();
    } catch (const pad2::EDxfError& e) {
        EXPECT_EQ(e.Code, pad2::ecFileChanged);
        return e.Message;
    }
    return "loaded";
}

} // namespace

TEST(FileReadTest, PipesAndFoldersAreRefusedAtOnce) {
    TTempFile file(kLine);
    const std::string dir = std::filesystem::path(file.Path()).parent_path().string();
    const std::string pipe = dir + "/pipe.dxf";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Without a writer, opening the pipe for reading would block this test for ever.
    EXPECT_EQ(edaLoadFile(pipe.c_str(), 1, 0), 0u);
    EXPECT_EQ(LastError(), "pipe.dxf is a named pipe, not a drawing file: choose a DXF drawing.");
    EXPECT_EQ(edaError(), pad2::ecNotDrawing);

    const std::string folder = dir + "/folder.dxf";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    EXPECT_EQ(edaLoadFile(folder.c_str(), 1, 0), 0u);
    EXPECT_EQ(LastError(), "folder.dxf is a folder, not a drawing file: choose a DXF drawing.");

    EXPECT_EQ(edaLoadFile("/dev/null", 1, 0), 0u);
    EXPECT_EQ(LastError(), "null is a device, not a drawing file: choose a DXF drawing.");

    const TDrawingHandle h = edaLoadFile(file.Path().c_str(), 1, 0);
    EXPECT_NE(h, 0u) << LastError();
    edaCloseFile(h);
}

TEST(FileReadTest, AFileThatShrinksOrGrowsWhileReadIsALoadError) {
    const std::string changed = "The file x.dxf changed while it was read: import it again once "
                                "the program writing it has finished.";
    {
        TTempFile file(kLine);
        EXPECT_EQ(ChangedMessage(file.Path(), 10), changed);
    }
    {
        TTempFile file(kLine);
        EXPECT_EQ(ChangedMessage(file.Path(), 0), changed);
    }
    {
        TTempFile file(kLine);
        EXPECT_EQ(ChangedMessage(file.Path(), static_cast<off_t>(kLine.size() + 100)), changed);
    }
    {
        TTempFile file(kLine);
        pad2::TFileMapping same(file.Path(), "x.dxf");
        same.Load();
        ASSERT_EQ(same.Size(), kLine.size());
        EXPECT_EQ(std::string(same.Data(), same.Size()), kLine);
        // The bytes are the engine's own: cutting the file afterwards cannot reach them.
        ASSERT_EQ(::truncate(file.Path().c_str(), 0), 0);
        EXPECT_EQ(std::string(same.Data(), same.Size()), kLine);
    }
}
