// SPDX-License-Identifier: MIT
// The entity conversions of TDXFProcessor: each decodes one entity's records into board
// geometry, rejecting it (report line, false) when its extrusion is not along Z or a point
// that matters lies outside the walked space.
#include "drawing/DXFProcessor.h"

#include "base/Assertion.h"
#include "base/Rounding.h"
#include "base/ShortString.h"
#include "engine/Pad2.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace dxfi {

namespace {

constexpr const char* kModule = "DXFProcessor";
constexpr int kEllipsePoints = 100;
// Below this included angle (radians) a bulged segment is drawn straight.
constexpr double kMinBulgeAngle = 1e-5;
// X and Y of an extrusion direction below this share of its length are arithmetic noise.
constexpr double kExtrusionNoise = 1e-12;

// The angle of a direction mirrored in X, seen with its mirror flag: -a, within [0, 360).
double MirroredAngle(double degrees) {
    const double a = std::fmod(-degrees, 360.0);
    return a < 0.0 ? a + 360.0 : a;
}

// A text's rotation and mirror flag once the walk's scale has turned its content: a negative
// X or Y scale alone mirrors it (the flag toggles; the angle becomes -a, or 180 - a for Y),
// both together turn it half a turn. Angles within [0, 360).
void TurnTextForScale(double scaleX, double scaleY, int32_t& mirror, double& rotation) {
    const bool flipX = scaleX < 0.0, flipY = scaleY < 0.0;
    if (!flipX && !flipY) return;
    if (flipX != flipY) mirror ^= 0x02;
    const double turned = flipX && flipY ? rotation + 180.0 : flipX ? -rotation : 180.0 - rotation;
    const double a = std::fmod(turned, 360.0);
    rotation = a < 0.0 ? a + 360.0 : a;
}

// Report reasons are cut like every short text of the report.
std::string CutReason(std::string reason) {
    reason.resize(CutUtf8(reason).size());
    return reason;
}

} // namespace

// ---- Kinds and report lines -----------------------------------------------------------------

TEntityKind TDXFProcessor::EntityKind(const TEntityHeader* header) const {
    return ::dxfi::EntityKind(header, FileHandle);
}

std::string_view TDXFProcessor::EntityKindName(TEntityKind kind) {
    return ::dxfi::EntityKindName(kind);
}

std::string_view TDXFProcessor::EntityName(const TEntityHeader& header) const {
    return EntityKindName(EntityKind(&header));
}

void TDXFProcessor::DiscardEntity(const TEntityHeader& header, std::string_view reason) {
    if (!ReportErrors) return;
    std::string line(EntityName(header));
    line += " was discarded ";
    line += CutUtf8(reason);
    GetReport().WriteLine(line);
}

void TDXFProcessor::DiscardUnconverted(const TEntityHeader& header, const TEntityData& data) {
    if (header.TypeCode() == abi::kCodeBlockStart) return;
    const std::string_view type = CutUtf8(data.ReadText(abi::OtherData::KindName));
    // A viewport shows model space, which is imported on its own; an attribute definition is
    // the template of values that block references carry.
    if (type == "VIEWPORT" || type == "ATTDEF") return;
    static constexpr std::string_view k3DOnly[] = {"3DFACE",
                                                   "3DSOLID",
                                                   "BODY",
                                                   "MESH",
                                                   "SURFACE",
                                                   "PLANESURFACE",
                                                   "EXTRUDEDSURFACE",
                                                   "LOFTEDSURFACE",
                                                   "REVOLVEDSURFACE",
                                                   "SWEPTSURFACE",
                                                   "NURBSURFACE",
                                                   "LIGHT",
                                                   "SUN",
                                                   "POINTCLOUD",
                                                   "POINTCLOUDEX"};
    const uint8_t problem = data.ReadU8(abi::OtherData::Problem);
    const char* reason = "because it is not supported";
    bool discarded = true;
    if (problem == abi::OtherData::kBadNumber) {
        reason = "because of a number that is not finite or out of range";
    } else if (type == "ATTRIB") {
        // A block reference's attribute value: a visible one is text the user sees on the
        // drawing; an invisible one shows nothing there, so it gets its line only.
        reason = problem == abi::OtherData::kInvisible
                     ? "because block attributes are not supported (an invisible one)"
                     : "because block attributes are not supported";
        discarded = problem != abi::OtherData::kInvisible;
    } else if (problem == abi::OtherData::kMesh) {
        reason = "because polygon and polyface meshes are not supported";
        discarded = false;
    } else if (std::find(std::begin(k3DOnly), std::end(k3DOnly), type) != std::end(k3DOnly)) {
        reason = "because 3D entities are not supported";
        discarded = false;
    }
    if (discarded) EntitiesDiscarded = true;
    if (!ReportErrors) return;
    // Type names are ASCII words; anything else a damaged file puts there is shown as '?'.
    std::string line;
    for (const char c : type)
        line += (c > ' ' && c < 0x7F) ? c : '?';
    if (line.empty()) line = "Unnamed";
    line += " entity was discarded ";
    line += reason;
    GetReport().WriteLine(line);
}

