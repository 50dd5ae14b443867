// SPDX-License-Identifier: MIT
// Drawings built to hurt the walk: blocks that multiply into billions of copies, MINSERT
// arrays, inserts of blocks that do not exist, and entities the processor cannot convert. The
// walk ends with what fits and names everything it dropped.
#include "ProcessorFixture.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

using namespace dxfi;
using namespace drawingtest;

namespace {

// `levels` blocks, each inserting the one before twice; the first holds one line, the space
// one insert of the last: 2^(levels - 1) copies of the line.
std::string Bomb(int levels) {
    TDxf dxf;
    dxf.Blocks = Block("B0", 0, 0, Line(0, 0, 1, 1));
    for (int i = 1; i < levels; ++i) {
        const std::string inner = "B" + std::to_string(i - 1);
        dxf.Blocks +=
            Block("B" + std::to_string(i), 0, 0, Insert(inner, 0, 0) + Insert(inner, 1, 0));
    }
    dxf.Entities = Insert("B" + std::to_string(levels - 1), 0, 0);
    return dxf.Text();
}

std::string MInsert(const std::string& name, double x, double y, int columns, int rows,
                    double columnSpacing, double rowSpacing, double rotation = 0) {
    return G({{0, "MINSERT"},
              {8, "0"},
              {2, name},
              {10, TDxf::Num(x)},
              {20, TDxf::Num(y)},
              {50, TDxf::Num(rotation)},
              {70, std::to_string(columns)},
              {71, std::to_string(rows)},
              {44, TDxf::Num(columnSpacing)},
              {45, TDxf::Num(rowSpacing)}});
}

long Count(const std::vector<std::string>& whats, const std::string& what) {
    return std::count(whats.begin(), whats.end(), what);
}

// Runs `body` in a child process and returns its peak resident memory in MB; the child's
// failed expectations make it exit with 1, which fails the test.
double PeakMegabytesOfChild(const std::function<bool()>& body) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) ::_exit(body() ? 0 : 1);
    int status = 0;
    rusage usage{};
    EXPECT_EQ(::wait4(child, &status, 0, &usage), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

} // namespace

TEST(HostileDrawingTest, TheBudgetFollowsTheDrawingsSize) {
    EXPECT_EQ(ExpansionBudgetFor(0), 250000u);
    EXPECT_EQ(ExpansionBudgetFor(3906), 250000u);
    EXPECT_EQ(ExpansionBudgetFor(10000), 640000u);
    EXPECT_EQ(ExpansionBudgetFor(1000000), 20000000u);
    EXPECT_EQ(ExpansionBudgetFor(UINT64_MAX), 20000000u);
    TDxf dxf;
    dxf.Entities = Line(0, 0, 1, 1);
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    EXPECT_EQ(d.P.ExpansionBudget, 250000u);
}

// Forty-one blocks each inserting the one before twice: 2^40 copies without a bound.
TEST(HostileDrawingTest, BlockBombEndsAtTheBudgetWithBoundedMemory) {
    for (const int levels : {41, 25}) {
        const std::string dxf = Bomb(levels);
        const auto start = std::chrono::steady_clock::now();
        const double peak = PeakMegabytesOfChild([&] {
            TLoaded d(dxf);
            if (!d.Loaded) return false;
            d.P.ProcessDrawing();
            const std::vector<std::string> lines = ReportLines(d.P.ReportXml());
            const std::string budget =
                "INSERT entity was discarded because the drawing expands to more than 250000 "
                "entities";
            const long lineCalls = Count(d.P.Whats(), "LINE entity");
            std::printf("%d levels: %zu calls, %ld lines drawn, %zu report lines\n", levels,
                        d.P.Calls.size(), lineCalls, lines.size());
            std::fflush(stdout);
            return d.P.EntitiesDiscarded && d.P.Calls.size() <= 250000 + 100 &&
                   d.P.Calls.size() >= 250000 && Count(lines, budget) >= 1 && lines.size() < 100 &&
                   d.P.ScaleStack_.size() == 1 && !d.P.InBlock &&
                   // Below the nesting bound the copies that fit are all drawn.
                   (levels > kMaxBlockNesting || lineCalls > 40000);
        });
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%d levels: %.2f s, peak %.0f MB\n", levels, seconds, peak);
        EXPECT_LT(peak, 500.0);
    }
}

