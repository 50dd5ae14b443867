// SPDX-License-Identifier: MIT
// Whole drawings written by another program (tests/data): the walk of both spaces must call
// exactly what the drawing's recorded contents predict, and every entity must go through its
// conversion without leaving the processor's state changed.
#include "ProcessorFixture.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>

using namespace dxfi;
using namespace drawingtest;
using nlohmann::json;

namespace {

std::string KindName(const std::string& type) {
    static const std::map<std::string, std::string> kNames = {{"LINE", "LINE entity"},
                                                              {"POLYLINE", "POLYLINE entity"},
                                                              {"LWPOLYLINE", "LWPOLYLINE entity"},
                                                              {"VERTEX", "VERTEX entity"},
                                                              {"SEQEND", "SEQEND entity"},
                                                              {"CIRCLE", "CIRCLE entity"},
                                                              {"INSERT", "INSERT entity"},
                                                              {"TEXT", "TEXT entity"},
                                                              {"DIMENSION", "DIMENSION entity"},
                                                              {"POINT", "POINT entity"},
                                                              {"ARC", "ARC entity"},
                                                              {"MTEXT", "MTEXT entity"},
                                                              {"MLINE", "MLINE entity"},
                                                              {"ELLIPSE", "ELLIPSE entity"},
                                                              {"TRACE", "TRACE entity"},
                                                              {"SOLID", "SOLID entity"},
                                                              {"SPLINE", "SPLINE entity"}};
    const auto it = kNames.find(type);
    return it == kNames.end() ? "" : it->second;
}

// The calls the walk must make for a list of recorded entities.
class TExpectedWalk {
public:
    explicit TExpectedWalk(const json& drawing) {
        for (const json& block : drawing["blocks"])
            Blocks_[block["name"].get<std::string>()] = &block["entities"];
    }

    std::vector<std::string> Space(const json& entities) {
        Calls_ = {""};
        List(entities, false);
        return Calls_;
    }

private:
    void Expand(const std::string& name) {
        const auto it = Blocks_.find(name);
        if (it == Blocks_.end()) return;
        Calls_.push_back(""); // the block's start
        List(*it->second, true);
    }

    void List(const json& entities, bool inBlock) {
        for (const json& e : entities) {
            const std::string type = e["type"];
            // An insert whose extrusion is tilted off the Z axis is not expanded.
            const bool tilted =
                type == "INSERT" && e.contains("extrusion") &&
                (e["extrusion"][0].get<double>() != 0.0 || e["extrusion"][1].get<double>() != 0.0);
            if ((type == "INSERT" && !tilted) || type == "DIMENSION") {
                const std::string block = e.value("block", "");
                const bool anonymousX = block.find("*X") != std::string::npos;
                if (!inBlock && (type == "DIMENSION" || !anonymousX)) {
                    Calls_.push_back("begin " + block);
                    Expand(block);
                    Calls_.push_back("end " + block);
                } else if (inBlock && type == "INSERT" && !anonymousX) {
                    Expand(block);
                }
            }
            Calls_.push_back(KindName(type));
        }
    }

    std::map<std::string, const json*> Blocks_;
    std::vector<std::string> Calls_;
};

// Runs the conversion the PCB side would run for the entity's kind.
void Convert(TRecordingProcessor& p, TEntityHeader& h, TEntityData& d, int& delivered,
             int& discarded) {
    TBoardCoord x = 0, y = 0, a = 0, b = 0, c[8] = {};
    double f0 = 0, f1 = 0;
    bool closed = false;
    int32_t mirror = 0;
    std::string_view text;
    const char* layer = nullptr;
    char name[256];
    TPolyPoints points(64);
    bool ok = true;
    switch (p.EntityKind(&h)) {
    case ekLine:
        ok = p.GetLine(h, d, x, y, a, b, layer);
        break;
    case ekPolyline:
        ok = p.GetPolylineHeader(h, d, a, closed, layer);
        break;
    case ekVertex:
        ok = p.GetVertex(h, d, x, y, a, f0, layer);
        break;
    case ekLwPolyline:
        ok = p.GetLwPolyline(h, d, &points);
        for (int i = 0; ok && i < points.Count(); ++i)
            if (points.Bulge(i) != 0)
                p.GetBulgeArc(&points, i, (i + 1) % points.Count(), x, y, a, f0, f1);
        break;
    case ekCircle:
        ok = p.GetCircle(h, d, x, y, a, layer);
        break;
    case ekArc:
        ok = p.GetArc(h, d, x, y, a, f0, f1, layer);
        break;
    case ekInsert:
        ok = p.GetInsert(h, d, x, y, f0, name);
        break;
    case ekText:
        ok = p.GetText(h, d, x, y, a, mirror, f0, text, layer);
        break;
    case ekMText:
        ok = p.GetMText(h, d, x, y, a, mirror, f0, text, layer);
        break;
    case ekDimension:
        ok = p.GetDimension(h, d, x, y, f0, name);
        break;
    case ekPoint:
        ok = p.GetPoint(h, d, x, y, layer);
        break;
    case ekSolid:
        ok = p.GetSolid(h, d, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], layer);
        break;
    case ekTrace:
        ok = p.GetTrace(h, d, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], layer);
        break;
    case ekMLine:
        ok = p.GetMLine(h, d, &points);
        break;
    case ekEllipse:
        ok = p.GetEllipse(h, d, &points);
        break;
    default:
        return;
    }
    ++(ok ? delivered : discarded);
}

