// SPDX-License-Identifier: MIT
#include "pcbimport/PcbDxfProcessor.h"

#include "base/Rounding.h"
#include "base/ShortString.h"
#include "pcbclient/ObjectWrapping.h"
#include "pcbclient/PcbBoard.h"
#include "pcbclient/PcbComponent.h"
#include "pcbclient/PcbPad.h"
#include "pcbclient/PcbPrimitives.h"
#include "pcbclient/PcbText.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace dxfi {
namespace {

constexpr TBoardCoord kParkedTemplateXY = 500000000;
constexpr std::size_t kTextMax = 254;
// Mechanical layers the default mapping uses beyond the classic numbering (17..32).
constexpr int kFirstUnnumberedMechanical = 17;
constexpr int kLastDefaultMechanical = 32;
constexpr TLayerPartition kMechanicalPartition = 5;

TBoardCoord SaturateToCoord(int64_t value) {
    return static_cast<TBoardCoord>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                        std::numeric_limits<int32_t>::max()));
}

std::string_view NameOf(const char* name) {
    return name ? std::string_view(name) : std::string_view();
}

void EraseFirst(std::string& text, std::string_view what) {
    const std::size_t at = text.find(what);
    if (at != std::string::npos) text.erase(at, what.size());
}

// The first degree sign: the character U+00B0, or a lone byte 0xB0 of a text that is not UTF-8.
// A 0xB0 inside another character (Cyrillic "а" is D0 B0) is not one.
void EraseFirstDegreeSign(std::string& text) {
    if (text.find('\xB0') == std::string::npos) return; // either form has this byte
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8CharLength(text, i);
        const auto first = static_cast<unsigned char>(text[i]);
        const bool degree =
            (length == 1 && first == 0xB0) ||
            (length == 2 && first == 0xC2 && static_cast<unsigned char>(text[i + 1]) == 0xB0);
        if (degree) {
            text.erase(i, length);
            return;
        }
        i += length;
    }
}

// The creation sequence of a primitive: create, wrap, read, set, write, add, free the wrapper.
template <typename TWrapper, typename TSet>
void CreatePrimitive(THandle container, uint8_t kind, TSet&& set) {
    const THandle handle = host::PcbApi_CreateObject(kind);
    if (handle == 0) return;
    {
        TWrapper wrapper(handle);
        wrapper.TransferProperties(ptRead);
        set(wrapper);
        wrapper.TransferProperties(ptWrite);
    }
    host::PcbApi_AddObjectToContainer(container, handle);
}

} // namespace

TPcbDxfProcessor::TPcbDxfProcessor(std::string fileName, TPcbBoard& board)
    : TDXFProcessor(std::move(fileName)), Container(board.Handle),
      UsedLayers(TLayerSetUtils::Instance().NewLayerSet()), Board_(board) {
    ExplodeBlocks = true;
}

TPcbDxfProcessor::~TPcbDxfProcessor() {
    for (const auto& [name, handle] : BlockTemplates_)
        host::PcbApi_DestroyObject(handle);
}

// ---- Virtual operations ---------------------------------------------------------------------

bool TPcbDxfProcessor::BeginImportReport() {
    TDXFProcessor::BeginImportReport();
    if (ReportErrors) {
        TGeneralReport& report = GetReport();
        report.BeginFrontMatter("PCB Filename");
        report.WriteFile(Board_.FileName, Board_.FileName);
        report.EndFrontMatter();
        report.BeginFrontMatter("DXF Filename");
        report.WriteFile(FileName, FileName);
        report.EndFrontMatter();
    }
    return true;
}

bool TPcbDxfProcessor::ProcessLayer(const TLayerRecord& layer) {
    TV7_Layer target = NoLayer;
    if (LayerVisible(layer))
        target = MechanicalLayer(Mappings.Count() % PartitionLayerCount(kMechanicalPartition) + 1);
    Mappings.SetMapping(LayerName(layer), target, ccAll, kDefaultConditionThreshold);
    return true;
}

