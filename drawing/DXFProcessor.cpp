// SPDX-License-Identifier: MIT
#include "drawing/DXFProcessor.h"

#include "base/Assertion.h"
#include "base/Rounding.h"
#include "base/ShortString.h"
#include "engine/Pad2.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace dxfi {

namespace {

constexpr const char* kModule = "DXFProcessor";
constexpr const char* kReportTitle = "DXF/DWG File Import Error Report";
constexpr TBoardCoord kInsertionPoint = 10000000;
constexpr int32_t kExtentsTooLarge = 2147483647;

// X * scale / drawingScale in extended precision, rounded ties to even. Strict conversions
// refuse a quotient above the 32-bit range (or not a number); the others saturate and set
// `exceeded`.
TBoardCoord ToBoard(bool strict, double value, double scale, double drawingScale, bool& exceeded) {
    const long double quotient = static_cast<long double>(value) * static_cast<long double>(scale) /
                                 static_cast<long double>(drawingScale);
    if (strict && (std::isnan(quotient) ||
                   quotient > static_cast<long double>(std::numeric_limits<int32_t>::max())))
        throw EInvalidOperation();
    // Values that round into the range fit; the bounds themselves count as clamped values.
    if (!(quotient > static_cast<long double>(std::numeric_limits<int32_t>::min()) - 0.5L &&
          quotient < static_cast<long double>(std::numeric_limits<int32_t>::max()) + 0.5L))
        exceeded = true;
    return RoundToInt32(quotient);
}

// Where copy (column, row) of a MINSERT lies: its columns run along the insert's rotated X axis,
// its rows along the rotated Y axis.
TRecordPoint CopyPoint(TRecordPoint at, double rotation, double dx, double dy) {
    const double c = std::cos(rotation), s = std::sin(rotation);
    return TRecordPoint{at.X + dx * c - dy * s, at.Y + dx * s + dy * c};
}

bool Contains(std::string_view name, std::string_view part) {
    return name.find(part) != std::string_view::npos;
}

// A block's name, read whole from the record and cut to 255 bytes on a character boundary.
std::string_view RawBlockName(const TBlockHeaderRecord& block) {
    return CutUtf8(block.Reader().ReadText(abi::BlockHeaderRecord::Name));
}

std::string_view RawLayerName(const TLayerRecord& layer) {
    return CutUtf8(layer.Reader().ReadText(abi::LayerRecord::Name));
}

} // namespace

uint64_t ExpansionBudgetFor(uint64_t drawingEntities) {
    const uint64_t scaled = drawingEntities > kMaxExpansionBudget
                                ? kMaxExpansionBudget
                                : drawingEntities * kExpansionPerEntity;
    return std::clamp(scaled, kMinExpansionBudget, kMaxExpansionBudget);
}

TDXFProcessor::TDXFProcessor(std::string fileName) : FileName(std::move(fileName)) {
    const TPad2Functions& eda = Pad2();
    eda.ConvertPlinesOnLoad(1);
    eda.SetupDxfRead();
    eda.SetupDwgRead();
    ScaleStack_.emplace_back(1.0, 1.0);
}

TDXFProcessor::~TDXFProcessor() = default;

// ---- Virtual operations ---------------------------------------------------------------------

bool TDXFProcessor::BeginImportReport() {
    if (ReportErrors) GetReport().BeginReport();
    return true;
}

bool TDXFProcessor::EndImportReport() {
    if (ReportErrors) GetReport().EndReport();
    return true;
}

