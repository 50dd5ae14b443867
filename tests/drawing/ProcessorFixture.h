// SPDX-License-Identifier: MIT
// Drawing processor tests run against the real drawing engine: small DXF texts written to
// temporary files, loaded by a processor that records every call of the walk.
#pragma once

#include "support/DxfText.h"
#include "support/TempFile.h"

#include "drawing/DXFProcessor.h"
#include "engine/Pad2.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace drawingtest {

// "code\nvalue\n" for each pair.
inline std::string G(std::initializer_list<std::pair<int, std::string>> groups) {
    return testsupport::Groups(groups);
}

// An R12-style drawing. `extents` empty states none (the engine then measures or, for an empty
// drawing, gives the inverted 1e20 extents); otherwise "minX minY maxX maxY".
struct TDxf {
    std::vector<double> Extents = {-100, -100, 100, 100};
    std::vector<double> PaperExtents;
    std::string Tables;
    std::string Blocks;
    std::string Entities;

    static std::string Num(double v) {
        std::ostringstream s;
        s.precision(17);
        s << v;
        return s.str();
    }
    static std::string Point(const char* name, double x, double y) {
        return G({{9, name}, {10, Num(x)}, {20, Num(y)}, {30, "0"}});
    }
    std::string Text() const {
        std::string header;
        if (Extents.size() == 4)
            header +=
                Point("$EXTMIN", Extents[0], Extents[1]) + Point("$EXTMAX", Extents[2], Extents[3]);
        if (PaperExtents.size() == 4)
            header += Point("$PEXTMIN", PaperExtents[0], PaperExtents[1]) +
                      Point("$PEXTMAX", PaperExtents[2], PaperExtents[3]);
        std::string s = testsupport::Section("HEADER", header);
        if (!Tables.empty()) s += testsupport::Section("TABLES", Tables);
        s += testsupport::Section("BLOCKS", Blocks);
        return testsupport::DxfFile(s + testsupport::Section("ENTITIES", Entities));
    }
};

inline std::string Block(const std::string& name, double baseX, double baseY,
                         const std::string& entities) {
    return G({{0, "BLOCK"},
              {8, "0"},
              {2, name},
              {70, "0"},
              {10, TDxf::Num(baseX)},
              {20, TDxf::Num(baseY)},
              {30, "0"}}) +
           entities + G({{0, "ENDBLK"}, {8, "0"}});
}

inline std::string Insert(const std::string& name, double x, double y, double sx = 1, double sy = 1,
                          double rotation = 0) {
    return G({{0, "INSERT"},
              {8, "0"},
              {2, name},
              {10, TDxf::Num(x)},
              {20, TDxf::Num(y)},
              {30, "0"},
              {41, TDxf::Num(sx)},
              {42, TDxf::Num(sy)},
              {50, TDxf::Num(rotation)}});
}

inline std::string Line(double x1, double y1, double x2, double y2,
                        const std::string& layer = "0") {
    return G({{0, "LINE"},
              {8, layer},
              {10, TDxf::Num(x1)},
              {20, TDxf::Num(y1)},
              {30, "0"},
              {11, TDxf::Num(x2)},
              {21, TDxf::Num(y2)},
              {31, "0"}});
}

using testsupport::TTempFile;

// One call of the walk as the processor saw it.
struct TCall {
    std::string What; // "begin NAME", "end NAME", or the entity's kind name ("" for none)
    uint16_t Code = 0;
    double ScaleX = 0;
    double ScaleY = 0;
    dxfi::TBoardCoord OffsetX = 0;
    dxfi::TBoardCoord OffsetY = 0;
    bool InBlock = false;
};

class TRecordingProcessor : public dxfi::TDXFProcessor {
public:
    using TDXFProcessor::ScaleStack_;
    using TDXFProcessor::TDXFProcessor;