void TDXFProcessor::DiscardInvalidPoint(const TEntityHeader& header, std::string_view pointKind,
                                        double x, double y) {
    std::string reason = "because of invalid ";
    reason += pointKind;
    reason += " (" + FormatReportNumber(x) + "," + FormatReportNumber(y) + ")";
    DiscardEntity(header, CutReason(std::move(reason)));
}

bool TDXFProcessor::ExtrusionAlongZ(const TEntityHeader& header) {
    const double x = header.ExtrusionX();
    const double y = header.ExtrusionY();
    if (x == 0.0 && y == 0.0) return true; // the usual case: no length to weigh noise against
    const double z = header.ExtrusionZ();
    const double noise = kExtrusionNoise * std::sqrt(x * x + y * y + z * z);
    return (x == 0.0 || std::fabs(x) < noise) && (y == 0.0 || std::fabs(y) < noise);
}

bool TDXFProcessor::ExtrusionMirrors(const TEntityHeader& header) {
    return ExtrusionAlongZ(header) && header.ExtrusionZ() < 0.0;
}

bool TDXFProcessor::CheckExtrusion(const TEntityHeader& header) {
    const double x = header.ExtrusionX();
    const double y = header.ExtrusionY();
    if (ExtrusionAlongZ(header)) return true;
    DiscardEntity(header, CutReason("because of invalid extrusion direction (" +
                                    FormatReportNumber(x) + "," + FormatReportNumber(y) + "," +
                                    FormatReportNumber(header.ExtrusionZ()) + ")"));
    EntitiesDiscarded = true;
    return false;
}

bool TDXFProcessor::MirrorForExtrusion(const TEntityHeader& header, double& value) {
    if (!CheckExtrusion(header)) return false;
    if (header.ExtrusionZ() < 0.0) value = -value;
    return true;
}

bool TDXFProcessor::TestPoint(const TEntityHeader& header, std::string_view pointKind,
                              TRecordPoint p) {
    if (InValidArea(p.X, p.Y)) return true;
    DiscardInvalidPoint(header, pointKind, p.X, p.Y);
    return false;
}

bool TDXFProcessor::MirrorInRecord(const TEntityHeader& header, TEntityData& data, int offset) {
    double value = data.ReadF64(offset);
    if (!MirrorForExtrusion(header, value)) return false;
    data.WriteF64(offset, value);
    return true;
}

// ---- Single entities ------------------------------------------------------------------------

bool TDXFProcessor::GetLine(const TEntityHeader& h, TEntityData& d, TBoardCoord& x1,
                            TBoardCoord& y1, TBoardCoord& x2, TBoardCoord& y2, const char*& layer) {
    const TRecordPoint start = d.ReadPoint(abi::LineData::Start);
    const TRecordPoint end = d.ReadPoint(abi::LineData::End);
    if (!TestPoint(h, "start point", start) || !TestPoint(h, "end point", end)) return false;
    BeginRangeCheck();
    ConvertPoint(start, x1, y1);
    ConvertPoint(end, x2, y2);
    if (!EndRangeCheck(h, start)) return false;
    layer = EntityLayerName(h.LayerHandle());
    return true;
}

