// SPDX-License-Identifier: MIT
// Malformed drawings: every file of the fuzz corpus (and a few large inputs made here) loads
// cleanly or fails with a message; nothing crashes, and what loads can be walked completely.
#include "engine_data/EngineWalk.h"
#include "support/DxfText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

namespace abi = dxfi::abi;
namespace fs = std::filesystem;
using dxfi::enginewalk::GetText;
using dxfi::enginewalk::TDrawingWalker;
using testsupport::EntitiesDxf;
using testsupport::Groups;

class TBadInput : public ::testing::Test {
protected:
    void SetUp() override {
        Temp = fs::temp_directory_path() /
               ("engine_bad_input_" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(Temp);
    }
    void TearDown() override { fs::remove_all(Temp); }

    std::string Write(const std::string& name, const std::string& content) {
        const fs::path path = Temp / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    // Loads and walks one file; returns the error text of a failed load, "" after a clean load.
    static std::string LoadAndWalk(const std::string& path) {
        const abi::TDrawingHandle drawing = edaLoadFile(path.c_str(), 1, 0);
        if (drawing == 0) {
            const char* text = edaErrorStr(edaError());
            EXPECT_NE(text, nullptr);
            const std::string message = text ? text : "";
            EXPECT_FALSE(message.empty()) << "a failed load explains itself";
            return message.empty() ? "<empty message>" : message;
        }
        TDrawingWalker(drawing).Run();
        EXPECT_NE(edaCloseFile(drawing), 0);
        EXPECT_EQ(edaHeaderPointer(drawing), nullptr) << "a closed drawing's handle is dead";
        return "";
    }

    fs::path Temp;
};

TEST_F(TBadInput, EveryCorpusFileLoadsCleanlyOrFailsWithAMessage) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(DXFI_FUZZ_CORPUS_DIR))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 30u);
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::string message = LoadAndWalk(file.string());
        if (file.filename().string().starts_with("valid_")) {
            EXPECT_EQ(message, "") << "a valid file loads";
        }
    }
}

TEST_F(TBadInput, UnreadableFilesFailWithDistinctMessages) {
    const std::string corpus = DXFI_FUZZ_CORPUS_DIR;
    const std::string missing = LoadAndWalk((Temp / "no such drawing.dxf").string());
    const std::string empty = LoadAndWalk(corpus + "/bad_empty.dxf");
    const std::string notDrawing = LoadAndWalk(corpus + "/bad_not_a_drawing.dxf");
    const std::string dwg = LoadAndWalk(corpus + "/bad_dwg_signature.dwg");
    EXPECT_NE(missing, "");
    EXPECT_NE(empty, "");
    EXPECT_NE(notDrawing, "");
    EXPECT_NE(dwg, "");
    EXPECT_EQ(std::set<std::string>({missing, empty, notDrawing, dwg}).size(), 4u)
        << "missing: " << missing << "\nempty: " << empty << "\nnot a drawing: " << notDrawing
        << "\nDWG: " << dwg;
    EXPECT_TRUE(dwg.find("AC1032") != std::string::npos || dwg.find("2018") != std::string::npos)
        << "the DWG refusal names the version: " << dwg;
}

TEST_F(TBadInput, LongNamesAreCutToWholeCharactersWithinTheRecord) {
    const abi::TDrawingHandle drawing =
        edaLoadFile(DXFI_FUZZ_CORPUS_DIR "/bad_long_names.dxf", 1, 0);
    ASSERT_NE(drawing, 0) << "refused: " << edaErrorStr(edaError());
    const std::string ascii(300, 'N');
    std::string umlauts;
    for (int i = 0; i < 200; ++i)
        umlauts += "\xc3\xa4";
    std::vector<uint8_t> record(abi::kLayerRecordSize);
    ASSERT_NE(edaStartLayerGet(drawing), 0);
    std::vector<std::string> names;
    while (edaGetLayer(drawing, record.data()) != 0 && names.size() < 10)
        names.push_back(GetText(record.data(), abi::LayerRecord::Name, abi::kLayerRecordSize));
    auto has = [&](const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    EXPECT_TRUE(has(ascii.substr(0, 255))) << "255 characters";
    EXPECT_TRUE(has(umlauts.substr(0, 254))) << "127 whole characters, not 255 bytes";
    EXPECT_NE(edaCloseFile(drawing), 0);
}

TEST_F(TBadInput, LargeInputsStayBounded) {
    const std::string millionX(1000000, 'x');
    const std::string text =
        Write("million.dxf",
              EntitiesDxf(
                  Groups({{0, "TEXT"}, {8, "0"}, {10, "1"}, {20, "2"}, {40, "1"}, {1, millionX}})));
    const abi::TDrawingHandle drawing = edaLoadFile(text.c_str(), 1, 0);
    if (drawing != 0) {
        abi::TObjectHandle space = 0;
        ASSERT_NE(edaFindBlockheaderByName(drawing, "*MODEL_SPACE", &space), 0);
        const abi::TEntityListHandle list = edaEntityList(drawing, space);
        std::vector<uint8_t> header(abi::kEntityHeaderSize), data(abi::kEntityDataSize);
        ASSERT_NE(edaStartEntityGet(list), 0);
        bool sawText = false;
        while (edaGetEntity(list, header.data(), data.data()) == 1) {
            if (dxfi::enginewalk::GetInt<uint16_t>(header.data(), 0) != abi::kCodeText) continue;
            sawText = true;
            const std::string delivered =
                GetText(data.data(), abi::TextData::Text, abi::kEntityDataSize);
            EXPECT_LT(delivered.size(), size_t(abi::kEntityDataSize - abi::TextData::Text));
            EXPECT_EQ(delivered, millionX.substr(0, delivered.size()));
        }
        EXPECT_TRUE(sawText);
        EXPECT_NE(edaCloseFile(drawing), 0);
    } else {
        EXPECT_STRNE(edaErrorStr(edaError()), "");
    }

    // A vertex count far beyond the vertices present.
    std::string run = Groups({{0, "LWPOLYLINE"}, {8, "0"}, {90, "2000000000"}, {70, "0"}});
    for (int i = 0; i < 1000; ++i)
        run += Groups({{10, std::to_string(i)}, {20, "0"}});
    LoadAndWalk(Write("claims.dxf", EntitiesDxf(run)));

    // Many MTEXT chunks, more than any record holds.
    std::string chunks = Groups({{0, "MTEXT"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}});
    for (int i = 0; i < 2000; ++i)
        chunks += Groups({{3, std::string(250, 'c')}});
    LoadAndWalk(Write("chunks.dxf", EntitiesDxf(chunks + Groups({{1, "end"}}))));
}

std::vector<int> Progress;
void DXFI_CDECL RecordProgress(int16_t percent) {
    Progress.push_back(percent);
}
void DXFI_CDECL IgnoreProgress(int16_t) {}

TEST_F(TBadInput, ProgressRisesFromZeroToHundredABoundedNumberOfTimes) {
    Progress.clear();
    edaSetAd2LoadometerFn(RecordProgress);
    const abi::TDrawingHandle drawing = edaLoadFile(DXFI_TEST_DATA_DIR "/insert_R2018.dxf", 1, 0);
    edaSetAd2LoadometerFn(IgnoreProgress);
    ASSERT_NE(drawing, 0u) << edaErrorStr(edaError());
    EXPECT_NE(edaCloseFile(drawing), 0);
    ASSERT_FALSE(Progress.empty());
    EXPECT_EQ(Progress.front(), 0);
    EXPECT_EQ(Progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(Progress.begin(), Progress.end()));
    EXPECT_LE(Progress.size(), 202u);
}

} // namespace
