// SPDX-License-Identifier: MIT
#include "options/SetupProcessor.h"

#include "options/SetupDialogModel.h"
#include "pcbimport/PcbDxfProcessor.h"

namespace dxfi {

TLayerMappings& TPcbSetupProcessor::Mappings() {
    return Processor_.Mappings;
}
double TPcbSetupProcessor::DrawingScale() const {
    return Processor_.DrawingScale();
}
void TPcbSetupProcessor::SetDrawingScale(double scale) {
    Processor_.SetDrawingScale(scale);
}
int16_t TPcbSetupProcessor::DrawingUnits() const {
    return Processor_.DrawingUnits;
}
uint8_t TPcbSetupProcessor::SpacesToImport() const {
    return Processor_.SpacesToImport;
}
void TPcbSetupProcessor::SetSpacesToImport(uint8_t spaces) {
    Processor_.SpacesToImport = spaces;
}
void TPcbSetupProcessor::RecomputeExtents() {
    Processor_.RecomputeExtents(0);
}
int32_t TPcbSetupProcessor::ExtentsWidth() const {
    return Processor_.ExtentsWidth;
}
int32_t TPcbSetupProcessor::ExtentsHeight() const {
    return Processor_.ExtentsHeight;
}
TBoardCoord TPcbSetupProcessor::DefaultLineWidth() const {
    return Processor_.DefaultLineWidth;
}
void TPcbSetupProcessor::SetDefaultLineWidth(TBoardCoord width) {
    Processor_.DefaultLineWidth = width;
}
TBoardCoord TPcbSetupProcessor::InsertionPointX() const {
    return Processor_.InsertionPointX;
}
TBoardCoord TPcbSetupProcessor::InsertionPointY() const {
    return Processor_.InsertionPointY;
}
void TPcbSetupProcessor::SetInsertionPoint(TBoardCoord x, TBoardCoord y) {
    Processor_.InsertionPointX = x;
    Processor_.InsertionPointY = y;
}
bool TPcbSetupProcessor::ExplodeBlocks() const {
    return Processor_.ExplodeBlocks;
}
void TPcbSetupProcessor::SetExplodeBlocks(bool explode) {
    Processor_.ExplodeBlocks = explode;
}
bool TPcbSetupProcessor::ConvertSplines() const {
    return Processor_.ConvertSplines;
}
void TPcbSetupProcessor::SetConvertSplines(bool convert) {
    Processor_.ConvertSplines = convert;
}
void TPcbSetupProcessor::LoadSettings(const TSettingsStore& store) {
    Processor_.LoadSettings(store);
}
void TPcbSetupProcessor::SaveSettings(TSettingsStore& store) const {
    Processor_.SaveSettings(store);
}

// The dialog's entries for the real processor live here, beside the adapter, so that the
// dialog's behaviour builds and links without the processor.
void TSetupDialog::LoadFromProcessor(TPcbDxfProcessor& processor) {
    auto* current = dynamic_cast<TPcbSetupProcessor*>(Adapter_.get());
    if (!current || &current->Processor() != &processor)
        Adapter_ = std::make_unique<TPcbSetupProcessor>(processor);
    LoadFromProcessor(*Adapter_);
}

void TSetupDialog::SaveToProcessor(TPcbDxfProcessor& processor) {
    auto* current = dynamic_cast<TPcbSetupProcessor*>(Adapter_.get());
    if (!current || &current->Processor() != &processor)
        Adapter_ = std::make_unique<TPcbSetupProcessor>(processor);
    SaveToProcessor(*Adapter_);
}

} // namespace dxfi