bool TDXFProcessor::GetPolylineHeader(const TEntityHeader& h, TEntityData& d, TBoardCoord& width,
                                      bool& closed, const char*& layer) {
    // Vertices carry no extrusion of their own: a polyline seen from below mirrors them.
    if (!CheckExtrusion(h)) return false;
    VertexMirror_ = ExtrusionMirrors(h);
    if (!WidthToBoard(h, d.ReadF64(abi::PolylineData::DefaultWidth), width)) return false;
    closed = (d.ReadU8(abi::PolylineData::Flags) & 0x01) != 0;
    layer = EntityLayerName(h.LayerHandle());
    return true;
}

bool TDXFProcessor::WidthToBoard(const TEntityHeader& h, double value, TBoardCoord& width) {
    BeginRangeCheck();
    width = ToBoardLength(value);
    if (!RangeExceeded_) return true;
    DiscardEntity(h, "because its width lies beyond the board's range at this scale (" +
                         FormatReportNumber(value) + ")");
    EntitiesDiscarded = true;
    return false;
}

bool TDXFProcessor::GetVertex(const TEntityHeader& h, TEntityData& d, TBoardCoord& x,
                              TBoardCoord& y, TBoardCoord& width, double& bulge,
                              const char*& layer) {
    TRecordPoint at = d.ReadPoint(abi::VertexData::Location);
    if (VertexMirror_) at.X = -at.X;
    if (!TestPoint(h, "location point", at)) return false;
    BeginRangeCheck();
    ConvertPoint(at, x, y);
    if (!EndRangeCheck(h, at)) return false;
    if (!WidthToBoard(h, d.ReadF64(abi::VertexData::Width), width)) return false;
    bulge = d.ReadF64(abi::VertexData::Bulge);
    if (VertexMirror_) bulge = -bulge;
    layer = EntityLayerName(h.LayerHandle());
    return true;
}

bool TDXFProcessor::GetCircle(const TEntityHeader& h, TEntityData& d, TBoardCoord& x,
                              TBoardCoord& y, TBoardCoord& radius, const char*& layer) {
    if (!MirrorInRecord(h, d, abi::CircleData::Centre)) return false;
    const TRecordPoint centre = d.ReadPoint(abi::CircleData::Centre);
    if (!TestPoint(h, "centre point", centre)) return false;
    BeginRangeCheck();
    ConvertPoint(centre, x, y);
    radius = ToBoardLength(d.ReadF64(abi::CircleData::Radius));
    if (!EndRangeCheck(h, centre)) return false;
    layer = EntityLayerName(h.LayerHandle());
    return true;
}

bool TDXFProcessor::GetArc(const TEntityHeader& h, TEntityData& d, TBoardCoord& x, TBoardCoord& y,
                           TBoardCoord& radius, double& startAngle, double& endAngle,
                           const char*& layer) {
    if (!MirrorInRecord(h, d, abi::ArcData::Centre)) return false;
    const TRecordPoint centre = d.ReadPoint(abi::ArcData::Centre);
    BeginRangeCheck();
    ConvertPoint(centre, x, y);
    // The X factor alone: a mirroring insert makes the radius negative, which tells the PCB
    // side to mirror the arc.
    radius = ToBoardX(false, d.ReadF64(abi::ArcData::Radius));
    if (!EndRangeCheck(h, centre)) return false;
    startAngle = RadToDeg(d.ReadF64(abi::ArcData::StartAngle));
    endAngle = RadToDeg(d.ReadF64(abi::ArcData::EndAngle));
    layer = EntityLayerName(h.LayerHandle());
    return true;
}

