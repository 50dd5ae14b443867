// SPDX-License-Identifier: MIT
// The drawing processor's options and layer mappings read from and written to a settings store
// (the registry's saved settings or a user's INI file).
#include "pcbimport/PcbDxfProcessor.h"

#include "base/Rounding.h"
#include "base/ShortString.h"
#include "pcbclient/BoardUnits.h"

#include <string>

namespace dxfi {
namespace {

constexpr const char* kMiscSection = "Misc";
constexpr const char* kMappingSection = "Layer Mappings";
// Saved options are taken only within what an import can use: widths and thresholds from 0 to
// the board's 100 inch region, the insertion point within 100 inch of the board's origin
// either way, one of the two spaces.
constexpr TBoardCoord kBoardRegion = 1000000000;
constexpr TBoardCoord kDefaultLineWidth = 50000;
constexpr TBoardCoord kDefaultInsertionPoint = 10000000;

// A non-zero value whose layer number is 0 stands for a whole group of layers.
bool IsLayerGroup(TV7_Layer layer) {
    return layer != NoLayer && (layer & 0xFFFFu) == 0;
}

} // namespace

void TPcbDxfProcessor::LoadSettings(const TSettingsStore& store) {
    SettingsWarnings.clear();
    // A stored value out of its range gives the default and a warning; a missing key keeps
    // the current value.
    const auto checked = [&](const char* key, int32_t current, int32_t low, int32_t high,
                             int32_t fallback) {
        if (!store.ValueExists(kMiscSection, key)) return current;
        const int32_t value = store.ReadInteger(kMiscSection, key, current);
        if (value >= low && value <= high) return value;
        WarnSetting(std::string(kMiscSection) + "\\" + key, std::to_string(value),
                    std::to_string(low) + " to " + std::to_string(high), std::to_string(fallback));
        return fallback;
    };
    ExplodeBlocks = store.ReadBool(kMiscSection, "ExplodeBlocks", ExplodeBlocks);
    DefaultLineWidth =
        checked("DefaultLineWidth", DefaultLineWidth, 0, kBoardRegion, kDefaultLineWidth);
    InsertionPointX = checked("InsertionPointX", InsertionPointX, -kBoardRegion, kBoardRegion,
                              kDefaultInsertionPoint);
    InsertionPointY = checked("InsertionPointY", InsertionPointY, -kBoardRegion, kBoardRegion,
                              kDefaultInsertionPoint);
    SpacesToImport = static_cast<uint8_t>(checked("SpacesToImport", SpacesToImport, 0, 1, 0));
    ConvertSplines = store.ReadBool(kMiscSection, "ConvertSplines", ConvertSplines);
    ReadMappingSettings(store);
    TellSettingsWarnings();
}

void TPcbDxfProcessor::WarnSetting(const std::string& key, const std::string& value,
                                   const std::string& range, const std::string& fallback) {
    SettingsWarnings.push_back("The saved import option " + key + "=" + value +
                               " is out of its range (" + range + "); the default " + fallback +
                               " is used instead.");
}

void TPcbDxfProcessor::TellSettingsWarnings() {
    for (const std::string& warning : SettingsWarnings) {
        if (ReportErrors) GetReport().WriteLine(warning);
        if (abi::IClient* client = HostClient())
            client->SetStatusBarText(2, Utf8ToUtf16(warning).c_str());
    }
}

void TPcbDxfProcessor::SaveSettings(TSettingsStore& store) const {
    store.WriteBool(kMiscSection, "ExplodeBlocks", ExplodeBlocks);
    store.WriteInteger(kMiscSection, "DefaultLineWidth", DefaultLineWidth);
    store.WriteInteger(kMiscSection, "InsertionPointX", InsertionPointX);
    store.WriteInteger(kMiscSection, "InsertionPointY", InsertionPointY);
    store.WriteInteger(kMiscSection, "SpacesToImport", SpacesToImport);
    store.WriteBool(kMiscSection, "ConvertSplines", ConvertSplines);
    WriteMappingSettings(store);
}

void TPcbDxfProcessor::ReadMappingSettings(const TSettingsStore& store) {
    // A threshold without a unit is read in the unit SaveSettings writes under this scale.
    const bool savedInMils = DrawingScale() == 1.0;
    for (int i = 0; i < Mappings.Count(); ++i) {
        if (Mappings.Layer(i) == NoLayer) continue; // hidden or frozen in the drawing
        const std::string name = Mappings.Name(i);
        TV7_Layer layer = Mappings.Layer(i);
        TConversionCondition condition = Mappings.Condition(i);
        double threshold = Mappings.Threshold(i);
        const std::string layerKey = name + "_PCBLayer";
        const std::string conditionKey = name + "_Condition";
        const std::string thresholdKey = name + "_ConditionThreshold";
        if (store.ValueExists(kMappingSection, layerKey)) {
            layer = SettingTextToLayer(store.ReadString(kMappingSection, layerKey, ""));
            // Mappings hold single layers: a group would make UsedLayers impossible to walk.
            if (IsLayerGroup(layer)) layer = NoLayer;
        }
        if (store.ValueExists(kMappingSection, conditionKey))
            condition =
                ConversionConditionFromName(store.ReadString(kMappingSection, conditionKey, ""));
        if (store.ValueExists(kMappingSection, thresholdKey)) {
            bool inMils = savedInMils;
            const std::string text = store.ReadString(kMappingSection, thresholdKey, "");
            threshold = UnitTextToRealCoord(text, inMils);
            if (!(threshold >= 0.0 && threshold <= kBoardRegion)) {
                WarnSetting(std::string(kMappingSection) + "\\" + thresholdKey,
                            std::string(CutUtf8(text, 40)), "0 to 100 inch", "0.762mm");
                threshold = kDefaultConditionThreshold;
            }
        }
        Mappings.SetMapping(name, layer, condition, threshold);
    }
}

void TPcbDxfProcessor::WriteMappingSettings(TSettingsStore& store) const {
    const bool inMils = DrawingScale() == 1.0;
    for (int i = 0; i < Mappings.Count(); ++i) {
        const std::string& name = Mappings.Name(i);
        store.WriteString(kMappingSection, name + "_PCBLayer",
                          LayerToSettingText(Mappings.Layer(i)));
        store.WriteString(kMappingSection, name + "_Condition",
                          ConversionConditionName(Mappings.Condition(i)));
        const auto threshold = static_cast<double>(RoundToInt64(Mappings.Threshold(i)));
        store.WriteString(kMappingSection, name + "_ConditionThreshold",
                          RealCoordToUnitText(inMils, threshold));
    }
}

} // namespace dxfi