TEST(HostileDrawingTest, InsertsMetWhenTheBudgetIsSpentAreNotExpandedNorPlaced) {
    TDxf dxf;
    dxf.Blocks = Block("P", 0, 0, Line(0, 0, 1, 0) + Line(0, 0, 0, 1));
    dxf.Entities = Insert("P", 0, 0) + Insert("P", 5, 0) + Insert("P", 9, 0) + Line(2, 2, 3, 3);
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    d.P.ExpansionBudget = 8;
    std::vector<bool> refused;
    d.P.OnEntity = [&](TEntityHeader& h, TEntityData&) {
        if (h.TypeCode() == dxfi::abi::kCodeInsert) refused.push_back(d.P.ExpansionRefused());
    };
    d.P.ProcessDrawing();
    EXPECT_EQ(d.P.Whats(), (std::vector<std::string>{
                               "", "begin P", "", "LINE entity", "LINE entity", "end P",
                               "INSERT entity", "begin P", "", "LINE entity", "LINE entity",
                               "end P", "INSERT entity", "INSERT entity", "LINE entity"}));
    EXPECT_EQ(refused, (std::vector<bool>{false, false, true}));
    EXPECT_TRUE(Reported(
        d.P,
        (std::vector<std::string>{"INSERT entity was discarded because the drawing expands "
                                  "to more than 8 entities"}),
        true));
}

TEST(HostileDrawingTest, MInsertPlacesEveryCopy) {
    TDxf dxf;
    dxf.Blocks =
        Block("P", 0, 0, Line(0, 0, 1, 0)) + Block("H", 0, 0, MInsert("P", 100, 0, 2, 1, 5, 0));
    dxf.Entities = MInsert("P", 1, 2, 3, 2, 10, 20, 90) + Insert("H", 0, 0);
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    std::vector<std::pair<long, long>> places;
    d.P.OnEntity = [&](TEntityHeader& h, TEntityData& e) {
        if (h.TypeCode() != dxfi::abi::kCodeInsert || d.P.InBlock) return;
        const TRecordPoint p = e.ReadPoint(dxfi::abi::InsertData::InsertionPoint);
        places.emplace_back(std::lround(p.X), std::lround(p.Y));
    };
    d.P.ProcessDrawing();
    // The top-level array: its block walked once, the insert offered once per copy, columns
    // along the rotated X axis (up), rows along the rotated Y axis (left).
    EXPECT_EQ(places, (std::vector<std::pair<long, long>>{
                          {1, 2}, {1, 12}, {1, 22}, {-19, 2}, {-19, 12}, {-19, 22}, {0, 0}}));
    const std::vector<std::string> whats = d.P.Whats();
    EXPECT_EQ(Count(whats, "begin P"), 1);
    // Inside a block each copy is flattened at its own place.
    ASSERT_GE(d.P.Calls.size(), 4u);
    std::vector<TBoardCoord> offsets;
    for (const TCall& c : d.P.Calls)
        if (c.What == "LINE entity" && c.InBlock) offsets.push_back(c.OffsetX);
    EXPECT_EQ(offsets, (std::vector<TBoardCoord>{0, -100, -105}));
    EXPECT_TRUE(ReportLines(d.P.ReportXml()).empty());
    EXPECT_FALSE(d.P.EntitiesDiscarded);

    // An array larger than the budget places what fits and says so once.
    TDxf big;
    big.Blocks = Block("P", 0, 0, Line(0, 0, 1, 0));
    big.Entities = MInsert("P", 0, 0, 1000, 1000, 1, 1);
    TLoaded b(big.Text());
    ASSERT_TRUE(b.Loaded);
    b.P.ExpansionBudget = 100;
    b.P.ProcessDrawing();
    const long copies = Count(b.P.Whats(), "INSERT entity");
    EXPECT_GT(copies, 40);
    EXPECT_LE(copies, 50);
    EXPECT_TRUE(Reported(
        b.P,
        (std::vector<std::string>{"INSERT entity was discarded because the drawing expands "
                                  "to more than 100 entities"}),
        true));
}