bool TDXFProcessor::GetInsert(const TEntityHeader& h, TEntityData& d, TBoardCoord& x,
                              TBoardCoord& y, double& rotation, char* blockName) {
    // The walk has reported a reference whose offsets do not fit the board.
    if (WalkRejected_) return false;
    if (!CheckExtrusion(h)) return false;
    TBlockHeaderRecord block;
    Pad2().SeekBlockheader(FileHandle, d.ReadObjectHandle(abi::InsertData::BlockHeader),
                           block.Bytes());
    CopyToBuffer(blockName, 256, BlockName(block));
    // Upside down (extrusion down Z) the reference is mirrored: X and the rotation change sign,
    // as the walk did for its content.
    const bool mirrored = ExtrusionMirrors(h);
    TRecordPoint at = d.ReadPoint(abi::InsertData::InsertionPoint);
    if (mirrored) at.X = -at.X;
    BeginRangeCheck();
    ConvertPoint(at, x, y);
    if (!EndRangeCheck(h, at)) return false;
    rotation = RadToDeg(d.ReadF64(abi::InsertData::Rotation));
    if (mirrored) rotation = MirroredAngle(rotation);
    return true;
}

bool TDXFProcessor::GetText(const TEntityHeader& h, TEntityData& d, TBoardCoord& x, TBoardCoord& y,
                            TBoardCoord& height, int32_t& mirror, double& rotation,
                            std::string_view& text, const char*& layer) {
    // A text seen from below (extrusion down Z) reads mirrored: X, the rotation and the
    // mirror flag change.
    const bool mirrored = ExtrusionMirrors(h);
    TRecordPoint at = d.ReadPoint(abi::TextData::AlignPoint);
    if (mirrored) at.X = -at.X;
    if (!TestPoint(h, "first alignment point", at)) return false;
    BeginRangeCheck();
    ConvertPoint(at, x, y);
    height = ToBoardLength(d.ReadF64(abi::TextData::Height));
    if (!EndRangeCheck(h, at)) return false;
    mirror = (d.ReadU8(abi::TextData::GenFlags) & 0x02) ^ (mirrored ? 0x02 : 0x00);
    rotation = RadToDeg(d.ReadF64(abi::TextData::Rotation));
    if (mirrored) rotation = MirroredAngle(rotation);
    TurnTextForScale(ScaleX(), ScaleY(), mirror, rotation);
    text = d.ReadText(abi::TextData::Text);
    layer = EntityLayerName(h.LayerHandle());
    return true;
}

bool TDXFProcessor::GetMText(const TEntityHeader& h, TEntityData& d, TBoardCoord& x, TBoardCoord& y,
                             TBoardCoord& height, int32_t& mirror, double& rotation,
                             std::string_view& text, const char*& layer) {
    // Seen from below (extrusion down Z) the text reads mirrored.
    const bool mirrored = ExtrusionMirrors(h);
    mirror = mirrored ? 2 : 0;
    rotation = 0.0;
    TRecordPoint at = d.ReadPoint(abi::MTextData::InsertionPoint);
    if (mirrored) at.X = -at.X;
    if (!TestPoint(h, "insertion point", at)) return false;
    BeginRangeCheck();
    ConvertPoint(at, x, y);
    height = ToBoardLength(d.ReadF64(abi::MTextData::Height));
    const TBoardCoord width = ToBoardLength(d.ReadF64(abi::MTextData::RefWidth));
    if (!EndRangeCheck(h, at)) return false;
    text = d.ReadText(abi::MTextData::Text);
    TurnTextForScale(ScaleX(), ScaleY(), mirror, rotation);
    // Middle centre: the text is placed by its lower left corner on the board (by its lower
    // right one when mirrored, as a mirrored board text runs to the left of its anchor).
    if (d.ReadU8(abi::MTextData::Attachment) == 5) {
        x = mirrored ? SaturatingAdd(x, width / 2) : SaturatingSub(x, width / 2);
        y = SaturatingSub(y, height / 2);
    }
    layer = EntityLayerName(h.LayerHandle());
    return true;
}

