// SPDX-License-Identifier: MIT
// A drawing processor stand-in for the options dialog's tests: every value the dialog reads and
// writes, with extents that the test sets and a count of recomputations.
#pragma once

#include "options/SetupProcessor.h"

namespace dxfi::test {

// The processor as created: scale 10000, width 50000, model space, blocks exploded, and the
// insertion point a loaded drawing gets.
class TProcessorDouble : public TSetupProcessor {
public:
    TLayerMappings& Mappings() override { return Map; }
    double DrawingScale() const override { return Scale; }
    void SetDrawingScale(double scale) override { Scale = scale; }
    uint8_t SpacesToImport() const override { return Spaces; }
    void SetSpacesToImport(uint8_t spaces) override { Spaces = spaces; }
    void RecomputeExtents() override {
        ++Recomputed;
        Width = NextWidth;
        Height = NextHeight;
    }
    int32_t ExtentsWidth() const override { return Width; }
    int32_t ExtentsHeight() const override { return Height; }
    TBoardCoord DefaultLineWidth() const override { return LineWidth; }
    void SetDefaultLineWidth(TBoardCoord width) override { LineWidth = width; }
    TBoardCoord InsertionPointX() const override { return X; }
    TBoardCoord InsertionPointY() const override { return Y; }
    void SetInsertionPoint(TBoardCoord x, TBoardCoord y) override {
        X = x;
        Y = y;
    }
    bool ExplodeBlocks() const override { return Explode; }
    void SetExplodeBlocks(bool explode) override { Explode = explode; }
    bool ConvertSplines() const override { return Splines; }
    void SetConvertSplines(bool convert) override { Splines = convert; }
    void LoadSettings(const TSettingsStore& store) override {
        LineWidth = store.ReadInteger("Misc", "DefaultLineWidth", LineWidth);
    }
    void SaveSettings(TSettingsStore& store) const override {
        store.WriteInteger("Misc", "DefaultLineWidth", LineWidth);
    }

    TLayerMappings Map;
    double Scale = 10000.0;
    uint8_t Spaces = 0;
    int32_t Width = 0, Height = 0, NextWidth = 10000000, NextHeight = 5000000;
    int Recomputed = 0;
    TBoardCoord LineWidth = 50000;
    TBoardCoord X = 10000000, Y = 10000000;
    bool Explode = true;
    bool Splines = false;
};

} // namespace dxfi::test
