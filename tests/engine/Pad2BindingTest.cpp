// SPDX-License-Identifier: MIT
// The plug-in's binding to the real libpad2.so: load, init, walk every list and record, close.
#include "engine/EngineRecords.h"
#include "engine/Pad2.h"

#include "base/Assertion.h"
#include "support/DxfText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace dxfi;

namespace {

const std::string kEngine = DXFI_BIN_DIR "/libpad2.so";
const std::string kInitFile = DXFI_BIN_DIR "/PADINIT.DAT";

std::string WriteTemp(const std::string& text) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("engine_binding_" + std::to_string(::getpid()) + ".dxf"))
                                 .string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

class Pad2BindingTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetEngineMessageFunction({});
        CloseEngine();
    }
};

} // namespace

TEST_F(Pad2BindingTest, LoadsInitialisesAndUnloads) {
    EXPECT_FALSE(EngineLibraryLoaded());
    LoadEngineLibrary(kEngine);
    ASSERT_TRUE(EngineLibraryLoaded());
    LoadEngineLibrary(kEngine); // nothing the second time
    EXPECT_TRUE(InitEngine(kInitFile));
    CloseEngine();
    EXPECT_FALSE(EngineLibraryLoaded());
    EXPECT_THROW(Pad2(), EAssertionFailure);
}

TEST_F(Pad2BindingTest, UnloadableLibraryLeavesItUnloaded) {
    LoadEngineLibrary("/nonexistent/libpad2.so");
    EXPECT_FALSE(EngineLibraryLoaded());
}

TEST_F(Pad2BindingTest, MissingFunctionRaisesAssertion) {
    try {
        LoadEngineLibrary("libm.so.6");
        FAIL() << "no assertion";
    } catch (const EAssertionFailure& e) {
        EXPECT_EQ(e.Module(), "Pad2");
    }
    EXPECT_FALSE(EngineLibraryLoaded());
}

