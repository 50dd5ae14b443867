// SPDX-License-Identifier: MIT
// Speed work on the import must not change what it imports: the benchmark drawings
// (bench/gen_drawing.py, deterministic for its seed) imported as bench/run-import.sh imports
// them, and the saved board compared byte for byte, through its SHA-256, with the board the
// committed list records (tests/data/bench_boards.sha256). The sanitizer build imports only the
// smaller drawing: the larger one takes minutes there.
#include "e2e/ImportFixture.h"

#include <fstream>
#include <sstream>

namespace {

const std::string kGenerator = std::string(DXFI_SOURCE_DIR) + "/bench/gen_drawing.py";
// From the macro, not kTestData: another file's global may not be made yet when this one is.
const std::string kChecksums = std::string(DXFI_TEST_DATA_DIR) + "/bench_boards.sha256";

struct TRecordedBoard {
    long Objects = -1;
    std::string Sha256;
};

// The committed line for `entities`: "ENTITIES OBJECTS SHA256"; '#' starts a comment line.
TRecordedBoard Recorded(long entities) {
    std::ifstream in(kChecksums);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        long count = 0;
        TRecordedBoard board;
        if (fields >> count >> board.Objects >> board.Sha256 && count == entities) return board;
    }
    return {};
}

class BenchmarkBoardTest : public TImportFixture {
protected:
    void ExpectRecordedBoard(long entities) {
        const TRecordedBoard recorded = Recorded(entities);
        ASSERT_EQ(recorded.Sha256.size(), 64u)
            << kChecksums << " has no line for " << entities << " entities";

        const std::string count = std::to_string(entities);
        const TProgramRun made =
            RunProgram(Folder.Path(), DXFI_PYTHON, {kGenerator, count, "bench.dxf"});
        ASSERT_EQ(made.ExitCode, 0)
            << "the benchmark drawing could not be made with " << DXFI_PYTHON << ": " << made.Err;

        const TProgramRun run =
            Import("bench.dxf", {"--no", "--answer", "units=1mil", "-o", "board.json"});
        ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
        const std::string saved = "(" + std::to_string(recorded.Objects) + " objects, ";
        EXPECT_NE(run.Err.find(saved), std::string::npos)
            << "expected " << recorded.Objects << " objects on the board:\n"
            << run.Err;

        const TProgramRun sum = RunProgram(Folder.Path(), "sha256sum", {"board.json"});
        ASSERT_EQ(sum.ExitCode, 0) << sum.Err;
        EXPECT_EQ(sum.Out.substr(0, 64), recorded.Sha256)
            << "the board saved from the " << count << "-entity benchmark drawing differs from "
            << "the one recorded in " << kChecksums
            << "; update that line only for a change of output that is meant";
    }
};

TEST_F(BenchmarkBoardTest, TenThousandEntitiesGiveTheRecordedBoard) {
    ExpectRecordedBoard(10000);
}

#if !DXFI_SANITIZED
TEST_F(BenchmarkBoardTest, HundredThousandEntitiesGiveTheRecordedBoard) {
    ExpectRecordedBoard(100000);
}
#endif

} // namespace