TEST(HostileDrawingTest, InsertsOfMissingBlocksAreReportedOnce) {
    TDxf dxf;
    dxf.Blocks = Block("H", 0, 0, Insert("Gone", 0, 0) + Line(0, 0, 1, 1));
    dxf.Entities = Insert("Nope", 0, 0) + Insert("H", 0, 0) + Insert("H", 5, 5);
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    std::vector<bool> refused;
    d.P.OnEntity = [&](TEntityHeader& h, TEntityData&) {
        if (h.TypeCode() == dxfi::abi::kCodeInsert && !d.P.InBlock)
            refused.push_back(d.P.ExpansionRefused());
    };
    d.P.ProcessDrawing();
    EXPECT_EQ(d.P.Whats(),
              (std::vector<std::string>{"", "INSERT entity", "begin H", "", "INSERT entity",
                                        "LINE entity", "end H", "INSERT entity", "begin H", "",
                                        "INSERT entity", "LINE entity", "end H", "INSERT entity"}));
    EXPECT_EQ(refused, (std::vector<bool>{true, false, false}));
    // The insert inside H is one entity met twice: one line.
    EXPECT_TRUE(Reported(
        d.P,
        (std::vector<std::string>{"INSERT entity was discarded because its block Nope is missing",
                                  "INSERT entity was discarded because its block Gone is missing"}),
        true));
}

TEST(HostileDrawingTest, UnconvertedEntitiesAreNamedWithTheirReason) {
    const auto walk = [](const std::string& entities, std::vector<std::string>& lines) {
        TDxf dxf;
        dxf.Entities = entities;
        TLoaded d(dxf.Text());
        EXPECT_TRUE(d.Loaded);
        d.P.OnEntity = [&](TEntityHeader& h, TEntityData& e) {
            if (d.P.EntityKind(&h) == ekNone) d.P.DiscardUnconverted(h, e);
        };
        d.P.ProcessDrawing();
        lines = ReportLines(d.P.ReportXml());
        return d.P.EntitiesDiscarded;
    };
    std::vector<std::string> lines;
    // 3D-only kinds, meshes and viewports: a line each (none for the viewport), no prompt.
    EXPECT_FALSE(walk(G({{0, "3DFACE"},
                         {0, "VIEWPORT"},
                         {0, "MESH"},
                         {0, "3DSOLID"},
                         {0, "POLYLINE"},
                         {70, "64"},
                         {0, "VERTEX"},
                         {10, "1"},
                         {0, "SEQEND"}}),
                      lines));
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "3DFACE entity was discarded because 3D entities are not supported",
                  "MESH entity was discarded because 3D entities are not supported",
                  "3DSOLID entity was discarded because 3D entities are not supported",
                  "POLYLINE entity was discarded because polygon and polyface meshes are not "
                  "supported"}));
    // What a user expects on the board sets EntitiesDiscarded.
    for (const char* kind : {"HATCH", "IMAGE", "REGION", "LEADER", "WIPEOUT", "RAY", "XLINE",
                             "TOLERANCE", "ACAD_TABLE"}) {
        EXPECT_TRUE(walk(G({{0, kind}, {8, "0"}}), lines)) << kind;
        EXPECT_EQ(lines, std::vector<std::string>{std::string(kind) +
                                                  " entity was discarded because it is not "
                                                  "supported"});
    }
    EXPECT_TRUE(walk(Line(0, 0, 1, 1) + G({{0, "CIRCLE"}, {10, "1e999"}, {40, "1"}}) +
                         G({{0, "LINE"}, {11, "nan"}}),
                     lines));
    EXPECT_EQ(lines,
              (std::vector<std::string>{"CIRCLE entity was discarded because of a number that "
                                        "is not finite or out of range",
                                        "LINE entity was discarded because of a number that is "
                                        "not finite or out of range"}));
}