TEST_F(Pad2BindingTest, InitFailureShowsTheEngineTextInAnErrorBox) {
    std::vector<std::pair<std::string, std::string>> shown;
    SetEngineMessageFunction([&](const std::string& caption, const std::string& text) {
        shown.emplace_back(caption, text);
    });
    LoadEngineLibrary(kEngine);
    ASSERT_TRUE(EngineLibraryLoaded());
    EXPECT_FALSE(InitEngine("/nonexistent/PADINIT.DAT"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, "Error");
    EXPECT_EQ(shown[0].second, "The drawing engine's data file /nonexistent/PADINIT.DAT cannot be "
                               "read: reinstall the importer.");
}

TEST_F(Pad2BindingTest, WalksEveryListAndRecord) {
    LoadEngineLibrary(kEngine);
    ASSERT_TRUE(InitEngine(kInitFile));
    const TPad2Functions& f = Pad2();
    using testsupport::Groups;
    using testsupport::Section;
    const std::string path = WriteTemp(
        Section("TABLES", testsupport::Table(
                              "LAYER", Groups({{0, "LAYER"}, {2, "Top"}, {62, "-1"}, {70, "1"}}))) +
        Section("BLOCKS", Groups({{0, "BLOCK"},
                                  {2, "Pad"},
                                  {10, "1"},
                                  {20, "1"},
                                  {0, "CIRCLE"},
                                  {8, "Top"},
                                  {40, "0.5"},
                                  {0, "ENDBLK"}})) +
        testsupport::EntitiesDxf(Groups({{0, "LWPOLYLINE"},
                                         {10, "0"},
                                         {20, "0"},
                                         {10, "1"},
                                         {20, "0"},
                                         {0, "INSERT"},
                                         {2, "Pad"},
                                         {10, "3"},
                                         {20, "4"},
                                         {0, "HATCH"}})));
    f.ConvertPlinesOnLoad(1);
    f.SetupDxfRead();
    f.SetupDwgRead();
    const dxfi::abi::TDrawingHandle drawing = f.LoadFile(path.c_str(), 1, 0);
    std::filesystem::remove(path);
    ASSERT_NE(drawing, 0u) << f.ErrorStr(f.Error());

    ASSERT_NE(f.StartLayerGet(drawing), 0);
    TLayerRecord layer;
    ASSERT_NE(f.GetLayer(drawing, layer.Bytes()), 0);
    EXPECT_TRUE(layer.Offered());
    EXPECT_EQ(layer.Name(), "Top");
    EXPECT_EQ(layer.Colour(), -1);
    EXPECT_EQ(layer.Flags(), 1);

    dxfi::abi::TObjectHandle model = 0;
    ASSERT_NE(f.FindBlockheaderByName(drawing, "*MODEL_SPACE", &model), 0);
    const dxfi::abi::TEntityListHandle list = f.EntityList(drawing, model);
    ASSERT_NE(f.StartEntityGet(list), 0);
    std::vector<TEntityKind> kinds;
    TEntityRecord e;
    dxfi::abi::TObjectHandle insertBlock = 0;
    while (f.GetEntity(list, e.Header.Bytes(), e.Data.Bytes()) == 1) {
        kinds.push_back(EntityKind(&e.Header, drawing));
        if (kinds.back() == ekInsert)
            insertBlock = e.Data.ReadObjectHandle(dxfi::abi::InsertData::BlockHeader);
        if (kinds.back() == ekLwPolyline) {
            EXPECT_EQ(e.Data.ReadI32(dxfi::abi::LwPolylineData::VertexCount), 2);
            const dxfi::abi::TBlobReader reader =
                f.StartBlobRead(e.Data.ReadU32(dxfi::abi::LwPolylineData::BlobRef));
            double xy[2];
            ASSERT_NE(f.ReadBlob2Double(reader, xy), 0);
            ASSERT_NE(f.ReadBlob2Double(reader, xy), 0);
            EXPECT_EQ(xy[0], 1.0);
            f.EndBlobRead(reader);
        }
    }
    EXPECT_EQ(kinds, (std::vector<TEntityKind>{ekNone, ekLwPolyline, ekInsert, ekNone}));

    TBlockHeaderRecord block;
    ASSERT_NE(f.SeekBlockheader(drawing, insertBlock, block.Bytes()), 0);
    EXPECT_EQ(block.Name(), "Pad");
    ASSERT_NE(f.StartEntityGet(block.EntityList()), 0);
    ASSERT_EQ(f.GetEntity(block.EntityList(), e.Header.Bytes(), e.Data.Bytes()), 1);
    EXPECT_EQ(e.Header.TypeCode(), dxfi::abi::kCodeBlockStart);
    EXPECT_EQ(e.Data.ReadPoint(dxfi::abi::BlockStartData::BasePoint).X, 1.0);
    ASSERT_EQ(f.GetEntity(block.EntityList(), e.Header.Bytes(), e.Data.Bytes()), 1);
    EXPECT_EQ(EntityKind(&e.Header, drawing), ekCircle);
    EXPECT_EQ(e.Data.ReadF64(dxfi::abi::CircleData::Radius), 0.5);
    EXPECT_EQ(e.Header.ExtrusionZ(), 1.0);
    ASSERT_NE(f.SeekLayer(drawing, e.Header.LayerHandle(), layer.Bytes()), 0);
    EXPECT_EQ(layer.Name(), "Top");
    EXPECT_EQ(f.GetEntity(block.EntityList(), e.Header.Bytes(), e.Data.Bytes()), 0);

    TDrawingHeader header(f.HeaderPointer(drawing));
    ASSERT_FALSE(header.IsNil());
    // Computed, as none is stated: the circle (radius 0.5 at 0,0 of a block based at 1,1) placed at
    // 3,4.
    EXPECT_EQ(header.ReadF64(dxfi::abi::DrawingHeader::ModelExtMax + 8), 3.5);
    header.WriteRecomputeWord(1);
    EXPECT_NE(f.CloseFile(drawing), 0);
}