bool TDXFProcessor::GetDimension(const TEntityHeader& h, TEntityData& d, TBoardCoord& x,
                                 TBoardCoord& y, double& angle, char* blockName) {
    if (WalkRejected_) return false;
    const TRecordPoint def = d.ReadPoint(abi::DimensionData::DefinitionPoint);
    if (!TestPoint(h, "definition point", def)) return false;
    BeginRangeCheck();
    ConvertPoint(def, x, y);
    if (!EndRangeCheck(h, def)) return false;
    TBlockHeaderRecord block;
    Pad2().SeekBlockheader(FileHandle, d.ReadObjectHandle(abi::DimensionData::BlockHeader),
                           block.Bytes());
    CopyToBuffer(blockName, 256, BlockName(block));
    angle = RadToDeg(d.ReadF64(abi::DimensionData::Rotation));
    return true;
}

bool TDXFProcessor::GetPoint(const TEntityHeader& h, TEntityData& d, TBoardCoord& x, TBoardCoord& y,
                             const char*& layer) {
    const TRecordPoint at = d.ReadPoint(abi::PointData::Location);
    if (!TestPoint(h, "point location", at)) return false;
    BeginRangeCheck();
    ConvertPoint(at, x, y);
    if (!EndRangeCheck(h, at)) return false;
    layer = EntityLayerName(h.LayerHandle());
    return true;
}

bool TDXFProcessor::GetSolid(const TEntityHeader& h, TEntityData& d, TBoardCoord& x1,
                             TBoardCoord& y1, TBoardCoord& x2, TBoardCoord& y2, TBoardCoord& x4,
                             TBoardCoord& y4, TBoardCoord& x3, TBoardCoord& y3,
                             const char*& layer) {
    static constexpr int kCorners[4] = {abi::SolidData::Corner1, abi::SolidData::Corner2,
                                        abi::SolidData::Corner3, abi::SolidData::Corner4};
    static constexpr const char* kKinds[4] = {"first corner", "second corner", "third corner",
                                              "fourth corner"};
    for (int offset : kCorners)
        if (!MirrorInRecord(h, d, offset)) return false;
    TRecordPoint c[4];
    for (int i = 0; i < 4; ++i) {
        c[i] = d.ReadPoint(kCorners[i]);
        if (!TestPoint(h, kKinds[i], c[i])) return false;
    }
    BeginRangeCheck();
    ConvertPoint(c[0], x1, y1);
    ConvertPoint(c[1], x2, y2);
    ConvertPoint(c[3], x4, y4);
    ConvertPoint(c[2], x3, y3);
    if (!EndRangeCheck(h, c[0])) return false;
    layer = EntityLayerName(h.LayerHandle());
    return true;
}

bool TDXFProcessor::GetTrace(const TEntityHeader& h, TEntityData& d, TBoardCoord& x1,
                             TBoardCoord& y1, TBoardCoord& x2, TBoardCoord& y2, TBoardCoord& x4,
                             TBoardCoord& y4, TBoardCoord& x3, TBoardCoord& y3,
                             const char*& layer) {
    return GetSolid(h, d, x1, y1, x2, y2, x4, y4, x3, y3, layer);
}

// ---- Point arrays ---------------------------------------------------------------------------

bool TDXFProcessor::GetLwPolyline(const TEntityHeader& h, TEntityData& d, TPolyPoints* points) {
    Assert(points != nullptr, kModule);
    const TPad2Functions& eda = Pad2();
    const int32_t count = d.ReadI32(abi::LwPolylineData::VertexCount);
    const uint16_t flags = d.ReadU16(abi::LwPolylineData::Flags);
    points->SetCount(count);
    BeginRangeCheck();
    points->Width = ToBoardLength(d.ReadF64(abi::LwPolylineData::ConstWidth));
    points->Closed = (flags & abi::LwPolylineData::FlagClosed) != 0;
    TRecordPoint first;

    const abi::TBlobReader reader = eda.StartBlobRead(d.ReadU32(abi::LwPolylineData::BlobRef));
    bool ok = true;
    for (int32_t i = 0; i < count; ++i) {
        double xy[2] = {0.0, 0.0};
        eda.ReadBlob2Double(reader, xy);
        points->SetBulge(i, 0.0);
        if (flags & abi::LwPolylineData::FlagBulges) {
            double bulge = 0.0;
            eda.ReadBlobDouble(reader, &bulge);
            if (!(ok = MirrorForExtrusion(h, bulge))) break;
            points->SetBulge(i, bulge);
        }
        double widths[2] = {0.0, 0.0};
        if (flags & abi::LwPolylineData::FlagWidths) eda.ReadBlob2Double(reader, widths);
        points->SetWidth(i, ToBoardLength(widths[0]));
        if (!(ok = MirrorForExtrusion(h, xy[0]))) break;
        if (!(ok = TestPoint(h, "vertex coordinates", TRecordPoint{xy[0], xy[1]}))) break;
        if (i == 0) first = TRecordPoint{xy[0], xy[1]};
        TBoardCoord x = 0, y = 0;
        ConvertPoint(TRecordPoint{xy[0], xy[1]}, x, y);
        points->SetX(i, x);
        points->SetY(i, y);
    }
    eda.EndBlobRead(reader);
    if (ok) ok = EndRangeCheck(h, first);
    points->LayerName = EntityLayerName(h.LayerHandle());
    return ok;
}