    bool ProcessLayer(const dxfi::TLayerRecord& layer) override {
        Layers.push_back(LayerName(layer));
        return true;
    }
    bool ProcessEntity(dxfi::TEntityHeader& header, dxfi::TEntityData& data) override {
        Calls.push_back(TCall{std::string(EntityName(header)), header.TypeCode(), ScaleX(),
                              ScaleY(), OffsetX, OffsetY, InBlock});
        if (OnEntity) OnEntity(header, data);
        return true;
    }
    bool BeginBlock(const dxfi::TBlockHeaderRecord& block) override {
        TDXFProcessor::BeginBlock(block);
        Calls.push_back(TCall{"begin " + std::string(BlockName(block)), 0, ScaleX(), ScaleY(),
                              OffsetX, OffsetY, InBlock});
        return true;
    }
    bool EndBlock(const dxfi::TBlockHeaderRecord& block) override {
        Calls.push_back(TCall{"end " + std::string(BlockName(block)), 0, ScaleX(), ScaleY(),
                              OffsetX, OffsetY, InBlock});
        return TDXFProcessor::EndBlock(block);
    }

    // The walk's calls as texts, for comparing sequences.
    std::vector<std::string> Whats() const {
        std::vector<std::string> out;
        for (const TCall& c : Calls)
            out.push_back(c.What);
        return out;
    }
    // The report lines (text elements) written so far.
    std::string ReportXml() { return GetReport().ToXmlString(); }

    std::vector<std::string> Layers;
    std::vector<TCall> Calls;
    std::function<void(dxfi::TEntityHeader&, dxfi::TEntityData&)> OnEntity;
};

// Loads the real engine once for the test program.
class TEngineEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        dxfi::LoadEngineLibrary(DXFI_BIN_DIR "/libpad2.so");
        ASSERT_TRUE(dxfi::EngineLibraryLoaded());
        ASSERT_TRUE(dxfi::InitEngine(DXFI_BIN_DIR "/PADINIT.DAT"));
    }
    void TearDown() override { dxfi::CloseEngine(); }
};

// A processor for `dxf`, loaded with the report on; the file is gone again afterwards, as the
// engine keeps the drawing in memory.
struct TLoaded {
    explicit TLoaded(const std::string& dxf, double drawingScale = 1.0)
        : File(dxf), P(File.Path()) {
        P.SetDrawingScale(drawingScale);
        P.ReportErrors = true;
        P.BeginImportReport();
        Loaded = P.LoadFile();
    }
    // The drawing's stated extents become the processor's own, as they are given, whatever the
    // engine made of them: the point test is exercised against exactly these.
    explicit TLoaded(const TDxf& dxf, double drawingScale = 1.0)
        : TLoaded(dxf.Text(), drawingScale) {
        if (dxf.Extents.size() == 4)
            P.ModelExtents = {dxf.Extents[0], dxf.Extents[1], dxf.Extents[2], dxf.Extents[3]};
        if (dxf.PaperExtents.size() == 4)
            P.PaperExtents = {dxf.PaperExtents[0], dxf.PaperExtents[1], dxf.PaperExtents[2],
                              dxf.PaperExtents[3]};
    }
    ~TLoaded() {
        if (P.FileHandle != 0) P.CloseFile();
    }
    TTempFile File;
    TRecordingProcessor P;
    bool Loaded = false;
};

// The text elements of a report, in order.
std::vector<std::string> ReportLines(const std::string& xml);

// The processor's report holds exactly `lines` and its EntitiesDiscarded is `discarded`.
inline ::testing::AssertionResult Reported(TRecordingProcessor& processor,
                                           const std::vector<std::string>& lines, bool discarded) {
    const std::vector<std::string> reported = ReportLines(processor.ReportXml());
    if (reported == lines && processor.EntitiesDiscarded == discarded)
        return ::testing::AssertionSuccess();
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "the report's lines:";
    for (const std::string& line : reported)
        failure << "\n  " << line;
    return failure << "\nEntitiesDiscarded: " << processor.EntitiesDiscarded << ", expected "
                   << discarded;
}

} // namespace drawingtest
