// SPDX-License-Identifier: MIT
// The real host module and drawing engine for the processor tests: the host module is loaded
// as the host application loads it, a board is opened for each test, the PCB server is reached
// through a small host client, and the board's objects are read back through the server's
// board iterator and the object wrappers.
#pragma once

#include "abi/ClientApi.h"
#include "abi/PcbServer.h"
#include "engine/EngineRecords.h"
#include "pcbclient/PcbBoard.h"
#include "pcbclient/PcbObject.h"
#include "pcbclient/PcbPrimitives.h"
#include "pcbimport/PcbDxfProcessor.h"
#include "support/ComStubs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dxfi::test {

// The host client of the tests: its only server module is the host module's "PCB".
class TTestClient : public testsupport::TStubClient {
protected:
    abi::IInterface* PcbModule() override;
};

// One board object as the server's board iterator sees it.
struct TBoardObject {
    uint32_t Handle = 0;
    uint8_t Kind = 0;
    uint32_t Layer = 0;
    bool InComponent = false;
};

// Loads the host module and the drawing engine once, opens a new board per test and makes the
// test client the plug-in's host client. A module that cannot be loaded fails the test with
// the loader's reason.
class THostFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Objects of the kinds in `kindMask` (bit n for kind n), children of components included,
    // in the host's order.
    std::vector<TBoardObject> Objects(uint32_t kindMask) const;
    // Only those not inside a component.
    std::vector<TBoardObject> LooseObjects(uint8_t kind) const;
    // Direct children of a container of one kind on one layer (the flat iterator).
    static std::vector<uint32_t> Children(uint32_t container, uint8_t kind, uint32_t layer);

    uint32_t Board = 0;
    std::unique_ptr<TPcbBoard> BoardWrapper;
    TTestClient Client;
};

// A drawing of the test data imported onto the test board by a processor of its own, with its
// error report.
class TDrawingImportFixture : public THostFixture {
protected:
    // Loads `file`, sets the drawing scale, lets `adjust` change the options as the dialog
    // would, walks model space and closes the drawing.
    TPcbDxfProcessor& ImportTestDrawing(const std::string& file, double scale,
                                        const std::function<void(TPcbDxfProcessor&)>& adjust);

    // The objects of one kind outside components, read through their wrapper.
    template <typename TWrapper> std::vector<TWrapper> Loose(uint8_t kind) const {
        std::vector<TWrapper> objects;
        for (const TBoardObject& object : LooseObjects(kind)) {
            objects.emplace_back(object.Handle);
            objects.back().TransferProperties(ptRead);
        }
        return objects;
    }

    void TearDown() override;

    std::unique_ptr<TPcbDxfProcessor> Processor;
};

TLayerRecord MakeLayerRecord(std::string_view name, int16_t colour = 7, bool frozen = false);
TBlockHeaderRecord MakeBlockHeader(std::string_view name);

// The track runs from (x, y) to (x2, y2).
inline void ExpectEnds(const TPcbTrack& track, TBoardCoord x, TBoardCoord y, TBoardCoord x2,
                       TBoardCoord y2) {
    EXPECT_EQ(track.X, x);
    EXPECT_EQ(track.Y, y);
    EXPECT_EQ(track.X2, x2);
    EXPECT_EQ(track.Y2, y2);
}

// The arc is centred on (x, y) with radius r and width w.
inline void ExpectCircle(const TPcbArc& arc, int32_t x, int32_t y, int32_t r, int32_t w) {
    EXPECT_EQ(arc.X, x);
    EXPECT_EQ(arc.Y, y);
    EXPECT_EQ(arc.Radius, r);
    EXPECT_EQ(arc.Width, w);
}

} // namespace dxfi::test
