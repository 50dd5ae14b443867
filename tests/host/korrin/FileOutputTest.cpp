// SPDX-License-Identifier: MIT
// Files written in blocks: whatever the sizes and the mix of small and large pieces, the file
// holds exactly the bytes given, whether its blocks went past the file cache or not; failures
// to create or to write are reported with the system's reason.
#include "host/korrin/FileOutput.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>
#include <string>

namespace {

using dxfi::korrin::TFileOutput;

std::string Pattern(std::size_t size) {
    std::string text(size, '\0');
    uint32_t state = 12345;
    for (char& c : text) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return text;
}

TEST(FileOutputTest, TheFileHoldsExactlyTheBytesGivenAtEverySizeAroundTheBlocks) {
    TTempFolder folder;
    bool anyDirect = false;
    for (std::size_t block : {std::size_t{4096}, std::size_t{3 * 4096}})
        for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4095},
                                 std::size_t{4096}, std::size_t{4097}, 3 * std::size_t{4096},
                                 3 * std::size_t{4096} + 17, 10 * std::size_t{4096} + 4095}) {
            const std::string path = folder.Path() + "out.bin";
            const std::string text = Pattern(size);
            TFileOutput file(path, block);
            ASSERT_TRUE(file.IsOpen()) << path;
            std::ostream out(&file);
            // Single characters, a piece larger than a block, and the rest.
            std::size_t at = 0;
            for (; at < std::min<std::size_t>(size, 100); ++at)
                out.put(text[at]);
            const std::size_t large = std::min(size - at, block + 1000);
            out.write(text.data() + at, static_cast<std::streamsize>(large));
            at += large;
            out.write(text.data() + at, static_cast<std::streamsize>(size - at));
            ASSERT_TRUE(out.good());
            ASSERT_TRUE(file.Close()) << "error " << file.Error();
            anyDirect = anyDirect || file.WroteDirectly();
            EXPECT_TRUE(TTempFolder::ReadFile(path) == text)
                << size << " bytes in blocks of " << block << " came back different";
        }
    // Where the file system takes no writes past the cache the usual way was used; either way
    // the bytes are checked above.
    RecordProperty("WroteDirectly", anyDirect ? "yes" : "no");
}

TEST(FileOutputTest, FailuresToCreateOrToWriteGiveTheSystemsReason) {
    TTempFolder folder;
    TFileOutput missing(folder.Path() + "no/such/folder/out.bin");
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.Error(), ENOENT);
    EXPECT_FALSE(missing.Close());

    // A device that is always full: small files fail when closed, large ones while written.
    for (std::size_t size : {std::size_t{10}, std::size_t{100000}}) {
        TFileOutput full("/dev/full", 4096);
        ASSERT_TRUE(full.IsOpen()) << "/dev/full cannot be opened for writing";
        std::ostream out(&full);
        const std::string text = Pattern(size);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        EXPECT_FALSE(full.Close()) << size;
        EXPECT_EQ(full.Error(), ENOSPC) << size;
        EXPECT_EQ(size > 4096, out.bad()) << size;
    }
}

} // namespace