std::vector<std::filesystem::path> Drawings() {
    std::vector<std::filesystem::path> out;
    for (const auto& entry : std::filesystem::directory_iterator(DXFI_TEST_DATA_DIR))
        if (entry.path().extension() == ".dxf") out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST(DrawingWalkTest, EveryDrawingIsWalkedAsItsContentsPredict) {
    const std::vector<std::filesystem::path> drawings = Drawings();
    ASSERT_GE(drawings.size(), 60u);
    int totalDelivered = 0;
    for (const std::filesystem::path& path : drawings) {
        SCOPED_TRACE(path.filename().string());
        std::filesystem::path expectedPath = path;
        expectedPath.replace_extension(".expected.json");
        ASSERT_TRUE(std::filesystem::exists(expectedPath));
        const json expected = json::parse(std::ifstream(expectedPath));

        TRecordingProcessor p(path.string());
        p.ReportErrors = true;
        p.SetDrawingScale(1.0 / 10000); // 1 mil per drawing unit
        p.BeginImportReport();
        ASSERT_TRUE(p.LoadFile()) << p.LoadErrorText;
        int delivered = 0, discarded = 0;
        p.OnEntity = [&](TEntityHeader& h, TEntityData& d) {
            Convert(p, h, d, delivered, discarded);
        };
        TExpectedWalk walk(expected);
        for (uint8_t space : {0, 1}) {
            p.SpacesToImport = space;
            ASSERT_TRUE(p.RecomputeExtents(0));
            p.Calls.clear();
            p.ProcessDrawing();
            EXPECT_EQ(p.Whats(),
                      walk.Space(expected["spaces"][space == 0 ? "*MODEL_SPACE" : "*PAPER_SPACE"]))
                << "space " << int(space);
            EXPECT_EQ(p.ScaleStack_.size(), 1u);
            EXPECT_EQ(p.OffsetX, 0);
            EXPECT_EQ(p.OffsetY, 0);
            EXPECT_FALSE(p.InBlock);
        }
        // Every discard wrote its line; the walk adds one for each anonymous block inserted
        // in a block, which only the drawing made for it has.
        const std::string name = path.filename().string();
        int xLines = 0;
        for (const std::string& line : ReportLines(p.ReportXml())) {
            if (line == "INSERT entity was discarded because block did not contain *X")
                ++xLines;
            else if (name.rfind("extrusion_", 0) != 0 && name.rfind("extnoise_", 0) != 0 &&
                     name.rfind("mirrored_", 0) != 0 && name.rfind("polywidth_", 0) != 0)
                ADD_FAILURE() << line; // only drawings made with tilted extrusions or widths
                                       // beyond the board have any
        }
        EXPECT_EQ(static_cast<int>(ReportLines(p.ReportXml()).size()) - xLines, discarded);
        EXPECT_EQ(xLines, name.rfind("xblock_", 0) == 0 ? 1 : 0);
        EXPECT_EQ(p.EntitiesDiscarded, discarded > 0);
        totalDelivered += delivered;
        p.EndImportReport();
        EXPECT_TRUE(p.CloseFile());
    }
    EXPECT_GT(totalDelivered, 400);
}

TEST(DrawingWalkTest, NestedInsertsOfAWrittenDrawingMultiplyTheirScales) {
    TRecordingProcessor p(DXFI_TEST_DATA_DIR "/insert_R2000.dxf");
    p.SetDrawingScale(1);
    ASSERT_TRUE(p.LoadFile());
    p.ProcessDrawing();
    // OUTER (scale 2) holds INNER (scale 3), whose line comes out at 6 times its size.
    std::vector<double> lineScales;
    for (const TCall& c : p.Calls)
        if (c.What == "LINE entity" && c.InBlock) lineScales.push_back(c.ScaleX);
    EXPECT_EQ(lineScales, (std::vector<double>{2.0, 6.0, 2.0, 1.0}));
    EXPECT_EQ(p.ScaleX(), 1.0);
    p.CloseFile();
}