bool TDXFProcessor::ProcessHeader(TDrawingHeader header) {
    // The header is read at the bottom of the scale stack only.
    Assert(ScaleX() == 1.0 && ScaleY() == 1.0, kModule);
    const bool model = SpacesToImport == 0;
    const int minOffset = model ? abi::DrawingHeader::ModelExtMin : abi::DrawingHeader::PaperExtMin;
    const int maxOffset = model ? abi::DrawingHeader::ModelExtMax : abi::DrawingHeader::PaperExtMax;
    const TExtents extents{header.ReadF64(minOffset), header.ReadF64(minOffset + 8),
                           header.ReadF64(maxOffset), header.ReadF64(maxOffset + 8)};
    try {
        // Infinities and non-numbers give a non-number or an infinite difference, which the
        // strict conversion refuses like any size above the 32-bit range.
        const int32_t width = ToBoardX(true, std::fabs(extents.MaxX - extents.MinX));
        const int32_t height = ToBoardY(true, std::fabs(extents.MaxY - extents.MinY));
        ExtentsWidth = width;
        ExtentsHeight = height;
    } catch (const EInvalidOperation&) {
        ExtentsWidth = kExtentsTooLarge;
        ExtentsHeight = kExtentsTooLarge;
    }
    (model ? ModelExtents : PaperExtents) = extents;
    return true;
}

bool TDXFProcessor::ProcessLayer(const TLayerRecord&) {
    return true;
}

bool TDXFProcessor::ProcessEntity(TEntityHeader&, TEntityData&) {
    return true;
}

bool TDXFProcessor::BeginBlock(const TBlockHeaderRecord&) {
    InBlock = true;
    return true;
}

bool TDXFProcessor::EndBlock(const TBlockHeaderRecord&) {
    InBlock = false;
    return true;
}

// ---- Lifecycle and file ---------------------------------------------------------------------

bool TDXFProcessor::LoadFile() {
    const TPad2Functions& eda = Pad2();
    FileHandle = eda.LoadFile(FileName.c_str(), 1, 0);
    if (FileHandle != 0) {
        if (uint8_t* header = eda.HeaderPointer(FileHandle))
            ExpansionBudget =
                ExpansionBudgetFor(TDrawingHeader(header).ReadU32(abi::DrawingHeader::EntityCount));
        ReadFileInfo();
        return true;
    }
    const char* engineText = eda.ErrorStr(eda.Error());
    const std::string text(CutUtf8(engineText ? engineText : ""));
    if (ReportErrors) GetReport().WriteError("The file could not be processed - " + text);
    LoadFailed = true;
    LoadErrorText = "Error : " + text;
    return false;
}

bool TDXFProcessor::CloseFile() {
    const bool closed = Pad2().CloseFile(FileHandle) != 0;
    // The handle is dead either way; nothing may reach the engine with it any more.
    FileHandle = 0;
    return closed;
}

void TDXFProcessor::ReadFileInfo() {
    ReadHeader();
    ReadLayers();
}

void TDXFProcessor::ReadHeader() {
    uint8_t* header = Pad2().HeaderPointer(FileHandle);
    if (header) {
        ProcessHeader(TDrawingHeader(header));
        DrawingUnits = TDrawingHeader(header).ReadI16(abi::DrawingHeader::InsUnits);
    }
    InsertionPointX = kInsertionPoint;
    InsertionPointY = kInsertionPoint;
    OffsetX = 0;
    OffsetY = 0;
}

void TDXFProcessor::ReadLayers() {
    const TPad2Functions& eda = Pad2();
    if (eda.StartLayerGet(FileHandle) == 0) return;
    TLayerRecord layer;
    while (eda.GetLayer(FileHandle, layer.Bytes()) != 0)
        if (layer.Offered()) ProcessLayer(layer);
}

bool TDXFProcessor::RecomputeExtents(int16_t value) {
    uint8_t* bytes = Pad2().HeaderPointer(FileHandle);
    if (!bytes) return false;
    TDrawingHeader header(bytes);
    header.WriteRecomputeWord(value);
    return ProcessHeader(header);
}

void TDXFProcessor::ProcessDrawing() {
    Walked_ = 0;
    RefusalsReported_.clear();
    if (SpacesToImport == 0)
        ProcessModelSpace();
    else if (SpacesToImport == 1)
        ProcessPaperSpace();
}

void TDXFProcessor::ProcessModelSpace() {
    ValidArea = ModelExtents;
    ProcessEntities(BlockEntityList("*MODEL_SPACE"), 0, 0);
}

void TDXFProcessor::ProcessPaperSpace() {
    ValidArea = PaperExtents;
    ProcessEntities(BlockEntityList("*PAPER_SPACE"), 0, 0);
}

