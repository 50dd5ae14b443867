// SPDX-License-Identifier: MIT
// The drawings of the shared real-world set (public projects' DXF files, read where they lie):
// the engine delivers every entity of model and paper space that ezdxf reads from the same
// file, counted by kind (tests/data/realworld_counts.json, written by realworld_counts.py).
#include "engine_data/EngineWalk.h"

#include "abi/Pad2Api.h"
#include "pad2/EntityCodes.h"
#include "support/TextSearch.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace abi = dxfi::abi;
namespace fs = std::filesystem;
using dxfi::enginewalk::GetInt;
using nlohmann::json;
using TCounts = std::map<std::string, int>;

const std::string kSet = DXFI_REALWORLD_DIR;

// Drawings whose counts are not compared, with the reason.
const std::map<std::string, std::string>& CountExceptions() {
    static const std::map<std::string, std::string> exceptions = {};
    return exceptions;
}

json Counts() {
    std::ifstream in(DXFI_TEST_DATA_DIR "/realworld_counts.json");
    if (!in) return json::object();
    return json::parse(in, nullptr, false);
}

std::vector<std::string> Drawings() {
    std::vector<std::string> names;
    const json counts = Counts();
    if (!counts.is_object()) return names;
    for (const auto& [name, value] : counts.items())
        names.push_back(name);
    return names;
}

// The engine's code as the DXF kind name ezdxf reports; vertices, end markers, attributes and
// block starts belong to their polyline, insert or block and are not counted.
std::string KindName(uint16_t code, int16_t lwCode) {
    if (code == static_cast<uint16_t>(lwCode)) return "LWPOLYLINE";
    static const std::map<uint16_t, std::string> names = {
        {abi::kCodeLine, "LINE"},
        {abi::kCodePoint, "POINT"},
        {abi::kCodeCircle, "CIRCLE"},
        {abi::kCodeEllipse, "ELLIPSE"},
        {abi::kCodeSpline, "SPLINE"},
        {abi::kCodeText, "TEXT"},
        {abi::kCodeArc, "ARC"},
        {abi::kCodeTrace, "TRACE"},
        {abi::kCodeSolid, "SOLID"},
        {abi::kCodeInsert, "INSERT"},
        {abi::kCodePolyline, "POLYLINE"},
        {pad2::kCodeMeshPolyline, "POLYLINE"},
        {abi::kCodeDimension, "DIMENSION"},
        {abi::kCodeMText, "MTEXT"},
        {abi::kCodeMLine, "MLINE"},
        {pad2::kCode3DFace, "3DFACE"},
        {pad2::kCodeHatch, "HATCH"},
        {pad2::kCodeLeader, "LEADER"},
        {pad2::kCodeMLeader, "MULTILEADER"},
        {pad2::kCodeRegion, "REGION"},
        {pad2::kCode3DSolid, "3DSOLID"},
        {pad2::kCodeBody, "BODY"},
        {pad2::kCodeImage, "IMAGE"},
        {pad2::kCodeViewport, "VIEWPORT"},
        {pad2::kCodeXLine, "XLINE"},
        {pad2::kCodeRay, "RAY"},
        {pad2::kCodeTolerance, "TOLERANCE"},
        {pad2::kCodeWipeout, "WIPEOUT"},
        {pad2::kCodeAttDef, "ATTDEF"},
        {pad2::kCodeShape, "SHAPE"},
        {pad2::kCodeOle, "OLEFRAME"},
    };
    if (code == abi::kCodeVertex || code == abi::kCodeSeqEnd || code == abi::kCodeBlockStart ||
        code == pad2::kCodeAttrib)
        return "";
    const auto found = names.find(code);
    return found == names.end() ? "OTHER" : found->second;
}

