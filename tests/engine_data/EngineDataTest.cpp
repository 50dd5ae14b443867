// SPDX-License-Identifier: MIT
// Compares what the drawing engine delivers for every test drawing with what ezdxf read from
// the same file (tests/data/*.expected.json, written by tests/data/dump_expected.py). Reads the
// records at the byte offsets of abi/Pad2Api.h, as the import does.
#include "engine_data/EngineWalk.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace abi = dxfi::abi;
namespace fs = std::filesystem;
using dxfi::enginewalk::GetF64;
using dxfi::enginewalk::GetInt;
using dxfi::enginewalk::GetText;
using nlohmann::json;

bool Near(double actual, double expected) {
    const double scale = std::max({1.0, std::fabs(actual), std::fabs(expected)});
    return std::fabs(actual - expected) <= 1e-9 * scale;
}

#define EXPECT_F64(record, offset, expected)                                                       \
    EXPECT_PRED2(Near, GetF64(record, offset), double(expected)) << "field at offset " << (offset)

void ExpectPoint(const uint8_t* record, int offset, const json& point) {
    ASSERT_GE(point.size(), 2u);
    EXPECT_F64(record, offset, point[0]);
    EXPECT_F64(record, offset + 8, point[1]);
}

struct TEntityRecords {
    std::vector<uint8_t> Header = std::vector<uint8_t>(abi::kEntityHeaderSize);
    std::vector<uint8_t> Data = std::vector<uint8_t>(abi::kEntityDataSize);
    uint16_t Code() const { return GetInt<uint16_t>(Header.data(), abi::EntityHeader::TypeCode); }
};

std::vector<TEntityRecords> ReadList(abi::TEntityListHandle list) {
    std::vector<TEntityRecords> result;
    if (list == 0) return result;
    edaStartEntityGet(list);
    TEntityRecords records;
    while (edaGetEntity(list, records.Header.data(), records.Data.data()) == 1 &&
           result.size() < 100000)
        result.push_back(records);
    return result;
}

const std::map<std::string, uint16_t> FixedCodes = {
    {"LINE", abi::kCodeLine},     {"POINT", abi::kCodePoint},
    {"CIRCLE", abi::kCodeCircle}, {"ELLIPSE", abi::kCodeEllipse},
    {"SPLINE", abi::kCodeSpline}, {"TEXT", abi::kCodeText},
    {"ARC", abi::kCodeArc},       {"TRACE", abi::kCodeTrace},
    {"SOLID", abi::kCodeSolid},   {"INSERT", abi::kCodeInsert},
    {"SEQEND", abi::kCodeSeqEnd}, {"POLYLINE", abi::kCodePolyline},
    {"VERTEX", abi::kCodeVertex}, {"DIMENSION", abi::kCodeDimension},
    {"MTEXT", abi::kCodeMText},   {"MLINE", abi::kCodeMLine},
};
constexpr uint16_t kBlockStart = abi::kCodeBlockStart;

class TDrawingComparison : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        const fs::path base = fs::path(DXFI_TEST_DATA_DIR) / GetParam();
        std::ifstream in(base.string() + ".expected.json");
        ASSERT_TRUE(in) << "cannot read " << base << ".expected.json";
        Expected = json::parse(in);
        Path = base.string() + ".dxf";
        Drawing = edaLoadFile(Path.c_str(), 1, 0);
        ASSERT_NE(Drawing, 0u) << "edaLoadFile(" << Path << "): " << edaErrorStr(edaError());
        LwCode = edaLwplineEnttype(Drawing);
    }
    void TearDown() override {
        if (Drawing != 0) {
            EXPECT_NE(edaCloseFile(Drawing), 0);
        }
    }

    std::string LayerName(abi::TObjectHandle layer) {
        std::vector<uint8_t> record(abi::kLayerRecordSize);
        if (edaSeekLayer(Drawing, layer, record.data()) == 0) return "<edaSeekLayer failed>";
        return GetText(record.data(), abi::LayerRecord::Name, abi::kLayerRecordSize);
    }
    std::string BlockName(abi::TObjectHandle block) {
        std::vector<uint8_t> record(abi::kBlockHeaderRecordSize);
        if (edaSeekBlockheader(Drawing, block, record.data()) == 0)
            return "<edaSeekBlockheader failed>";
        return GetText(record.data(), abi::BlockHeaderRecord::Name, abi::kBlockHeaderRecordSize);
    }

    void CheckExtents(const json& space, int minOffset, int maxOffset, const uint8_t* header);
    void CompareList(const std::vector<TEntityRecords>& actual, const json& expected);
    void CompareEntity(const TEntityRecords& actual, const json& expected);
    void CompareLwPolyline(const uint8_t* data, const json& expected);
    void CompareMLine(const uint8_t* data, const json& expected);
    void CompareSpline(const uint8_t* data, const json& expected);

    json Expected;
    std::string Path;
    abi::TDrawingHandle Drawing = 0;
    int16_t LwCode = 0;
};

