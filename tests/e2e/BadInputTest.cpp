// SPDX-License-Identifier: MIT
// The drawing engine's bad-input corpus imported whole: no file may crash the host.
#include "e2e/ImportFixture.h"

#include <algorithm>
#include <filesystem>

namespace {

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(DXFI_FUZZ_CORPUS_DIR))
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class BadInputTest : public TImportFixture, public ::testing::WithParamInterface<std::string> {};

// In test mode a drawing that does not load shows no box (the report prompt is skipped): each
// file of the corpus either imports and leaves a board, or ends pcbhost with exit code 4 and
// the reason it could not be read, and leaves none.
TEST_P(BadInputTest, ImportsWithoutCrashInTestMode) {
    const std::string file = CopyIn(std::string(DXFI_FUZZ_CORPUS_DIR) + "/" + GetParam());
    const TProgramRun run = Import(file, {"--test-mode", "-o", "board.json"});
    EXPECT_EQ(run.Out, "");
    if (run.ExitCode == 4) {
        EXPECT_NE(run.Err.find("pcbhost: Cannot read " + Path(file) + ": "), std::string::npos)
            << run.Err;
        EXPECT_NE(run.Err.find(" Nothing was imported and the board was not saved.\n"),
                  std::string::npos)
            << run.Err;
        EXPECT_FALSE(Exists("board.json"));
    } else {
        EXPECT_EQ(run.ExitCode, 0) << run.Out << run.Err;
        EXPECT_TRUE(LoadBoard("board.json").is_object());
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, BadInputTest, ::testing::ValuesIn(CorpusFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string test = info.param;
                             for (char& c : test)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return test;
                         });

} // namespace