abi::TEntityListHandle TDXFProcessor::BlockEntityList(const char* name) {
    const TPad2Functions& eda = Pad2();
    abi::TObjectHandle block = 0;
    if (eda.FindBlockheaderByName(FileHandle, name, &block) == 0) block = 0;
    return eda.EntityList(FileHandle, block);
}

void TDXFProcessor::ProcessBlock(const TBlockHeaderRecord& block, TBoardCoord dx, TBoardCoord dy) {
    BeginBlock(block);
    ProcessEntities(block.EntityList(), dx, dy);
    EndBlock(block);
}

bool TDXFProcessor::MayExpand(const TEntityHeader& header, const TEntityData& data,
                              abi::TEntityListHandle list) {
    // The engine keeps one read position per entity list, so a list walked again from inside
    // its own walk would also lose the outer walk's place: a cycle is never entered.
    std::string reason;
    if (list == 0) {
        const std::string_view name = header.TypeCode() == abi::kCodeInsert
                                          ? CutUtf8(data.ReadText(abi::InsertData::BlockName))
                                          : std::string_view();
        reason = name.empty() ? "because its block is missing"
                              : "because its block " + std::string(name) + " is missing";
    } else if (std::find(ActiveLists_.begin(), ActiveLists_.end(), list) != ActiveLists_.end()) {
        reason = "because the block refers to itself";
    } else if (ActiveLists_.size() > static_cast<std::size_t>(kMaxBlockNesting)) {
        reason = "because blocks are nested too deeply";
    } else if (Walked_ >= ExpansionBudget) {
        reason = "because the drawing expands to more than " + std::to_string(ExpansionBudget) +
                 " entities";
    } else {
        return true;
    }
    // An insert inside a block is met again with every expansion of that block: its line is
    // written the first time only, or a drawing of many nested copies would fill the report.
    if (RefusalsReported_.insert(Position_).second) DiscardEntity(header, CutUtf8(reason));
    EntitiesDiscarded = true;
    ExpansionRefused_ = true;
    return false;
}