void TDrawingComparison::CheckExtents(const json& space, int minOffset, int maxOffset,
                                      const uint8_t* header) {
    if (space["stated"].get<bool>()) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_F64(header, minOffset + 8 * i, space["min"][i]);
            EXPECT_F64(header, maxOffset + 8 * i, space["max"][i]);
        }
    } else if (!space["contains"].is_null()) {
        // Extents the engine computed itself: finite and enclosing every definition point.
        const json& box = space["contains"];
        for (int i = 0; i < 2; ++i) {
            const double lo = GetF64(header, minOffset + 8 * i);
            const double hi = GetF64(header, maxOffset + 8 * i);
            EXPECT_TRUE(std::isfinite(lo) && std::isfinite(hi)) << "axis " << i;
            EXPECT_LE(lo, box[0][i].get<double>()) << "axis " << i;
            EXPECT_GE(hi, box[1][i].get<double>()) << "axis " << i;
        }
    }
}

void TDrawingComparison::CompareLwPolyline(const uint8_t* data, const json& e) {
    const auto& vertices = e["vertices"];
    ASSERT_EQ(GetInt<int32_t>(data, abi::LwPolylineData::VertexCount), int32_t(vertices.size()));
    const uint16_t flags = GetInt<uint16_t>(data, abi::LwPolylineData::Flags);
    const int expectedFlags = e["packed_flags"].get<int>();
    EXPECT_EQ((flags & abi::LwPolylineData::FlagClosed) != 0, e["closed"].get<bool>());
    // The engine may announce bulges or widths that are all 0; it must announce non-zero ones.
    if (expectedFlags & abi::LwPolylineData::FlagBulges) {
        EXPECT_TRUE(flags & abi::LwPolylineData::FlagBulges);
    }
    if (expectedFlags & abi::LwPolylineData::FlagWidths) {
        EXPECT_TRUE(flags & abi::LwPolylineData::FlagWidths);
    }
    EXPECT_F64(data, abi::LwPolylineData::ConstWidth, e["const_width"]);

    const abi::TBlobReader reader =
        edaStartBlobRead(GetInt<uint32_t>(data, abi::LwPolylineData::BlobRef));
    ASSERT_NE(reader, 0u);
    for (size_t i = 0; i < vertices.size(); ++i) {
        SCOPED_TRACE("vertex " + std::to_string(i));
        const auto& v = vertices[i]; // x, y, start width, end width, bulge
        double xy[2] = {0, 0};
        ASSERT_NE(edaReadBlob2Double(reader, xy), 0);
        EXPECT_PRED2(Near, xy[0], v[0].get<double>());
        EXPECT_PRED2(Near, xy[1], v[1].get<double>());
        if (flags & abi::LwPolylineData::FlagBulges) {
            double bulge = 0;
            ASSERT_NE(edaReadBlobDouble(reader, &bulge), 0);
            EXPECT_PRED2(Near, bulge, v[4].get<double>());
        }
        if (flags & abi::LwPolylineData::FlagWidths) {
            double widths[2] = {0, 0};
            ASSERT_NE(edaReadBlob2Double(reader, widths), 0);
            EXPECT_PRED2(Near, widths[0], v[2].get<double>());
            EXPECT_PRED2(Near, widths[1], v[3].get<double>());
        }
    }
    double past = 42;
    EXPECT_EQ(edaReadBlobDouble(reader, &past), 0) << "data beyond the last vertex";
    EXPECT_EQ(past, 0.0);
    edaEndBlobRead(reader);
}

