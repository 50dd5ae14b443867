// SPDX-License-Identifier: MIT
// The fields of board documents, shared by the writer and the reader: kind names, and one
// visitor per part of the model that names every field with its default and whether the
// writer always writes it. A visitor is called as v(name, field, default, always).
#pragma once

#include "host/korrin/BoardModel.h"

#include <cstdint>
#include <string_view>

namespace dxfi::korrin::boardfile {

inline constexpr const char* kFormatName = "korrin-board";
inline constexpr int kFormatVersion = 1;

// The document's name of an object kind; null for a kind that has none.
const char* KindName(uint8_t kind);
// The kind a name stands for; 0 for none.
uint8_t KindFromName(std::string_view name);

// A layer field: written as its display name (and its number when the name does not give it
// back), read from either.
struct TLayerField {
    uint32_t& Value;
};

template <class V> void VisitBase(V& v, TObject& o) {
    v("Layer", TLayerField{o.LayerValue}, 0u, true);
    v("X", o.X, 0, true);
    v("Y", o.Y, 0, true);
    v("Flags", o.Flags, uint16_t{0}, false);
    v("PrimWord", o.PrimWord, uint16_t{0}, false);
    v("PrimLongA", o.PrimLongA, 0, false);
    v("PrimByte", o.PrimByte, uint8_t{0}, false);
    v("PrimLongB", o.PrimLongB, 0, false);
    v("BitField2", o.BitField2, uint8_t{0}, false);
    v("BitField3", o.BitField3, uint16_t{0}, false);
}

template <class V> void VisitKind(V& v, TObject& o) {
    switch (o.Kind) {
    case abi::kKindTrack: {
        auto& d = *o.As<TTrackData>();
        static const TTrackData def;
        v("X2", d.X2, def.X2, true);
        v("Y2", d.Y2, def.Y2, true);
        v("Width", d.Width, def.Width, true);
        v("Value1", d.Value1, def.Value1, false);
        v("Value2", d.Value2, def.Value2, false);
        v("Value3", d.Value3, def.Value3, false);
        break;
    }
    case abi::kKindArc: {
        auto& d = *o.As<TArcData>();
        static const TArcData def;
        v("Radius", d.Radius, def.Radius, true);
        v("StartAngle", d.StartAngle, def.StartAngle, true);
        v("EndAngle", d.EndAngle, def.EndAngle, true);
        v("Width", d.Width, def.Width, true);
        v("Value1", d.Value1, def.Value1, false);
        break;
    }
    case abi::kKindText: {
        auto& d = *o.As<TTextData>();
        static const TTextData def;
        v("Text", d.Text, def.Text, true);
        v("Height", d.Height, def.Height, true);
        v("Rotation", d.Rotation, def.Rotation, true);
        v("Mirror", d.Mirror, def.Mirror, true);
        v("Width", d.Width, def.Width, true);
        v("Value1", d.Value1, def.Value1, false);
        v("Value2", d.Value2, def.Value2, false);
        v("Value3", d.Value3, def.Value3, false);
        v("UseTrueType", d.UseTrueType, def.UseTrueType, false);
        v("FontName", d.FontName, def.FontName, false);
        v("Bold", d.Bold, def.Bold, false);
        v("Italic", d.Italic, def.Italic, false);
        v("Inverted", d.Inverted, def.Inverted, false);
        v("InvertedBorder", d.InvertedBorder, def.InvertedBorder, false);
        v("BarCode", d.BarCode, def.BarCode, false);
        break;
    }
    case abi::kKindPad: {
        auto& d = *o.As<TPadData>();
        static const TPadData def;
        v("PadSizes", d.PadSizes, def.PadSizes, true);
        v("HoleSize", d.HoleSize, def.HoleSize, true);
        v("Rotation", d.Rotation, def.Rotation, true);
        v("Byte1", d.Byte1, def.Byte1, false);
        v("Byte2", d.Byte2, def.Byte2, false);
        v("Byte3", d.Byte3, def.Byte3, false);
        v("String1", d.String1, def.String1, false);
        v("Byte4", d.Byte4, def.Byte4, false);
        v("Byte5", d.Byte5, def.Byte5, false);
        v("String2", d.String2, def.String2, false);
        v("String3", d.String3, def.String3, false);
        v("Long1", d.Long1, def.Long1, false);
        v("String4", d.String4, def.String4, false);
        v("Byte6", d.Byte6, def.Byte6, false);
        v("Byte7", d.Byte7, def.Byte7, false);
        v("Longs", d.Longs, def.Longs, false);
        v("Byte8", d.Byte8, def.Byte8, false);
        v("Byte9", d.Byte9, def.Byte9, false);
        v("PadStackMode", d.PadStackMode, def.PadStackMode, false);
        break;
    }
    case abi::kKindVia: {
        auto& d = *o.As<TViaData>();
        static const TViaData def;
        v("Size", d.Size, def.Size, true);
        v("HoleSize", d.HoleSize, def.HoleSize, true);
        v("LowLayer", TLayerField{d.LowLayer}, def.LowLayer, true);
        v("HighLayer", TLayerField{d.HighLayer}, def.HighLayer, true);
        v("Value1", d.Value1, def.Value1, false);
        v("Value2", d.Value2, def.Value2, false);
        break;
    }
    case abi::kKindFill: {
        auto& d = *o.As<TFillData>();
        static const TFillData def;
        v("X2", d.X2, def.X2, true);
        v("Y2", d.Y2, def.Y2, true);
        v("Rotation", d.Rotation, def.Rotation, true);
        v("Value1", d.Value1, def.Value1, false);
        break;
    }
    case abi::kKindRegion: {
        auto& d = *o.As<TRegionData>();
        static const TRegionData def;
        v("RegionKind", d.RegionKind, def.RegionKind, false);
        v("Value1", d.Value1, def.Value1, false);
        break;
    }
    case abi::kKindComponentBody: {
        auto& d = *o.As<TComponentBodyData>();
        static const TComponentBodyData def;
        v("Height", d.Height, def.Height, true);
        v("Value1", d.Value1, def.Value1, false);
        break;
    }
    case abi::kKindEmbeddedBoard: {
        auto& d = *o.As<TEmbeddedBoardData>();
        static const TEmbeddedBoardData def;
        v("X2", d.X2, def.X2, true);
        v("Y2", d.Y2, def.Y2, true);
        v("Rotation", d.Rotation, def.Rotation, true);
        v("RowCount", d.RowCount, def.RowCount, false);
        v("ColumnCount", d.ColumnCount, def.ColumnCount, false);
        v("RowSpacing", d.RowSpacing, def.RowSpacing, false);
        v("ColumnSpacing", d.ColumnSpacing, def.ColumnSpacing, false);
        v("DocumentPath", d.DocumentPath, def.DocumentPath, false);
        break;
    }
    case abi::kKindNet: {
        auto& d = *o.As<TNetData>();
        static const std::string def;
        v("Name", d.Name, def, true);
        break;
    }
    case abi::kKindComponent: {
        auto& d = *o.As<TComponentData>();
        static const TComponentData def;
        v("Name", d.Name, def.Name, true);
        v("Rotation", d.Rotation, def.Rotation, true);
        v("ChannelOffset", d.ChannelOffset, def.ChannelOffset, false);
        v("ComponentKind", d.ComponentKind, def.ComponentKind, false);
        v("FlagA", d.FlagA, def.FlagA, false);
        v("FlagB", d.FlagB, def.FlagB, false);
        v("Value1", d.Value1, def.Value1, false);
        v("Byte1", d.Byte1, def.Byte1, false);
        v("ExValue1", d.ExValue1, def.ExValue1, false);
        v("ExByte1", d.ExByte1, def.ExByte1, false);
        v("ExByte2", d.ExByte2, def.ExByte2, false);
        v("ExValue2", d.ExValue2, def.ExValue2, false);
        v("SourceLinks", d.SourceLinks, def.SourceLinks, false);
        v("Model", d.Model, def.Model, false);
        break;
    }
    default:
        break;
    }
}

inline constexpr const char* kOptionNames[okOptionKindCount] = {
    "GridsEx",        "OutputOptions",         "GerberOptions",
    "PrinterOptions", "AdvancedPlacerOptions", "EngineeringChangeOrderOptions"};
inline constexpr const char* kIndexedOptionNames[ioCount] = {"PlotLayers", "FlipLayers",
                                                             "PlotterPen", "CompositeLayer"};

template <class V> void VisitDielectric(V& v, TDielectric& d) {
    const TDielectric def;
    v("Material", d.Material, def.Material, true);
    v("Kind", d.Kind, def.Kind, true);
    v("Constant", d.Constant, def.Constant, true);
    v("Height", d.Height, def.Height, true);
}

template <class V> void VisitBoard(V& v, TBoardData& d) {
    const TBoardData def;
    v("DisplayUnit", d.DisplayUnit, def.DisplayUnit, true);
    v("CurrentLayer", TLayerField{d.CurrentLayer}, def.CurrentLayer, true);
    v("Value0", d.Value0, def.Value0, false);
    v("Byte1", d.Byte1, def.Byte1, false);
    v("Value1", d.Value1, def.Value1, false);
    v("Value2", d.Value2, def.Value2, false);
    v("Value3", d.Value3, def.Value3, false);
    v("Value4", d.Value4, def.Value4, false);
    v("Value5", d.Value5, def.Value5, false);
    v("SplitPlaneMode", d.SplitPlaneMode, def.SplitPlaneMode, true);
}

template <class V> void VisitLayerRecord(V& v, TLayerRecord& r, const TLayerRecord& def) {
    v("Name", r.Name, def.Name, false);
    v("Shown", r.Shown, def.Shown, false);
    v("CopperThickness", r.CopperThickness, def.CopperThickness, false);
    v("Value1", r.Value1, def.Value1, false);
    v("NetName", r.NetName, def.NetName, false);
    v("PullBackDistance", r.PullBackDistance, def.PullBackDistance, false);
    v("Scratch1", r.Scratch1, def.Scratch1, false);
    v("Scratch2", r.Scratch2, def.Scratch2, false);
    v("Info", r.Info, def.Info, false);
    v("Material", r.Dielectric.Material, def.Dielectric.Material, false);
    v("DielectricKind", r.Dielectric.Kind, def.Dielectric.Kind, false);
    v("Constant", r.Dielectric.Constant, def.Dielectric.Constant, false);
    v("Height", r.Dielectric.Height, def.Dielectric.Height, false);
}

} // namespace dxfi::korrin::boardfile