bool TDXFProcessor::WalkInsert(TEntityRecord& entity, bool& rejected) {
    const TEntityHeader& h = entity.Header;
    const TEntityData& d = entity.Data;
    const TPad2Functions& eda = Pad2();
    // A block the engine cannot find reads as an empty record, never as the last one.
    TBlockHeaderRecord block;
    eda.SeekBlockheader(FileHandle, d.ReadObjectHandle(abi::InsertData::BlockHeader),
                        block.Bytes());
    // Seen from above, a reference extruded down Z is mirrored: its insertion point's X and its
    // content's X change sign (the rotation too, GetInsert). Other tilts are not expanded;
    // GetInsert reports them.
    if (!ExtrusionAlongZ(h)) return false;
    const double mirror = ExtrusionMirrors(h) ? -1.0 : 1.0;
    const TRecordPoint at = d.ReadPoint(abi::InsertData::InsertionPoint);
    const double rotation = d.ReadF64(abi::InsertData::Rotation);
    const int columns = std::max<int>(1, d.ReadU16(abi::InsertData::ColumnCount));
    const int rows = std::max<int>(1, d.ReadU16(abi::InsertData::RowCount));
    const double columnSpacing = d.ReadF64(abi::InsertData::ColumnSpacing);
    const double rowSpacing = d.ReadF64(abi::InsertData::RowSpacing);
    const double outerX = ScaleX(), outerY = ScaleY();
    const bool anonymousX = Contains(RawBlockName(block), "*X");

    // The copy at (column, row), seen from above, in board units; false when it does not fit.
    auto copyAt = [&](int c, int r, TBoardCoord& ix, TBoardCoord& iy, TRecordPoint& p) {
        p = CopyPoint(at, rotation, c * columnSpacing, r * rowSpacing);
        p.X *= mirror;
        RangeExceeded_ = false;
        ix = ToBoard(false, p.X, outerX, DrawingScale(), RangeExceeded_);
        iy = ToBoard(false, p.Y, outerY, DrawingScale(), RangeExceeded_);
        return !RangeExceeded_;
    };
    TBoardCoord ix = 0, iy = 0;
    TRecordPoint first;
    if (!copyAt(0, 0, ix, iy, first)) {
        DiscardReference(h, "insertion point", first);
        rejected = true;
        return false;
    }

    PushScale(outerX * d.ReadF64(abi::InsertData::ScaleX) * mirror,
              outerY * d.ReadF64(abi::InsertData::ScaleY));
    BaseOutOfRange_ = false;
    uint64_t perCopy = 0;
    if (!InBlock) {
        if (!anonymousX && MayExpand(h, d, block.EntityList())) {
            const uint64_t before = Walked_;
            ProcessBlock(block, 0, 0);
            ExpansionRefused_ = false; // the block's own entities may have set it
            perCopy = std::max<uint64_t>(1, Walked_ - before);
        }
    } else if (anonymousX) {
        DiscardEntity(h, "because block did not contain *X");
    } else {
        // Each copy is flattened into the enclosing definition at its own place, under the
        // scale in force before this insert.
        bool refused = false;
        for (int r = 0; r < rows && !refused && !rejected; ++r)
            for (int c = 0; c < columns && !refused && !rejected; ++c) {
                refused = !MayExpand(h, d, block.EntityList());
                if (refused) break;
                TRecordPoint p;
                if (!copyAt(c, r, ix, iy, p)) {
                    DiscardReference(h, "insertion point", p);
                    rejected = true;
                    break;
                }
                ProcessEntities(block.EntityList(), SaturatingSub(0, ix), SaturatingSub(0, iy));
            }
        ExpansionRefused_ = refused;
    }
    PopScale();
    if (BaseOutOfRange_) {
        BaseOutOfRange_ = false;
        DiscardReference(h, "block's base point", BasePoint_);
        rejected = true;
        return false;
    }
    if (rejected || InBlock || perCopy == 0 || (columns == 1 && rows == 1)) return false;

    // A MINSERT at the top level: the block was expanded once; every copy places it at its
    // point in the insert's own plane (GetInsert mirrors it as it mirrors any insertion point).
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            if ((r > 0 || c > 0) && Walked_ >= ExpansionBudget) {
                MayExpand(h, d, block.EntityList());
                return true;
            }
            if (r > 0 || c > 0) Walked_ += perCopy;
            const TRecordPoint p = CopyPoint(at, rotation, c * columnSpacing, r * rowSpacing);
            entity.Data.WriteF64(abi::InsertData::InsertionPoint, p.X);
            entity.Data.WriteF64(abi::InsertData::InsertionPoint + 8, p.Y);
            ExpansionRefused_ = false;
            ProcessEntity(entity.Header, entity.Data);
        }
    return true;
}