void TDrawingComparison::CompareSpline(const uint8_t* data, const json& e) {
    EXPECT_EQ(GetInt<int16_t>(data, abi::SplineData::Degree), e["degree"].get<int>());
    EXPECT_EQ(GetInt<uint16_t>(data, abi::SplineData::Flags), e["flags"].get<int>());
    ASSERT_EQ(GetInt<int32_t>(data, abi::SplineData::KnotCount), int(e["knots"].size()));
    ASSERT_EQ(GetInt<int32_t>(data, abi::SplineData::ControlCount), int(e["control"].size()));
    ASSERT_EQ(GetInt<int32_t>(data, abi::SplineData::WeightCount), int(e["weights"].size()));
    ASSERT_EQ(GetInt<int32_t>(data, abi::SplineData::FitCount), int(e["fit"].size()));
    const uint8_t tangents = data[abi::SplineData::Tangents];
    EXPECT_EQ((tangents & abi::SplineData::TangentStart) != 0, !e["start_tangent"].is_null());
    EXPECT_EQ((tangents & abi::SplineData::TangentEnd) != 0, !e["end_tangent"].is_null());
    if (!e["start_tangent"].is_null())
        ExpectPoint(data, abi::SplineData::StartTangent, e["start_tangent"]);
    if (!e["end_tangent"].is_null())
        ExpectPoint(data, abi::SplineData::EndTangent, e["end_tangent"]);

    const abi::TBlobReader reader =
        edaStartBlobRead(GetInt<uint32_t>(data, abi::SplineData::BlobRef));
    ASSERT_NE(reader, 0u);
    const auto values = [&](const json& list, bool points) {
        for (const auto& item : list) {
            if (points) {
                double xyz[3] = {};
                ASSERT_NE(edaReadBlob3Double(reader, xyz), 0);
                for (int k = 0; k < 3; ++k)
                    EXPECT_PRED2(Near, xyz[k], item[k].get<double>());
            } else {
                double value = 0;
                ASSERT_NE(edaReadBlobDouble(reader, &value), 0);
                EXPECT_PRED2(Near, value, item.get<double>());
            }
        }
    };
    values(e["knots"], false);
    values(e["control"], true);
    values(e["weights"], false);
    values(e["fit"], true);
    double past = 42;
    EXPECT_EQ(edaReadBlobDouble(reader, &past), 0) << "data beyond the last fit point";
    edaEndBlobRead(reader);
}

void TDrawingComparison::CompareMLine(const uint8_t* data, const json& e) {
    EXPECT_EQ(GetInt<int16_t>(data, abi::MLineData::StyleLineCount), e["style_lines"].get<int>());
    ASSERT_EQ(GetInt<uint16_t>(data, abi::MLineData::VertexCount), e["count"].get<int>());
    ExpectPoint(data, abi::MLineData::StartPoint, e["start"]);
    const abi::TBlobReader reader =
        edaStartBlobRead(GetInt<uint32_t>(data, abi::MLineData::BlobRef));
    ASSERT_NE(reader, 0u);
    const auto& packed = e["packed"];
    for (size_t i = 0; i < packed.size(); ++i) {
        SCOPED_TRACE("packed value " + std::to_string(i));
        if (packed[i][0] == "s") {
            int16_t count = -1;
            ASSERT_NE(edaReadBlobShort(reader, &count), 0);
            EXPECT_EQ(count, packed[i][1].get<int>());
        } else {
            double value = 0;
            ASSERT_NE(edaReadBlobDouble(reader, &value), 0);
            EXPECT_PRED2(Near, value, packed[i][1].get<double>());
        }
    }
    double past = 42;
    EXPECT_EQ(edaReadBlobDouble(reader, &past), 0) << "data beyond the last vertex";
    edaEndBlobRead(reader);
}