bool TDXFProcessor::GetMLine(const TEntityHeader& h, TEntityData& d, TPolyPoints* points) {
    Assert(points != nullptr, kModule);
    const TRecordPoint start = d.ReadPoint(abi::MLineData::StartPoint);
    if (!TestPoint(h, "insertion point", start)) return false;

    const TPad2Functions& eda = Pad2();
    const int32_t vertices = d.ReadU16(abi::MLineData::VertexCount);
    const int32_t styleLines = d.ReadI16(abi::MLineData::StyleLineCount);
    points->SetCount(vertices + 1);
    points->Width = 0;
    points->Closed = false;
    BeginRangeCheck();
    TBoardCoord sx = 0, sy = 0;
    ConvertPoint(start, sx, sy);
    points->SetX(0, sx);
    points->SetY(0, sy);
    points->SetBulge(0, 0.0);
    points->SetWidth(0, 0);

    const abi::TBlobReader reader = eda.StartBlobRead(d.ReadU32(abi::MLineData::BlobRef));
    bool ok = true;
    for (int32_t i = 1; i <= vertices; ++i) {
        double vertex[3] = {0.0, 0.0, 0.0};
        eda.ReadBlob3Double(reader, vertex);
        if (!(ok = TestPoint(h, "vertex coordinates", TRecordPoint{vertex[0], vertex[1]}))) break;
        TBoardCoord vx = 0, vy = 0;
        ConvertPoint(TRecordPoint{vertex[0], vertex[1]}, vx, vy);
        points->SetX(i, vx);
        points->SetY(i, vy);
        points->SetBulge(i, 0.0);
        points->SetWidth(i, 0);
        // The rest of the vertex (direction vectors and the style lines' parameters) only has
        // to be passed over. Once the data ends every read gives 0, so the style loop stops
        // there instead of asking thousands of times for nothing.
        double skipped[3];
        eda.ReadBlob3Double(reader, skipped);
        eda.ReadBlob3Double(reader, skipped);
        for (int32_t line = 0; line < styleLines; ++line) {
            bool more = true;
            for (int twice = 0; twice < 2 && more; ++twice) {
                int16_t n = 0;
                more = eda.ReadBlobShort(reader, &n) != 0;
                for (int16_t k = 0; k < n && more; ++k) {
                    double value;
                    more = eda.ReadBlobDouble(reader, &value) != 0;
                }
            }
            if (!more) break;
        }
    }
    eda.EndBlobRead(reader);
    if (ok) ok = EndRangeCheck(h, start);
    points->LayerName = EntityLayerName(h.LayerHandle());
    return ok;
}

