// SPDX-License-Identifier: MIT
// Whole imports of DWG drawings: each gives the board its DXF twin gives (AutoCAD saved both),
// in test mode and with dialog answers. The DWG samples are read from their shared folder.
#include "ImportFixture.h"

#include <cmath>
#include <filesystem>

namespace {

const std::string kSamples = DXFI_DWG_SAMPLES_DIR;

// Every object of `a` equals the one at its place in `b`: the same members, texts equal,
// numbers within one board unit.
void ExpectSameBoard(const TJson& a, const TJson& b, const std::string& path = "") {
    if (a.is_number() && b.is_number()) {
        EXPECT_LE(std::fabs(a.get<double>() - b.get<double>()), 1.0) << path;
        return;
    }
    ASSERT_EQ(a.type(), b.type()) << path;
    if (a.is_object()) {
        ASSERT_EQ(a.size(), b.size()) << path;
        for (auto it = a.begin(); it != a.end(); ++it) {
            ASSERT_TRUE(b.contains(it.key())) << path << "/" << it.key();
            ExpectSameBoard(it.value(), b[it.key()], path + "/" + it.key());
        }
    } else if (a.is_array()) {
        ASSERT_EQ(a.size(), b.size()) << path;
        for (std::size_t i = 0; i < a.size(); ++i)
            ExpectSameBoard(a[i], b[i], path + "/" + std::to_string(i));
    } else {
        EXPECT_EQ(a, b) << path;
    }
}

class DwgImportTest : public TImportFixture {
protected:
    struct TOutcome {
        int ExitCode = -1;
        std::string Out, Err;
        TJson Board; // null unless the import succeeded
    };
    // Imports a sample copied into the scratch folder.
    TOutcome ImportSample(const std::string& name, const std::vector<std::string>& options) {
        const std::string source = kSamples + "/" + name;
        if (!std::filesystem::exists(source)) {
            ADD_FAILURE() << "the DWG sample " << source << " is missing";
            return {};
        }
        const std::string file = CopyIn(source);
        std::filesystem::permissions(Path(file), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        std::vector<std::string> args = options;
        args.insert(args.end(), {"-o", name + ".board.json"});
        const TProgramRun run = Import(file, args);
        TOutcome outcome{run.ExitCode, run.Out, run.Err, nullptr};
        if (run.ExitCode == 0) outcome.Board = LoadBoard(name + ".board.json");
        return outcome;
    }
};

TEST_F(DwgImportTest, EachSampleGivesTheBoardOfItsDxfTwin) {
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"example_2018.dxf", "example_2000.dwg"},
        {"example_2018.dxf", "example_2004.dwg"},
        {"example_2018.dxf", "example_2007.dwg"},
        {"example_2018.dxf", "example_2010.dwg"},
        {"example_2018.dxf", "example_2013.dwg"},
        {"example_2018.dxf", "example_2018.dwg"},
        {"sample_2018.dxf", "sample_2018.dwg"},
        {"r2000_entities-2d.dxf", "r2000_entities-2d.dwg"}};
    // Test mode with the default options (which start at the drawing's declared units), then
    // the answers a user would give.
    int testModeBoards = 0;
    for (const auto& [dxf, dwg] : pairs) {
        for (const bool testMode : {true, false}) {
            SCOPED_TRACE(dwg + (testMode ? " in test mode" : " with answers"));
            const std::vector<std::string> options =
                testMode ? std::vector<std::string>{"--test-mode"}
                         : std::vector<std::string>{"--no", "--answer", "units=1mm", "--answer",
                                                    "blocks=primitives"};
            const TOutcome expected = ImportSample(dxf, options);
            const TOutcome got = ImportSample(dwg, options);
            EXPECT_EQ(got.ExitCode, expected.ExitCode) << "\nOUT:\n"
                                                       << got.Out << "\nERR:\n"
                                                       << got.Err;
            if (testMode && expected.ExitCode != 0) {
                // At their declared millimetres the example and sample drawings reach beyond
                // the board, which test mode reports as a failure: the DWG must end the same
                // way, with the same text.
                EXPECT_EQ(got.Out, expected.Out);
                EXPECT_NE(expected.Out.find("not wholly contained"), std::string::npos);
                continue;
            }
            testModeBoards += testMode;
            ASSERT_EQ(expected.ExitCode, 0) << dxf << "\nOUT:\n"
                                            << expected.Out << "\nERR:\n"
                                            << expected.Err;
            ASSERT_TRUE(expected.Board.is_object() && got.Board.is_object());
            ASSERT_TRUE(expected.Board.contains("Objects"));
            EXPECT_GT(expected.Board["Objects"].size(), 5u);
            ExpectSameBoard(expected.Board["Objects"], got.Board["Objects"], "Objects");
        }
    }
    // The drawing in inches fits the board in test mode.
    EXPECT_EQ(testModeBoards, 1);
}

} // namespace