void TDrawingComparison::CompareEntity(const TEntityRecords& actual, const json& e) {
    const std::string type = e["type"];
    const uint8_t* h = actual.Header.data();
    const uint8_t* d = actual.Data.data();
    const uint16_t code = actual.Code();

    if (e.contains("other")) {
        for (const auto& [name, fixed] : FixedCodes)
            EXPECT_NE(code, fixed) << type << " delivered with the code of " << name;
        EXPECT_NE(code, kBlockStart);
        EXPECT_NE(code, uint16_t(LwCode)) << type << " delivered as a lightweight polyline";
        return;
    }
    if (type == "LWPOLYLINE") {
        ASSERT_EQ(code, uint16_t(LwCode));
    } else {
        ASSERT_EQ(code, FixedCodes.at(type));
    }
    if (type != "SEQEND") {
        EXPECT_EQ(LayerName(GetInt<abi::TObjectHandle>(h, abi::EntityHeader::LayerHandle)),
                  e["layer"].get<std::string>());
    }
    if (e.contains("extrusion")) {
        EXPECT_F64(h, abi::EntityHeader::ExtrusionX, e["extrusion"][0]);
        EXPECT_F64(h, abi::EntityHeader::ExtrusionY, e["extrusion"][1]);
        EXPECT_F64(h, abi::EntityHeader::ExtrusionZ, e["extrusion"][2]);
    }

    if (type == "LINE") {
        ExpectPoint(d, abi::LineData::Start, e["start"]);
        ExpectPoint(d, abi::LineData::End, e["end"]);
    } else if (type == "POINT") {
        ExpectPoint(d, abi::PointData::Location, e["location"]);
    } else if (type == "CIRCLE") {
        ExpectPoint(d, abi::CircleData::Centre, e["centre"]);
        EXPECT_F64(d, abi::CircleData::Radius, e["radius"]);
    } else if (type == "ARC") {
        ExpectPoint(d, abi::ArcData::Centre, e["centre"]);
        EXPECT_F64(d, abi::ArcData::Radius, e["radius"]);
        EXPECT_F64(d, abi::ArcData::StartAngle, e["start_angle"]);
        EXPECT_F64(d, abi::ArcData::EndAngle, e["end_angle"]);
    } else if (type == "ELLIPSE") {
        ExpectPoint(d, abi::EllipseData::Centre, e["centre"]);
        ExpectPoint(d, abi::EllipseData::MajorAxisEnd, e["major_axis"]);
        EXPECT_F64(d, abi::EllipseData::Ratio, e["ratio"]);
        EXPECT_F64(d, abi::EllipseData::StartParam, e["start_param"]);
        EXPECT_F64(d, abi::EllipseData::EndParam, e["end_param"]);
    } else if (type == "TEXT") {
        ExpectPoint(d, abi::TextData::AlignPoint, e["align_point"]);
        EXPECT_F64(d, abi::TextData::Height, e["height"]);
        EXPECT_F64(d, abi::TextData::Rotation, e["rotation"]);
        EXPECT_EQ(d[abi::TextData::GenFlags], e["flags"].get<int>());
        EXPECT_EQ(GetText(d, abi::TextData::Text, abi::kEntityDataSize),
                  e["text"].get<std::string>());
    } else if (type == "MTEXT") {
        ExpectPoint(d, abi::MTextData::InsertionPoint, e["insert"]);
        EXPECT_F64(d, abi::MTextData::Height, e["height"]);
        EXPECT_EQ(d[abi::MTextData::Attachment], e["attachment"].get<int>());
        EXPECT_F64(d, abi::MTextData::RefWidth, e["width"]);
        EXPECT_EQ(GetText(d, abi::MTextData::Text, abi::kEntityDataSize),
                  e["text"].get<std::string>());
    } else if (type == "SOLID" || type == "TRACE") {
        const int offsets[4] = {abi::SolidData::Corner1, abi::SolidData::Corner2,
                                abi::SolidData::Corner3, abi::SolidData::Corner4};
        for (int i = 0; i < 4; ++i)
            ExpectPoint(d, offsets[i], e["corners"][i]);
    } else if (type == "INSERT") {
        ExpectPoint(d, abi::InsertData::InsertionPoint, e["insert"]);
        EXPECT_F64(d, abi::InsertData::ScaleX, e["scale_x"]);
        EXPECT_F64(d, abi::InsertData::ScaleY, e["scale_y"]);
        EXPECT_F64(d, abi::InsertData::Rotation, e["rotation"]);
        EXPECT_EQ(BlockName(GetInt<abi::TObjectHandle>(d, abi::InsertData::BlockHeader)),
                  e["block"].get<std::string>());
    } else if (type == "DIMENSION") {
        ExpectPoint(d, abi::DimensionData::InsertionPoint, e["insert"]);
        EXPECT_F64(d, abi::DimensionData::Rotation, e["rotation"]);
        ExpectPoint(d, abi::DimensionData::DefinitionPoint, e["defpoint"]);
        EXPECT_EQ(BlockName(GetInt<abi::TObjectHandle>(d, abi::DimensionData::BlockHeader)),
                  e["block"].get<std::string>());
    } else if (type == "POLYLINE") {
        EXPECT_F64(d, abi::PolylineData::DefaultWidth, e["default_width"]);
        EXPECT_EQ(d[abi::PolylineData::Flags], e["flags"].get<int>() & 0xFF);
    } else if (type == "VERTEX") {
        ExpectPoint(d, abi::VertexData::Location, e["location"]);
        EXPECT_F64(d, abi::VertexData::Width, e["width"]);
        EXPECT_F64(d, abi::VertexData::Bulge, e["bulge"]);
    } else if (type == "LWPOLYLINE") {
        CompareLwPolyline(d, e);
    } else if (type == "MLINE") {
        CompareMLine(d, e);
    } else if (type == "SPLINE") {
        CompareSpline(d, e);
    }
}