void TDXFProcessor::ProcessEntities(abi::TEntityListHandle list, TBoardCoord dx, TBoardCoord dy) {
    // Restores the offsets and the list of walked lists however the walk ends.
    struct TWalkFrame {
        TDXFProcessor& P;
        TBoardCoord SavedX, SavedY;
        ~TWalkFrame() {
            P.OffsetX = SavedX;
            P.OffsetY = SavedY;
            P.ActiveLists_.pop_back();
        }
    };
    ActiveLists_.push_back(list);
    TWalkFrame frame{*this, OffsetX, OffsetY};
    OffsetX = SaturatingAdd(OffsetX, dx);
    OffsetY = SaturatingAdd(OffsetY, dy);

    const TPad2Functions& eda = Pad2();
    eda.StartEntityGet(list);
    TEntityRecord entity;
    TBlockHeaderRecord block;
    uint32_t position = 0;
    while (eda.GetEntity(list, entity.Header.Bytes(), entity.Data.Bytes()) == 1) {
        const TEntityHeader& h = entity.Header;
        const TEntityData& d = entity.Data;
        Position_ = (uint64_t{list} << 32) | position++;
        ++Walked_;
        ExpansionRefused_ = false;
        bool rejected = false;
        switch (h.TypeCode()) {
        case abi::kCodeBlockStart: {
            const TRecordPoint base = d.ReadPoint(abi::BlockStartData::BasePoint);
            RangeExceeded_ = false;
            const int64_t x = int64_t{OffsetX} + ToBoardX(false, base.X);
            const int64_t y = int64_t{OffsetY} + ToBoardY(false, base.Y);
            if (RangeExceeded_ || x != static_cast<int32_t>(x) || y != static_cast<int32_t>(y)) {
                // Nothing of this block could be placed: the reference that walks it is
                // discarded instead (ProcessEntities' caller reports it).
                BaseOutOfRange_ = true;
                BasePoint_ = base;
                return;
            }
            OffsetX = static_cast<TBoardCoord>(x);
            OffsetY = static_cast<TBoardCoord>(y);
            break;
        }
        case abi::kCodeInsert:
            if (WalkInsert(entity, rejected)) continue;
            break;
        case abi::kCodeDimension: {
            block = TBlockHeaderRecord();
            eda.SeekBlockheader(FileHandle, d.ReadObjectHandle(abi::DimensionData::BlockHeader),
                                block.Bytes());
            if (!InBlock && MayExpand(h, d, block.EntityList())) {
                const TRecordPoint def = d.ReadPoint(abi::DimensionData::DefinitionPoint);
                const TRecordPoint at = d.ReadPoint(abi::DimensionData::InsertionPoint);
                RangeExceeded_ = false;
                const TBoardCoord dx = ToBoardX(false, def.X - at.X);
                const TBoardCoord dy = ToBoardY(false, def.Y - at.Y);
                if (RangeExceeded_) {
                    DiscardReference(h, "block offset", TRecordPoint{def.X - at.X, def.Y - at.Y});
                    rejected = true;
                    break;
                }
                BaseOutOfRange_ = false;
                ProcessBlock(block, dx, dy);
                ExpansionRefused_ = false;
                if (BaseOutOfRange_) {
                    BaseOutOfRange_ = false;
                    DiscardReference(h, "block's base point", BasePoint_);
                    rejected = true;
                }
            }
            break;
        }
        default:
            break;
        }
        WalkRejected_ = rejected;
        ProcessEntity(entity.Header, entity.Data);
        WalkRejected_ = false;
    }
}

void TDXFProcessor::SetProgressHandler(abi::TLoadometerFn callback) {
    Pad2().SetAd2LoadometerFn(callback);
}

// ---- Coordinates ----------------------------------------------------------------------------

TBoardCoord TDXFProcessor::ToBoardX(bool strict, double x) const {
    return ToBoard(strict, x, ScaleX(), DrawingScale(), RangeExceeded_);
}

TBoardCoord TDXFProcessor::ToBoardY(bool strict, double y) const {
    return ToBoard(strict, y, ScaleY(), DrawingScale(), RangeExceeded_);
}

TBoardCoord TDXFProcessor::ToBoardLength(double length) const {
    return ToBoard(false, length, std::min(std::fabs(ScaleX()), std::fabs(ScaleY())),
                   DrawingScale(), RangeExceeded_);
}

void TDXFProcessor::BeginRangeCheck() const {
    RangeExceeded_ = false;
    RangePointKnown_ = false;
}

void TDXFProcessor::ConvertPoint(TRecordPoint p, TBoardCoord& x, TBoardCoord& y) const {
    const bool before = RangeExceeded_;
    RangeExceeded_ = false;
    x = ToBoardX(false, p.X);
    y = ToBoardY(false, p.Y);
    // Placed relative to the block being walked, the point must still fit.
    const int64_t placedX = int64_t{x} - OffsetX, placedY = int64_t{y} - OffsetY;
    if (placedX != static_cast<int32_t>(placedX) || placedY != static_cast<int32_t>(placedY))
        RangeExceeded_ = true;
    if (RangeExceeded_ && !RangePointKnown_) {
        RangePointKnown_ = true;
        RangePoint_ = p;
    }
    RangeExceeded_ = RangeExceeded_ || before;
}

