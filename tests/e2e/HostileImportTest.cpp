// SPDX-License-Identifier: MIT
// Whole imports of drawings built to hurt: a block bomb ends in seconds with what fits, in
// both block modes, and every entity that is dropped is named in the error report.
#include "e2e/ImportFixture.h"
#include "support/DxfText.h"
#include "support/TextSearch.h"

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>

#include <string>

namespace {

using testsupport::Groups;

std::string Insert(const std::string& block, const std::string& x) {
    return Groups({{0, "INSERT"}, {8, "0"}, {2, block}, {10, x}, {20, "0"}});
}

std::string Drawing(const std::string& blocks, const std::string& entities) {
    using testsupport::Section;
    return testsupport::DxfFile(Section("HEADER", Groups({{9, "$EXTMIN"},
                                                          {10, "-100"},
                                                          {20, "-100"},
                                                          {9, "$EXTMAX"},
                                                          {10, "100"},
                                                          {20, "100"}})) +
                                Section("BLOCKS", blocks) + Section("ENTITIES", entities));
}

// A block named `name` based at the origin, holding one line from (0,0) to (1,`endY`).
std::string BlockOfOneLine(const std::string& name, const std::string& endY) {
    return Groups({{0, "BLOCK"},
                   {8, "0"},
                   {2, name},
                   {10, "0"},
                   {20, "0"},
                   {0, "LINE"},
                   {8, "0"},
                   {10, "0"},
                   {20, "0"},
                   {11, "1"},
                   {21, endY},
                   {0, "ENDBLK"}});
}

// `levels` blocks each inserting the one before twice (4 KB for 41 levels, 2^40 copies).
std::string Bomb(int levels) {
    std::string blocks = BlockOfOneLine("B0", "1");
    for (int i = 1; i < levels; ++i) {
        const std::string inner = "B" + std::to_string(i - 1);
        blocks +=
            Groups({{0, "BLOCK"}, {8, "0"}, {2, "B" + std::to_string(i)}, {10, "0"}, {20, "0"}}) +
            Insert(inner, "0") + Insert(inner, "1") + Groups({{0, "ENDBLK"}});
    }
    return Drawing(blocks, Insert("B" + std::to_string(levels - 1), "0"));
}

using HostileImportTest = TImportFixture;

TEST_F(HostileImportTest, BlockBombEndsWithWhatFitsInBothBlockModes) {
    const std::string budgetLine =
        "INSERT entity was discarded because the drawing expands to more than 250000 entities";
    for (const bool components : {false, true}) {
        for (const int levels : {41, 25}) {
            SCOPED_TRACE((components ? "components, " : "primitives, ") + std::to_string(levels) +
                         " levels");
            Folder.WriteFile("bomb.dxf", Bomb(levels));
            const TProgramRun run =
                Import("bomb.dxf", {"--no", "-o", "bomb.json", "--answer",
                                    components ? "blocks=components" : "blocks=primitives"});
            ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
            EXPECT_NE(run.Err.find("Some entities were discarded during import!"),
                      std::string::npos)
                << run.Err;
            const std::string html = TTempFolder::ReadFile(Path("Import Error Report.html"));
            EXPECT_GE(testsupport::Occurrences(html, budgetLine), 1u) << html.substr(0, 2000);
            const TJson board = LoadBoard("bomb.json");
            ASSERT_TRUE(board.is_object());
            if (levels == 25) {
                // Every line that fits the budget is on the board: loose, or in the one
                // component that holds the flattened copies.
                std::size_t tracks = ObjectsOfKind(board, "Track").size();
                for (const TJson& c : ObjectsOfKind(board, "Component"))
                    tracks += c["Children"].size();
                EXPECT_GT(tracks, 40000u);
                EXPECT_LT(tracks, 250000u);
            }
        }
    }
    // The largest of the pcbhost processes that ran.
    rusage usage{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss / 1024, 500) << "peak MB of the imports";
}

TEST_F(HostileImportTest, DroppedEntitiesAreNamedInTheReport) {
    CopyIn(kTestData + "/other_R2018.dxf");
    const TProgramRun run = Import("other_R2018.dxf", {"--no"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Err.find("Some entities were discarded during import!"), std::string::npos)
        << run.Err;
    const std::string html = TTempFolder::ReadFile(Path("Import Error Report.html"));
    for (const char* line : {"3DFACE entity was discarded because 3D entities are not supported",
                             "HATCH entity was discarded because it is not supported",
                             "LEADER entity was discarded because it is not supported"})
        EXPECT_EQ(testsupport::Occurrences(html, line), 1u) << line << "\n" << html;

    // Numbers out of range and inserts of blocks that do not exist are named too; a 3D face
    // alone brings no prompt.
    Folder.WriteFile("lost.dxf",
                     Drawing("", Groups({{0, "LINE"}, {8, "0"}, {10, "1e999"}, {11, "1"}}) +
                                     Insert("Nowhere", "0")));
    const TProgramRun lost = Import("lost.dxf", {"--no", "-o", "lost.json"});
    ASSERT_EQ(lost.ExitCode, 0) << lost.Err;
    EXPECT_NE(lost.Err.find("Some entities were discarded during import!"), std::string::npos);
    const std::string lostHtml = TTempFolder::ReadFile(Path("Import Error Report.html"));
    EXPECT_NE(lostHtml.find("LINE entity was discarded because of a number that is not finite "
                            "or out of range"),
              std::string::npos)
        << lostHtml;
    EXPECT_NE(lostHtml.find("INSERT entity was discarded because its block Nowhere is missing"),
              std::string::npos)
        << lostHtml;
    EXPECT_TRUE(ObjectsOfKind(LoadBoard("lost.json"), "Component").empty());

    // A block reference's attributes: each gets its line; an invisible one alone brings no
    // prompt, since the drawing shows nothing of it.
    const std::string part = BlockOfOneLine("P", "0");
    const auto tagged = [](bool visible) {
        return Groups({{0, "INSERT"},
                       {8, "0"},
                       {66, "1"},
                       {2, "P"},
                       {10, "0"},
                       {20, "0"},
                       {0, "ATTRIB"},
                       {8, "0"},
                       {10, "0"},
                       {20, "0"},
                       {40, "1"},
                       {1, "R1"},
                       {2, "REF"},
                       {70, visible ? "0" : "1"},
                       {0, "SEQEND"},
                       {8, "0"}});
    };
    Folder.WriteFile("tags.dxf", Drawing(part, tagged(true) + tagged(false)));
    const TProgramRun tags = Import("tags.dxf", {"--no", "-o", "tags.json"});
    ASSERT_EQ(tags.ExitCode, 0) << tags.Err;
    EXPECT_NE(tags.Err.find("Some entities were discarded during import!"), std::string::npos);
    const std::string tagsHtml = TTempFolder::ReadFile(Path("Import Error Report.html"));
    EXPECT_EQ(testsupport::Occurrences(tagsHtml,
                                       "ATTRIB entity was discarded because block attributes are "
                                       "not supported"),
              2u)
        << tagsHtml;
    EXPECT_EQ(testsupport::Occurrences(tagsHtml,
                                       "ATTRIB entity was discarded because block attributes are "
                                       "not supported (an invisible one)"),
              1u)
        << tagsHtml;
    Folder.WriteFile("hidden.dxf", Drawing(part, tagged(false)));
    const TProgramRun hidden = Import("hidden.dxf", {"--no", "-o", "hidden.json"});
    ASSERT_EQ(hidden.ExitCode, 0) << hidden.Err;
    EXPECT_EQ(hidden.Err.find("Show Error Report?"), std::string::npos) << hidden.Err;

    Folder.WriteFile("face.dxf", Drawing("", Groups({{0, "3DFACE"}, {8, "0"}})));
    const TProgramRun face = Import("face.dxf", {"--no", "-o", "face.json"});
    ASSERT_EQ(face.ExitCode, 0) << face.Err;
    EXPECT_EQ(face.Err.find("Show Error Report?"), std::string::npos) << face.Err;
}

} // namespace

namespace {

// A whole import of a large drawing holds the drawing about once (the engine reads the file
// into memory) plus its records and the board: the import's peak stays within the same bound
// as the hostile drawings'. Sanitizer builds keep shadow memory and freed blocks aside: a
// looser bound there, printed either way.
TEST_F(HostileImportTest, LargeDrawingImportStaysWithinThePeakMemoryBound) {
    std::string lines;
    const int count = 100000;
    lines.reserve(static_cast<std::size_t>(count) * 80);
    for (int i = 0; i < count; ++i) {
        const std::string x = std::to_string(i % 1000), y = std::to_string(i / 1000);
        lines += Groups(
            {{0, "LINE"}, {8, "L" + std::to_string(i % 8)}, {10, x}, {20, y}, {11, y}, {21, x}});
    }
    Folder.WriteFile("large.dxf", Drawing("", lines));
    const auto size = std::filesystem::file_size(Path("large.dxf"));
    lines = std::string();
    const TProgramRun run = Import("large.dxf", {"--no", "-o", "large.json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
    rusage usage{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    const long peakMB = usage.ru_maxrss / 1024;
    std::printf("import of a %.1f MB drawing of %d lines: peak %ld MB\n", size / 1048576.0, count,
                peakMB);
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(peakMB, 1500) << "peak MB of the import (sanitizer build)";
#else
    EXPECT_LT(peakMB, 500) << "peak MB of the import";
#endif
    const TJson board = LoadBoard("large.json");
    ASSERT_TRUE(board.is_object());
    EXPECT_EQ(ObjectsOfKind(board, "Track").size(), static_cast<std::size_t>(count));
}

} // namespace