void TDrawingComparison::CompareList(const std::vector<TEntityRecords>& actual,
                                     const json& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE("entity " + std::to_string(i) + " (" + expected[i]["type"].get<std::string>() +
                     ")");
        CompareEntity(actual[i], expected[i]);
    }
}

TEST_P(TDrawingComparison, HeaderExtentsAsStatedOrEnclosingTheEntities) {
    const uint8_t* header = edaHeaderPointer(Drawing);
    ASSERT_NE(header, nullptr);
    {
        SCOPED_TRACE("model space");
        CheckExtents(Expected["header"]["model"], abi::DrawingHeader::ModelExtMin,
                     abi::DrawingHeader::ModelExtMax, header);
    }
    {
        SCOPED_TRACE("paper space");
        CheckExtents(Expected["header"]["paper"], abi::DrawingHeader::PaperExtMin,
                     abi::DrawingHeader::PaperExtMax, header);
    }
}

TEST_P(TDrawingComparison, LayerTableInFileOrder) {
    const json& layers = Expected["layers"];
    ASSERT_NE(edaStartLayerGet(Drawing), 0);
    std::vector<std::vector<uint8_t>> records;
    std::vector<uint8_t> record(abi::kLayerRecordSize);
    while (edaGetLayer(Drawing, record.data()) != 0 && records.size() <= layers.size())
        records.push_back(record);
    ASSERT_EQ(records.size(), layers.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const uint8_t* r = records[i].data();
        SCOPED_TRACE("layer " + layers[i]["name"].get<std::string>());
        EXPECT_EQ(GetText(r, abi::LayerRecord::Name, abi::kLayerRecordSize),
                  layers[i]["name"].get<std::string>());
        EXPECT_EQ(r[abi::LayerRecord::Offered], 0) << "every table layer is offered";
        EXPECT_EQ(GetInt<int16_t>(r, abi::LayerRecord::Colour), layers[i]["colour"].get<int>());
        EXPECT_EQ((r[abi::LayerRecord::Flags] & 0x01) != 0, layers[i]["frozen"].get<bool>());
    }
    // Rewinding starts over.
    ASSERT_NE(edaStartLayerGet(Drawing), 0);
    ASSERT_NE(edaGetLayer(Drawing, record.data()), 0);
    EXPECT_EQ(GetText(record.data(), abi::LayerRecord::Name, abi::kLayerRecordSize),
              layers[0]["name"].get<std::string>());
}