bool TDXFProcessor::GetEllipse(const TEntityHeader& h, TEntityData& d, TPolyPoints* points) {
    Assert(points != nullptr, kModule);
    const TRecordPoint centre = d.ReadPoint(abi::EllipseData::Centre);
    const TRecordPoint major = d.ReadPoint(abi::EllipseData::MajorAxisEnd);
    const double angle = VectorAngle(TRealPoint{0.0, 0.0}, TRealPoint{major.X, major.Y});
    const double a = PointDistance(TRealPoint{0.0, 0.0}, TRealPoint{major.X, major.Y});
    const double b = a * d.ReadF64(abi::EllipseData::Ratio);
    const double start = d.ReadF64(abi::EllipseData::StartParam);
    const double span = std::fabs(start - d.ReadF64(abi::EllipseData::EndParam));

    points->SetCount(kEllipsePoints);
    points->Width = 0;
    points->Closed = false;
    BeginRangeCheck();
    const TBoardCoord cx = ToBoardX(false, centre.X);
    const TBoardCoord cy = ToBoardY(false, centre.Y);
    for (int i = 0; i < kEllipsePoints; ++i) {
        const double t = start + span * i / (kEllipsePoints - 1);
        TBoardCoord px = ToBoardX(false, std::cos(t) * a + centre.X);
        TBoardCoord py = ToBoardY(false, std::sin(t) * b + centre.Y);
        RotateBoardPoint(cx, cy, px, py, angle);
        points->SetX(i, px);
        points->SetY(i, py);
        points->SetBulge(i, 0.0);
        points->SetWidth(i, 0);
    }
    if (!EndRangeCheck(h, centre)) return false;
    points->LayerName = EntityLayerName(h.LayerHandle());
    return true;
}

// ---- Arcs of bulged segments ----------------------------------------------------------------

bool TDXFProcessor::GetBulgeArc(const TPolyPoints* points, int i, int j, TBoardCoord& cx,
                                TBoardCoord& cy, TBoardCoord& radius, double& startAngle,
                                double& endAngle) {
    Assert(points != nullptr, kModule);
    const TRealPoint p1{FromBoardX(points->X(i)), FromBoardY(points->Y(i))};
    const TRealPoint p2{FromBoardX(points->X(j)), FromBoardY(points->Y(j))};
    const double bulge = points->Bulge(i);
    const double theta = 4.0 * std::atan(bulge);
    if (!(std::fabs(theta) >= kMinBulgeAngle)) return false;
    double ccx = 0.0, ccy = 0.0, r = 0.0;
    // Coincident or non-finite end points have no arc; the segment is then left straight
    // rather than becoming an arc of radius 0 at the origin.
    if (Pad2().CalcPlineArcCenter(p1.X, p1.Y, p2.X, p2.Y, theta, &ccx, &ccy, &r) == 0) return false;
    // An arc within one board unit of its chord is that chord at board resolution; its
    // height is |bulge| times half the chord.
    const long double chord = std::hypot(static_cast<long double>(points->X(j)) - points->X(i),
                                         static_cast<long double>(points->Y(j)) - points->Y(i));
    if (std::fabs(bulge) * chord / 2 < 1.0L) return false;
    // So is one whose centre or radius lies beyond the board's range.
    const bool saved = RangeExceeded_;
    RangeExceeded_ = false;
    const TBoardCoord boardRadius = ToBoardX(false, r);
    const TBoardCoord boardX = ToBoardX(false, ccx);
    const TBoardCoord boardY = ToBoardY(false, ccy);
    const bool fits = !RangeExceeded_;
    RangeExceeded_ = saved;
    if (!fits) return false;
    radius = boardRadius;
    cx = boardX;
    cy = boardY;
    const TRealPoint c{ccx, ccy};
    if (bulge >= 0) {
        startAngle = PointAngle(p1, c);
        endAngle = PointAngle(p2, c);
    } else {
        startAngle = PointAngle(p2, c);
        endAngle = PointAngle(p1, c);
    }
    return true;
}

double TDXFProcessor::PointAngle(TRealPoint p, TRealPoint c) {
    double a = p.X == c.X ? 90.0 : std::fabs(RadToDeg(std::atan((p.Y - c.Y) / (p.X - c.X))));
    if (p.X <= c.X && p.Y > c.Y)
        a = 180.0 - a;
    else if (p.X < c.X && p.Y <= c.Y)
        a = 180.0 + a;
    else if (p.X >= c.X && p.Y < c.Y)
        a = 360.0 - a;
    return a;
}

} // namespace dxfi