bool TPcbDxfProcessor::ProcessEntity(TEntityHeader& header, TEntityData& data) {
    const TBoardCoord dlw = DefaultLineWidth;
    const char* layer = nullptr;
    TBoardCoord x1 = 0, y1 = 0, x2 = 0, y2 = 0, x3 = 0, y3 = 0, x4 = 0, y4 = 0;
    TBoardCoord width = 0, radius = 0, height = 0;
    double startAngle = 0.0, endAngle = 0.0, rotation = 0.0, bulge = 0.0;
    int32_t mirror = 0;
    bool closed = false;
    std::string_view text;
    char blockName[256] = {};

    switch (EntityKind(&header)) {
    case ekLine:
        if (GetLine(header, data, x1, y1, x2, y2, layer))
            AddTrack(Container, x1, y1, x2, y2, dlw, LayerFor(NameOf(layer)));
        break;
    case ekPolyline:
        Points.Clear();
        SkipVertices_ = !GetPolylineHeader(header, data, width, closed, layer);
        if (!SkipVertices_) {
            Points.LayerName = layer;
            Points.Closed = closed;
            Points.Width = width;
        }
        break;
    case ekVertex:
        if (GetVertex(header, data, x1, y1, width, bulge, layer) && !SkipVertices_) {
            Points.Add(x1, y1, width, bulge);
            Points.LayerName = layer;
        }
        break;
    case ekSeqEnd:
        if (!SkipVertices_) EmitPolyline();
        Points.Clear();
        SkipVertices_ = false;
        break;
    case ekLwPolyline:
        if (GetLwPolyline(header, data, &Points)) EmitPolyline();
        Points.Clear();
        break;
    case ekMLine:
        if (GetMLine(header, data, &Points)) {
            if (Points.Width == 0) Points.Width = dlw;
            EmitPolyline();
        }
        Points.Clear();
        break;
    case ekEllipse:
        if (GetEllipse(header, data, &Points)) {
            Points.Width = dlw;
            EmitPolyline();
        }
        Points.Clear();
        break;
    case ekCircle:
        if (GetCircle(header, data, x1, y1, radius, layer))
            AddArc(Container, x1, y1, dlw, radius, 0.0, 360.0, LayerFor(NameOf(layer)));
        break;
    case ekArc:
        if (GetArc(header, data, x1, y1, radius, startAngle, endAngle, layer))
            AddArc(Container, x1, y1, dlw, radius, startAngle, endAngle, LayerFor(NameOf(layer)));
        break;
    case ekPoint:
        // A filled dot of diameter DLW.
        if (GetPoint(header, data, x1, y1, layer))
            AddArc(Container, x1, y1, dlw / 2, dlw / 4, 0.0, 360.0, LayerFor(NameOf(layer)));
        break;
    case ekText:
        if (GetText(header, data, x1, y1, height, mirror, rotation, text, layer))
            AddText(Container, x1, y1, height, mirror, rotation, text, LayerFor(NameOf(layer)));
        break;
    case ekMText:
        if (GetMText(header, data, x1, y1, height, mirror, rotation, text, layer))
            AddText(Container, x1, y1, height, mirror, rotation, text, LayerFor(NameOf(layer)));
        break;
    case ekTrace:
        if (GetTrace(header, data, x1, y1, x2, y2, x3, y3, x4, y4, layer)) {
            const TV7_Layer target = LayerFor(NameOf(layer));
            AddTrack(Container, x1, y1, x2, y2, dlw, target);
            AddTrack(Container, x1, y1, x4, y4, dlw, target);
            AddTrack(Container, x2, y2, x3, y3, dlw, target);
            AddTrack(Container, x3, y3, x4, y4, dlw, target);
        }
        break;
    case ekSolid:
        if (GetSolid(header, data, x1, y1, x2, y2, x3, y3, x4, y4, layer))
            AddRegion(Container, x1, y1, x2, y2, x3, y3, x4, y4, LayerFor(NameOf(layer)));
        break;
    case ekInsert:
        if (GetInsert(header, data, x1, y1, rotation, blockName) && !InBlock && !ExpansionRefused())
            PlaceBlock(TemplateFor(FromBuffer(blockName, sizeof blockName)), x1, y1, rotation,
                       ExplodeBlocks);
        break;
    case ekDimension:
        if (GetDimension(header, data, x1, y1, startAngle, blockName) && !ExpansionRefused())
            PlaceBlock(TemplateFor(FromBuffer(blockName, sizeof blockName)), x1, y1, 0.0, true);
        break;
    case ekSpline:
        if (!ConvertSplines) {
            EntitiesDiscarded = true;
            DiscardEntity(header, "because it is not supported");
        } else if (GetSpline(header, data, SplinePieces_, layer)) {
            const TV7_Layer target = LayerFor(NameOf(layer));
            for (const TSplinePiece& piece : SplinePieces_) {
                if (piece.Arc)
                    AddArc(Container, piece.CX, piece.CY, dlw, piece.Radius, piece.StartAngle,
                           piece.EndAngle, target);
                else
                    AddTrack(Container, piece.X1, piece.Y1, piece.X2, piece.Y2, dlw, target);
            }
        }
        break;
    case ekNone:
        DiscardUnconverted(header, data);
        break;
    default:
        break;
    }
    return true;
}