TEST_P(TDrawingComparison, SpacesDeliverTheEntitiesInFileOrder) {
    for (const char* space : {"*MODEL_SPACE", "*PAPER_SPACE"}) {
        SCOPED_TRACE(space);
        abi::TObjectHandle handle = 0;
        ASSERT_NE(edaFindBlockheaderByName(Drawing, space, &handle), 0);
        auto entities = ReadList(edaEntityList(Drawing, handle));
        // A space may begin with a block start of its own; it carries the origin.
        if (!entities.empty() && entities.front().Code() == kBlockStart) {
            ExpectPoint(entities.front().Data.data(), abi::BlockStartData::BasePoint,
                        json::array({0.0, 0.0}));
            entities.erase(entities.begin());
        }
        CompareList(entities, Expected["spaces"][space]);
    }
}

TEST_P(TDrawingComparison, BlocksStartWithTheirBasePointAndDeliverTheirEntities) {
    for (const json& block : Expected["blocks"]) {
        const std::string name = block["name"];
        SCOPED_TRACE("block " + name);
        abi::TObjectHandle handle = 0;
        ASSERT_NE(edaFindBlockheaderByName(Drawing, name.c_str(), &handle), 0);
        EXPECT_EQ(BlockName(handle), name);

        const auto entities = ReadList(edaEntityList(Drawing, handle));
        ASSERT_FALSE(entities.empty());
        ASSERT_EQ(entities.front().Code(), kBlockStart);
        ExpectPoint(entities.front().Data.data(), abi::BlockStartData::BasePoint, block["base"]);
        CompareList(std::vector<TEntityRecords>(entities.begin() + 1, entities.end()),
                    block["entities"]);

        // The block header record's own list delivers the same entities.
        std::vector<uint8_t> record(abi::kBlockHeaderRecordSize);
        ASSERT_NE(edaSeekBlockheader(Drawing, handle, record.data()), 0);
        const auto viaRecord =
            ReadList(GetInt<uint32_t>(record.data(), abi::BlockHeaderRecord::EntityList));
        EXPECT_EQ(viaRecord.size(), entities.size());
    }
}

TEST_P(TDrawingComparison, UnknownNamesAndHandlesFailCleanly) {
    abi::TObjectHandle handle = 12345;
    EXPECT_EQ(edaFindBlockheaderByName(Drawing, "NO SUCH BLOCK", &handle), 0);
    std::vector<uint8_t> record(abi::kBlockHeaderRecordSize);
    EXPECT_EQ(edaSeekBlockheader(Drawing, ~abi::TObjectHandle(0), record.data()), 0);
    EXPECT_EQ(edaSeekLayer(Drawing, ~abi::TObjectHandle(0), record.data()), 0);
    EXPECT_EQ(edaEntityList(Drawing + 1000, 0), 0u);
    EXPECT_EQ(edaHeaderPointer(Drawing + 1000), nullptr);
}

std::vector<std::string> DrawingNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(DXFI_TEST_DATA_DIR)) {
        const std::string file = entry.path().filename().string();
        const std::string suffix = ".expected.json";
        if (file.size() > suffix.size() && file.ends_with(suffix))
            names.push_back(file.substr(0, file.size() - suffix.size()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Drawings, TDrawingComparison, ::testing::ValuesIn(DrawingNames()),
                         [](const auto& info) { return info.param; });

} // namespace
