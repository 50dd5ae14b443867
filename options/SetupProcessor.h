// SPDX-License-Identifier: MIT
// What the options dialog reads and writes of the drawing processor, as an interface, so that
// the dialog's behaviour does not depend on a loaded drawing; TPcbSetupProcessor passes every
// call to a TPcbDxfProcessor.
#pragma once

#include "pcbclient/BoardUnits.h"
#include "pcbimport/LayerMappings.h"
#include "pcbimport/SettingsStore.h"

#include <cstdint>

namespace dxfi {

class TPcbDxfProcessor;

class TSetupProcessor {
public:
    virtual ~TSetupProcessor() = default;

    virtual TLayerMappings& Mappings() = 0;
    virtual double DrawingScale() const = 0; // drawing units per board unit
    virtual void SetDrawingScale(double scale) = 0;
    virtual uint8_t SpacesToImport() const = 0; // 0 model, 1 paper
    virtual void SetSpacesToImport(uint8_t spaces) = 0;
    // Recomputes ExtentsWidth and ExtentsHeight for the space at the current scale.
    virtual void RecomputeExtents() = 0;
    virtual int32_t ExtentsWidth() const = 0;
    virtual int32_t ExtentsHeight() const = 0;
    virtual TBoardCoord DefaultLineWidth() const = 0;
    virtual void SetDefaultLineWidth(TBoardCoord width) = 0;
    virtual TBoardCoord InsertionPointX() const = 0;
    virtual TBoardCoord InsertionPointY() const = 0;
    virtual void SetInsertionPoint(TBoardCoord x, TBoardCoord y) = 0;
    virtual bool ExplodeBlocks() const = 0;
    virtual void SetExplodeBlocks(bool explode) = 0;
    virtual bool ConvertSplines() const = 0;
    virtual void SetConvertSplines(bool convert) = 0;
    virtual void LoadSettings(const TSettingsStore& store) = 0;
    virtual void SaveSettings(TSettingsStore& store) const = 0;
    // The units the drawing declares ($INSUNITS code), 0 when none.
    virtual int16_t DrawingUnits() const { return 0; }
};

class TPcbSetupProcessor : public TSetupProcessor {
public:
    explicit TPcbSetupProcessor(TPcbDxfProcessor& processor) : Processor_(processor) {}

    TLayerMappings& Mappings() override;
    double DrawingScale() const override;
    void SetDrawingScale(double scale) override;
    uint8_t SpacesToImport() const override;
    void SetSpacesToImport(uint8_t spaces) override;
    void RecomputeExtents() override;
    int32_t ExtentsWidth() const override;
    int32_t ExtentsHeight() const override;
    TBoardCoord DefaultLineWidth() const override;
    void SetDefaultLineWidth(TBoardCoord width) override;
    TBoardCoord InsertionPointX() const override;
    TBoardCoord InsertionPointY() const override;
    void SetInsertionPoint(TBoardCoord x, TBoardCoord y) override;
    bool ExplodeBlocks() const override;
    void SetExplodeBlocks(bool explode) override;
    bool ConvertSplines() const override;
    void SetConvertSplines(bool convert) override;
    void LoadSettings(const TSettingsStore& store) override;
    void SaveSettings(TSettingsStore& store) const override;
    int16_t DrawingUnits() const override;

    TPcbDxfProcessor& Processor() const { return Processor_; }

private:
    TPcbDxfProcessor& Processor_;
};

} // namespace dxfi