bool TPcbDxfProcessor::BeginBlock(const TBlockHeaderRecord& block) {
    TDXFProcessor::BeginBlock(block);
    const std::string name(BlockName(block));
    const THandle blockTemplate = CreateBlockTemplate(name);
    if (blockTemplate == 0) {
        Container = Board_.Handle;
        return true;
    }
    Container = blockTemplate;
    TemplateContent_[blockTemplate];
    auto [entry, added] = BlockTemplates_.try_emplace(name, blockTemplate);
    if (!added) {
        TemplateContent_.erase(entry->second);
        host::PcbApi_DestroyObject(entry->second);
        entry->second = blockTemplate;
    }
    return true;
}

bool TPcbDxfProcessor::EndBlock(const TBlockHeaderRecord& block) {
    if (Container != Board_.Handle &&
        host::PcbApi_GetObjectIdFromObjectHandle(Container) == abi::kKindComponent) {
        // Parked far away; the copies are moved to their inserts from here.
        TPcbComponent blockTemplate(Container);
        blockTemplate.TransferProperties(ptRead);
        blockTemplate.X = kParkedTemplateXY;
        blockTemplate.Y = kParkedTemplateXY;
        blockTemplate.TransferProperties(ptUpdate);
    }
    Container = Board_.Handle;
    TDXFProcessor::EndBlock(block);
    return false;
}

// ---- Layers and templates -------------------------------------------------------------------

TV7_Layer TPcbDxfProcessor::LayerFor(std::string_view layerName) {
    bool* noted = nullptr;
    const int index = MappingIndex(layerName, noted);
    const TV7_Layer layer = index < 0 ? NoLayer : Mappings.Layer(index);
    if (layer != NoLayer && !(noted && *noted)) {
        UsedLayers.Include(layer);
        if (noted) *noted = true;
    }
    return layer;
}

int TPcbDxfProcessor::MappingIndex(std::string_view layerName, bool*& noted) const {
    abi::TObjectHandle handle = 0;
    if (layerName.data() == LayerNameBuffer && LayerNameHandle(handle)) {
        const TLayerLookup::TAnswer answer =
            LayerLookup_.Find(Mappings, FileHandle, handle, layerName);
        noted = answer.Noted;
        return answer.Index;
    }
    return Mappings.IndexOf(layerName);
}

THandle TPcbDxfProcessor::TemplateFor(std::string_view blockName) const {
    const auto found = BlockTemplates_.find(blockName);
    return found == BlockTemplates_.end() ? 0 : found->second;
}

// ---- Creation operations --------------------------------------------------------------------

template <typename TWrapper, typename TSet>
void TPcbDxfProcessor::AddPlaced(THandle container, uint8_t kind, TBoardCoord x, TBoardCoord y,
                                 TV7_Layer layer, TSet&& set) {
    if (layer == NoLayer) return;
    NoteContent(container, kind, layer);
    CreatePrimitive<TWrapper>(container, kind, [&](TWrapper& object) {
        object.X = SaturatingSub(x, OffsetX);
        object.Y = SaturatingSub(y, OffsetY);
        object.Layer = layer;
        set(object);
    });
}

void TPcbDxfProcessor::AddTrack(THandle container, TBoardCoord x1, TBoardCoord y1, TBoardCoord x2,
                                TBoardCoord y2, TBoardCoord width, TV7_Layer layer) {
    AddPlaced<TPcbTrack>(container, abi::kKindTrack, x1, y1, layer, [&](TPcbTrack& track) {
        track.X2 = SaturatingSub(x2, OffsetX);
        track.Y2 = SaturatingSub(y2, OffsetY);
        track.Width = width == 0 ? DefaultLineWidth : width;
    });
}