bool TDXFProcessor::EndRangeCheck(const TEntityHeader& header, TRecordPoint where) {
    if (!RangeExceeded_) return true;
    const TRecordPoint p = RangePointKnown_ ? RangePoint_ : where;
    DiscardEntity(header, "because its coordinates lie beyond the board's range at this scale (" +
                              FormatReportNumber(p.X) + "," + FormatReportNumber(p.Y) + ")");
    EntitiesDiscarded = true;
    return false;
}

void TDXFProcessor::DiscardReference(const TEntityHeader& header, std::string_view what,
                                     TRecordPoint p) {
    std::string reason = "because its ";
    reason += what;
    reason += " lies beyond the board's range at this scale (" + FormatReportNumber(p.X) + "," +
              FormatReportNumber(p.Y) + ")";
    DiscardEntity(header, reason);
    EntitiesDiscarded = true;
}

// A zero scale factor (legal in inserts) gives an infinity or a non-number here, which every
// later conversion to board units saturates or maps to 0.
double TDXFProcessor::FromBoardX(TBoardCoord i) const {
    return DrawingScale() * i / ScaleX();
}

double TDXFProcessor::FromBoardY(TBoardCoord i) const {
    return DrawingScale() * i / ScaleY();
}

double TDXFProcessor::ScaleX() const {
    Assert(!ScaleStack_.empty(), kModule);
    return ScaleStack_.back().X;
}

double TDXFProcessor::ScaleY() const {
    Assert(!ScaleStack_.empty(), kModule);
    return ScaleStack_.back().Y;
}

void TDXFProcessor::PushScale(double x, double y) {
    ScaleStack_.emplace_back(x, y);
}

void TDXFProcessor::PopScale() {
    Assert(!ScaleStack_.empty(), kModule);
    ScaleStack_.pop_back();
}

bool TDXFProcessor::InValidArea(double x, double y) {
    if (InBlock) return true;
    const double sx = x * ScaleX();
    const double sy = y * ScaleY();
    const bool inside = ValidArea.MinX <= sx && sx <= ValidArea.MaxX && ValidArea.MinY <= sy &&
                        sy <= ValidArea.MaxY;
    if (!inside) EntitiesDiscarded = true;
    return inside;
}

double TDXFProcessor::DrawingScale() const {
    Assert(DrawingScale_ != 0.0, kModule);
    return DrawingScale_;
}

void TDXFProcessor::SetDrawingScale(double scale) {
    DrawingScale_ = scale;
}

// ---- Names and reports ----------------------------------------------------------------------

std::string TDXFProcessor::LayerName(const TLayerRecord& layer) {
    return std::string(RawLayerName(layer));
}

bool TDXFProcessor::LayerVisible(const TLayerRecord& layer) {
    return layer.Colour() >= 0 && (layer.Flags() & 0x01) == 0;
}

const char* TDXFProcessor::EntityLayerName(abi::TObjectHandle layer) {
    TLayerRecord record;
    Pad2().SeekLayer(FileHandle, layer, record.Bytes());
    CopyToBuffer(LayerNameBuffer, sizeof LayerNameBuffer, RawLayerName(record));
    LayerNameHandle_ = layer;
    LayerNameFilled_ = true;
    return LayerNameBuffer;
}

const char* TDXFProcessor::BlockName(const TBlockHeaderRecord& block) {
    static char buffer[256];
    CopyToBuffer(buffer, sizeof buffer, RawBlockName(block));
    return buffer;
}

TGeneralReport& TDXFProcessor::GetReport() {
    if (!Report_) Report_ = std::make_unique<TGeneralReport>(kReportTitle, "");
    return *Report_;
}

bool TDXFProcessor::ImportSucceeded() const {
    return !LoadFailed && !EntitiesDiscarded;
}

void TDXFProcessor::ImportMessages(std::string& text) const {
    static constexpr char kLineEnd[] = {10, 13, 0};
    text.clear();
    if (LoadFailed) {
        text += LoadErrorText;
        text += kLineEnd;
    }
    if (EntitiesDiscarded) {
        text += "Some entities were discarded during import!";
        text += kLineEnd;
    }
}

} // namespace dxfi
