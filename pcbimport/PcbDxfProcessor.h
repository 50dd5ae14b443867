// SPDX-License-Identifier: MIT
// The drawing processor that turns a walked drawing into PCB primitives of the open board:
// tracks, arcs, pads from donuts, texts, regions, and components for block references, each on
// the PCB layer its drawing layer is mapped to. It keeps one template component per block and
// places copies of it. It also reads and writes its options and mappings from a settings store.
//
// Host calls that fail are ignored and the next entity is processed. A layer text in the
// settings naming a numbered layer out of range raises ELayerException; one naming a layer
// group ("All Layers") reads as not imported, so that UsedLayers only ever holds single layers.
#pragma once

#include "drawing/DXFProcessor.h"
#include "pcbclient/LayerSets.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbimport/LayerLookup.h"
#include "pcbimport/LayerMappings.h"
#include "pcbimport/SettingsStore.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dxfi {

class TPcbBoard;

class TPcbDxfProcessor : public TDXFProcessor {
public:
    // `board` is the current board of the import (not owned; must outlive the processor).
    TPcbDxfProcessor(std::string fileName, TPcbBoard& board);
    // Destroys every template component, then frees the tables.
    ~TPcbDxfProcessor() override;

    bool BeginImportReport() override;
    bool ProcessLayer(const TLayerRecord& layer) override; // the default mapping
    bool ProcessEntity(TEntityHeader& header, TEntityData& data) override;
    bool BeginBlock(const TBlockHeaderRecord& block) override;
    bool EndBlock(const TBlockHeaderRecord& block) override;

    // Mapped layer of a drawing layer (0 when unmapped); a mapped one joins UsedLayers. The
    // name LayerNameBuffer holds (as the Get operations hand it over) is found through the
    // layer's handle, any other by searching Mappings; the answer is the same.
    TV7_Layer LayerFor(std::string_view layerName);
    // The block's template component, or 0.
    abi::THandle TemplateFor(std::string_view blockName) const;

    // Options of the section "Misc", then the mappings of "Layer Mappings". Missing keys keep
    // the current values; layers that are not imported (hidden or frozen) stay so. A value
    // out of its range (a width or threshold outside 0 to 100 inch, an insertion point
    // farther than 100 inch from the origin, a space other than 0 or 1) gives the default
    // instead and a warning in SettingsWarnings, shown on the host's status line and written
    // to the report.
    void LoadSettings(const TSettingsStore& store);
    void SaveSettings(TSettingsStore& store) const;
    void ReadMappingSettings(const TSettingsStore& store);
    void WriteMappingSettings(TSettingsStore& store) const;

    // ---- Creation operations (each does nothing on layer 0) -------------------------------
    void AddTrack(abi::THandle container, TBoardCoord x1, TBoardCoord y1, TBoardCoord x2,
                  TBoardCoord y2, TBoardCoord width, TV7_Layer layer);
    void AddArc(abi::THandle container, TBoardCoord x, TBoardCoord y, TBoardCoord width,
                TBoardCoord radius, double startAngle, double endAngle, TV7_Layer layer);
    void AddPad(abi::THandle container, TBoardCoord x, TBoardCoord y, TBoardCoord width,
                TBoardCoord radius, TV7_Layer layer);
    void AddText(abi::THandle container, TBoardCoord x, TBoardCoord y, TBoardCoord height,
                 int32_t mirror, double rotation, std::string_view text, TV7_Layer layer);
    // Corners in outline order; through the host's PCB server (nothing without one).
    void AddRegion(abi::THandle container, TBoardCoord x1, TBoardCoord y1, TBoardCoord x2,
                   TBoardCoord y2, TBoardCoord x3, TBoardCoord y3, TBoardCoord x4, TBoardCoord y4,
                   TV7_Layer layer);

    // ---- Polylines, donuts, texts, blocks ---------------------------------------------------
    // The collected Points: one pad for a donut the layer's condition accepts, else a track
    // or arc per segment.
    void EmitPolyline();
    void EmitSegment(int a, int b);
    // Mean of the two vertex widths, ties to even; 0 gives the list's width.
    TBoardCoord SegmentWidth(int a, int b) const;
    bool DonutToPad(TBoardCoord radius, TBoardCoord width, std::string_view layerName) const;
    // Drops the drawing's control codes: every "%%" with the character after it, then the
    // first "\A1;", the first "\U+" and the first degree sign. Characters are UTF-8: a cut
    // never leaves part of one behind.
    static std::string CleanText(std::string_view text);
    abi::THandle CreateBlockTemplate(std::string_view blockName);
    void PlaceBlock(abi::THandle blockTemplate, TBoardCoord x, TBoardCoord y, double rotation,
                    bool explode);
    // Moves every child of the component, on any layer, onto the board.
    void ExplodeComponent(abi::THandle component);
    // The same for a copy of one of this processor's block templates, asking the host only
    // for the kinds and layers the template was given (the full search costs hundreds of
    // host iterators per block reference); a copy of anything else gets the full search.
    void ExplodeTemplateCopy(abi::THandle copy, abi::THandle blockTemplate);

    // SPLINEs become tracks and arcs ("Approximate") instead of being discarded with the
    // report line "because it is not supported" ("Discard", the default). Saved as
    // "Misc"/"ConvertSplines".
    bool ConvertSplines = false;

    TLayerMappings Mappings;
    std::vector<std::string> SettingsWarnings; // of the last LoadSettings
    TPolyPoints Points{64};
    abi::THandle Container = 0;
    TPCB_LayerSetBase UsedLayers;

protected:
    TPcbBoard& Board_;
    // Block name (compared without regard to ASCII case) -> template component.
    std::map<std::string, abi::THandle, TNoCaseLess> BlockTemplates_;

private:
    // Kind and layer of every primitive created in each block template, so that its copies
    // can be exploded by asking for those alone: sorted by kind, then layer, without repeats
    // (a template holds a few of them, and one is made for every insert walked).
    using TKindLayer = std::pair<uint8_t, TV7_Layer>;
    std::map<abi::THandle, std::vector<TKindLayer>> TemplateContent_;
    void NoteContent(abi::THandle container, uint8_t kind, TV7_Layer layer);
    // Creates a primitive at (x, y) less the offset on `layer` (none for NoLayer) and adds it
    // to `container`; `set` fills in the rest.
    template <typename TWrapper, typename TSet>
    void AddPlaced(abi::THandle container, uint8_t kind, TBoardCoord x, TBoardCoord y,
                   TV7_Layer layer, TSet&& set);
    // Index of the name in Mappings, or -1; `noted` (may stay null) is the lookup's flag that
    // the layer has joined UsedLayers, which only ever grows.
    int MappingIndex(std::string_view layerName, bool*& noted) const;
    void WarnSetting(const std::string& key, const std::string& value, const std::string& range,
                     const std::string& fallback);
    void TellSettingsWarnings();

    // Set while the vertices of a POLYLINE whose header was discarded arrive: they are
    // dropped with it instead of being drawn with another polyline's width and closed flag.
    bool SkipVertices_ = false;
    std::vector<TSplinePiece> SplinePieces_; // reused by every SPLINE
    mutable TLayerLookup LayerLookup_;       // kept answers of MappingIndex
};

} // namespace dxfi