void TPcbDxfProcessor::AddArc(THandle container, TBoardCoord x, TBoardCoord y, TBoardCoord width,
                              TBoardCoord radius, double startAngle, double endAngle,
                              TV7_Layer layer) {
    AddPlaced<TPcbArc>(container, abi::kKindArc, x, y, layer, [&](TPcbArc& arc) {
        arc.Radius = radius;
        arc.StartAngle = startAngle;
        arc.EndAngle = endAngle;
        arc.Width = width == 0 ? DefaultLineWidth : width;
    });
}

void TPcbDxfProcessor::AddPad(THandle container, TBoardCoord x, TBoardCoord y, TBoardCoord width,
                              TBoardCoord radius, TV7_Layer layer) {
    const int64_t diameter = 2 * static_cast<int64_t>(radius);
    AddPlaced<TPcbPad>(container, abi::kKindPad, x, y, layer, [&](TPcbPad& pad) {
        pad.HoleSize = SaturateToCoord(diameter - width);
        pad.PadSizes.fill(SaturateToCoord(diameter + width));
    });
}

void TPcbDxfProcessor::AddText(THandle container, TBoardCoord x, TBoardCoord y, TBoardCoord height,
                               int32_t mirror, double rotation, std::string_view text,
                               TV7_Layer layer) {
    AddPlaced<TPcbText>(container, abi::kKindText, x, y, layer, [&](TPcbText& object) {
        object.Height = height;
        object.Rotation = rotation;
        object.Mirror = mirror != 0;
        object.Text = std::string(CutUtf8(CleanText(text), kTextMax));
        object.Width = DefaultLineWidth;
    });
}

void TPcbDxfProcessor::AddRegion(THandle container, TBoardCoord x1, TBoardCoord y1, TBoardCoord x2,
                                 TBoardCoord y2, TBoardCoord x3, TBoardCoord y3, TBoardCoord x4,
                                 TBoardCoord y4, TV7_Layer layer) {
    if (layer == NoLayer) return;
    NoteContent(container, abi::kKindRegion, layer);
    abi::IPCB_ServerInterface* server = GetPcbServer();
    if (!server) return;
    // Owned by this function until a board or component takes it.
    abi::IPCB_Primitive* object = server->PCBObjectFactory(abi::kKindRegion, 0, 0);
    if (!object) return;
    void* found = nullptr;
    if (object->QueryInterface(abi::IID_IPCB_Region, &found) != abi::kOk || !found) {
        object->Release();
        return;
    }
    auto* region = static_cast<abi::IPCB_Region*>(found);
    region->SetRegionLayer(layer);

    abi::IPCB_Contour* contour = server->PCBContourFactory();
    if (contour) {
        contour->SetCount(4);
        contour->SetPoint(0, SaturatingSub(x1, OffsetX), SaturatingSub(y1, OffsetY));
        contour->SetPoint(1, SaturatingSub(x2, OffsetX), SaturatingSub(y2, OffsetY));
        contour->SetPoint(2, SaturatingSub(x3, OffsetX), SaturatingSub(y3, OffsetY));
        contour->SetPoint(3, SaturatingSub(x4, OffsetX), SaturatingSub(y4, OffsetY));
        region->SetOutlineContour(contour);
        contour->Release();
    }

    found = nullptr;
    if (server->GetPCBBoardByBoardHandle(container, abi::IID_IPCB_Board, &found) == abi::kOk &&
        found) {
        static_cast<abi::IPCB_Board*>(found)->AddPCBObject(region);
        return;
    }
    found = nullptr;
    if (server->GetPCBBoardByBoardHandle(container, abi::IID_IPCB_Component, &found) == abi::kOk &&
        found) {
        static_cast<abi::IPCB_Component*>(found)->AddPCBObject(region);
        return;
    }
    // Added nowhere: still ours.
    object->Release();
}

// ---- Polylines and donuts -------------------------------------------------------------------

void TPcbDxfProcessor::EmitPolyline() {
    const int count = Points.Count();
    if (count < 1) return;
    const std::string_view layerName = NameOf(Points.LayerName);
    if (Points.Closed && count == 2 && std::fabs(Points.Bulge(0)) == 1.0 &&
        std::fabs(Points.Bulge(1)) == 1.0) {
        TBoardCoord cx = 0, cy = 0, radius = 0;
        double startAngle = 0.0, endAngle = 0.0;
        if (GetBulgeArc(&Points, 0, 1, cx, cy, radius, startAngle, endAngle)) {
            const TBoardCoord width = SegmentWidth(0, 1);
            if (DonutToPad(radius, width, layerName)) {
                AddPad(Container, cx, cy, width, radius, LayerFor(layerName));
                return;
            }
        }
    }
    for (int i = 0; i + 1 < count; ++i)
        EmitSegment(i, i + 1);
    if (Points.Closed) EmitSegment(count - 1, 0);
}