// ezdxf's names folded the same way.
TCounts Expected(const json& counts) {
    static const std::vector<std::string> known = {
        "LINE",  "POINT",  "CIRCLE",      "ELLIPSE",   "SPLINE",  "TEXT",  "ARC",        "TRACE",
        "SOLID", "INSERT", "POLYLINE",    "DIMENSION", "MTEXT",   "MLINE", "LWPOLYLINE", "3DFACE",
        "HATCH", "LEADER", "MULTILEADER", "REGION",    "3DSOLID", "BODY",  "IMAGE",      "VIEWPORT",
        "XLINE", "RAY",    "TOLERANCE",   "WIPEOUT",   "ATTDEF",  "SHAPE", "OLEFRAME"};
    TCounts result;
    for (const auto& [kind, n] : counts.items()) {
        std::string name = kind == "MLEADER"     ? "MULTILEADER"
                           : kind == "OLE2FRAME" ? "OLEFRAME"
                                                 : kind;
        if (std::find(known.begin(), known.end(), name) == known.end()) name = "OTHER";
        result[name] += n.get<int>();
    }
    return result;
}

TCounts EngineCounts(abi::TDrawingHandle drawing, const char* space) {
    TCounts result;
    abi::TObjectHandle block = 0;
    if (edaFindBlockheaderByName(drawing, space, &block) == 0) return result;
    const abi::TEntityListHandle list = edaEntityList(drawing, block);
    if (list == 0) return result;
    const int16_t lwCode = edaLwplineEnttype(drawing);
    std::vector<uint8_t> header(abi::kEntityHeaderSize), data(abi::kEntityDataSize);
    edaStartEntityGet(list);
    while (edaGetEntity(list, header.data(), data.data()) == 1) {
        const std::string name =
            KindName(GetInt<uint16_t>(header.data(), abi::EntityHeader::TypeCode), lwCode);
        if (!name.empty()) ++result[name];
    }
    return result;
}

class TRealWorldEngine : public ::testing::TestWithParam<std::string> {};

TEST(RealWorldSetTest, TheSetAndItsIndependentCountsAreThere) {
    ASSERT_TRUE(fs::is_directory(kSet)) << "the real-world drawing set is missing: " << kSet;
    std::ifstream manifest(kSet + "/MANIFEST.json");
    ASSERT_TRUE(manifest) << "no MANIFEST.json in " << kSet;
    const json entries = json::parse(manifest, nullptr, false);
    ASSERT_TRUE(entries.is_array());
    const json counts = Counts();
    ASSERT_TRUE(counts.is_object()) << "tests/data/realworld_counts.json is missing or not JSON";
    EXPECT_EQ(entries.size(), counts.size());
    for (const json& entry : entries) {
        const std::string file = entry["file"].get<std::string>();
        ASSERT_TRUE(counts.contains(file)) << file << " has no counts: rerun realworld_counts.py";
        EXPECT_EQ(counts[file]["sha256"], entry["sha256"]) << file << " changed";
    }
}

TEST_P(TRealWorldEngine, DeliversEveryEntityEzdxfReads) {
    const std::string path = kSet + "/" + GetParam();
    ASSERT_TRUE(fs::exists(path)) << "missing drawing " << path;
    const json expected = Counts()[GetParam()];
    const abi::TDrawingHandle drawing = edaLoadFile(path.c_str(), 1, 0);
    ASSERT_NE(drawing, 0u) << path << ": " << edaErrorStr(edaError());
    const auto exception = CountExceptions().find(GetParam());
    if (expected.contains("unreadable")) {
        // ezdxf cannot read it at all; the engine loading it is what can be checked.
        EXPECT_FALSE(EngineCounts(drawing, "*MODEL_SPACE").empty());
    } else if (exception == CountExceptions().end()) {
        EXPECT_EQ(EngineCounts(drawing, "*MODEL_SPACE"), Expected(expected["model"]))
            << "model space of " << GetParam();
        EXPECT_EQ(EngineCounts(drawing, "*PAPER_SPACE"), Expected(expected["paper"]))
            << "paper space of " << GetParam();
    }
    edaCloseFile(drawing);
}

INSTANTIATE_TEST_SUITE_P(RealWorld, TRealWorldEngine, ::testing::ValuesIn(Drawings()),
                         testsupport::NameOfParam);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TRealWorldEngine);

} // namespace