void TPcbDxfProcessor::EmitSegment(int a, int b) {
    const TBoardCoord width = SegmentWidth(a, b);
    const TV7_Layer layer = LayerFor(NameOf(Points.LayerName));
    TBoardCoord cx = 0, cy = 0, radius = 0;
    double startAngle = 0.0, endAngle = 0.0;
    // A bulge without an arc at board resolution (nearly straight, or an arc too large for the
    // board) is its chord: the outline stays closed.
    if (Points.Bulge(a) != 0.0 && GetBulgeArc(&Points, a, b, cx, cy, radius, startAngle, endAngle))
        AddArc(Container, cx, cy, width, radius, startAngle, endAngle, layer);
    else
        AddTrack(Container, Points.X(a), Points.Y(a), Points.X(b), Points.Y(b), width, layer);
}

TBoardCoord TPcbDxfProcessor::SegmentWidth(int a, int b) const {
    // The list's Width field hides the vertex accessor of the point array.
    const TPoints& vertices = Points;
    const long double sum =
        static_cast<long double>(vertices.Width(a)) + static_cast<long double>(vertices.Width(b));
    const TBoardCoord width = RoundToInt32(sum / 2);
    return width == 0 ? Points.Width : width;
}

bool TPcbDxfProcessor::DonutToPad(TBoardCoord radius, TBoardCoord width,
                                  std::string_view layerName) const {
    bool* noted = nullptr;
    const int index = MappingIndex(layerName, noted);
    if (index < 0) return false;
    const TBoardCoord outerDiameter = SaturateToCoord(2 * static_cast<int64_t>(radius) + width);
    const double threshold = Mappings.Threshold(index);
    switch (Mappings.Condition(index)) {
    case ccAll:
        return true;
    case ccSmallerThan:
        return static_cast<double>(outerDiameter) < threshold;
    case ccLargerThan:
        return static_cast<double>(outerDiameter) > threshold;
    case ccNone:
    default:
        return false;
    }
}

std::string TPcbDxfProcessor::CleanText(std::string_view text) {
    // Deleting the first "%%" with the character after it, over and over, never joins two
    // percent signs across the cut (the byte before a first "%%" is no "%"): one pass does it.
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') {
            i += 2;
            if (i < text.size()) i += Utf8CharLength(text, i);
            continue;
        }
        result.push_back(text[i]);
        ++i;
    }
    EraseFirst(result, "\\A1;");
    EraseFirst(result, "\\U+");
    EraseFirstDegreeSign(result);
    return result;
}

// ---- Blocks ---------------------------------------------------------------------------------

THandle TPcbDxfProcessor::CreateBlockTemplate(std::string_view blockName) {
    const THandle handle = host::PcbApi_CreateObject(abi::kKindComponent);
    if (handle == 0) return 0;
    TPcbComponent component(handle);
    component.TransferProperties(ptRead);
    component.Name = std::string(CutUtf8(blockName, kComponentNameMax));
    component.FlagA = false;
    component.FlagB = false;
    SetObjectLayer(component.SecondText, TClassicLayer::TopOverlay);
    SetObjectLayer(component.NameText, TClassicLayer::TopOverlay);
    component.TransferProperties(ptWrite);
    return handle;
}

void TPcbDxfProcessor::PlaceBlock(THandle blockTemplate, TBoardCoord x, TBoardCoord y,
                                  double rotation, bool explode) {
    if (blockTemplate == 0) return;
    const THandle copy = host::PcbApi_ReplicateObject(blockTemplate);
    if (copy == 0) return;
    {
        TPcbComponent component(copy);
        component.TransferProperties(ptRead);
        component.X = SaturatingSub(x, OffsetX);
        component.Y = SaturatingSub(y, OffsetY);
        component.Rotation = rotation;
        component.TransferProperties(ptUpdate);
    }
    if (explode) {
        ExplodeTemplateCopy(copy, blockTemplate);
        host::PcbApi_DestroyObject(copy);
    } else {
        host::PcbApi_AddObjectToContainer(Board_.Handle, copy);
    }
}

void TPcbDxfProcessor::ExplodeComponent(THandle component) {
    std::vector<THandle> children;
    const auto collect = [&children](THandle child) { children.push_back(child); };
    const TPcbComponent wrapper(component);
    wrapper.ForEachChild(collect, PrimitiveKinds, ClassicLayerRange(0, kClassicLayerCount - 1));

    // Layers without a classic number: the default mapping's mechanical layers 17..32 and any
    // other such layer an entity was mapped to (only mapped layers reach a template).
    std::vector<TV7_Layer> unnumbered;
    for (int n = kFirstUnnumberedMechanical; n <= kLastDefaultMechanical; ++n)
        unnumbered.push_back(MechanicalLayer(n));
    for (int p = 0; p < TPCB_LayerSetBase::spCount; ++p)
        for (const TV7_Layer layer :
             UsedLayers.Partition(static_cast<TPCB_LayerSetBase::TPartitionIndex>(p)).Included)
            if (layer >= static_cast<TV7_Layer>(kClassicLayerCount)) unnumbered.push_back(layer);
    std::sort(unnumbered.begin(), unnumbered.end());
    unnumbered.erase(std::unique(unnumbered.begin(), unnumbered.end()), unnumbered.end());

    for (int kind = 0; kind < 32; ++kind) {
        if ((PrimitiveKinds & (1u << kind)) == 0) continue;
        for (const TV7_Layer layer : unnumbered) {
            const THandle iterator =
                host::PcbApi_CreateIterator(component, static_cast<uint8_t>(kind), 0, layer);
            if (iterator == 0) continue;
            for (THandle child = host::PcbApi_GetFirstObject(iterator); child != 0;
                 child = host::PcbApi_GetNextObject(iterator))
                children.push_back(child);
            host::PcbApi_DestroyIterator(iterator);
        }
    }

    for (const THandle child : children) {
        host::PcbApi_AddObjectToContainer(Board_.Handle, child);
        host::PcbApi_DeleteObjectFromComponent(component, child);
    }
}

void TPcbDxfProcessor::NoteContent(THandle container, uint8_t kind, TV7_Layer layer) {
    if (container == Board_.Handle) return;
    const auto found = TemplateContent_.find(container);
    if (found == TemplateContent_.end()) return;
    std::vector<TKindLayer>& content = found->second;
    const TKindLayer entry{kind, layer};
    const auto at = std::lower_bound(content.begin(), content.end(), entry);
    if (at == content.end() || *at != entry) content.insert(at, entry);
}

void TPcbDxfProcessor::ExplodeTemplateCopy(THandle copy, THandle blockTemplate) {
    const auto found = TemplateContent_.find(blockTemplate);
    if (found == TemplateContent_.end()) {
        ExplodeComponent(copy);
        return;
    }
    // The children in the order ExplodeComponent collects them: first by kind and classic
    // layer number (a classic layer's value is its number), then by kind and layer among the
    // layers without a classic number. The content is ordered by kind, then layer.
    std::vector<THandle> children;
    auto collect = [&](const TKindLayer& kindLayer) {
        const THandle iterator =
            host::PcbApi_CreateIterator(copy, kindLayer.first, 0, kindLayer.second);
        if (iterator == 0) return;
        for (THandle child = host::PcbApi_GetFirstObject(iterator); child != 0;
             child = host::PcbApi_GetNextObject(iterator))
            children.push_back(child);
        host::PcbApi_DestroyIterator(iterator);
    };
    const auto searched = [](const TKindLayer& kindLayer) {
        return (PrimitiveKinds & (1u << kindLayer.first)) != 0;
    };
    for (const TKindLayer& kindLayer : found->second)
        if (searched(kindLayer) && kindLayer.second < static_cast<TV7_Layer>(kClassicLayerCount))
            collect(kindLayer);
    for (const TKindLayer& kindLayer : found->second) {
        const TV7_Layer layer = kindLayer.second;
        bool unnumbered = layer >= static_cast<TV7_Layer>(kClassicLayerCount);
        for (int n = kFirstUnnumberedMechanical; n <= kLastDefaultMechanical && !unnumbered; ++n)
            unnumbered = layer == MechanicalLayer(n);
        if (searched(kindLayer) && unnumbered) collect(kindLayer);
    }

    for (const THandle child : children) {
        host::PcbApi_AddObjectToContainer(Board_.Handle, child);
        host::PcbApi_DeleteObjectFromComponent(copy, child);
    }
}

} // namespace dxfi
