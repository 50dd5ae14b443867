// SPDX-License-Identifier: MIT
// The drawing processor: opens one drawing through the drawing engine, reads its extents and
// layers, walks model or paper space expanding blocks, inserts and dimensions, and offers every
// entity to ProcessEntity. It converts drawing coordinates to board coordinates under a stack
// of scale factors and a running offset, tests points against the walked space's extents and
// decodes each entity kind into plain board geometry (the Get operations). It knows nothing of
// PCB objects: a subclass answers the virtual operations.
//
// Failures are results: a drawing that does not load sets LoadFailed and writes the report;
// a rejected entity writes a report line and makes its Get operation return false. Programming
// errors (empty scale stack, zero drawing scale, a header read under a scale other than 1)
// raise EAssertionFailure (module "DXFProcessor").
#pragma once

#include "drawing/FormatReportNumber.h"
#include "drawing/PolyPoints.h"
#include "drawing/SplineCurve.h"
#include "engine/EngineRecords.h"
#include "pcbclient/BoardUnits.h"
#include "report/GeneralReport.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace dxfi {

// Extents in drawing units.
struct TExtents {
    double MinX = 0.0;
    double MinY = 0.0;
    double MaxX = 0.0;
    double MaxY = 0.0;
};

// One track or arc of a spline, in board units; arcs run counter-clockwise from StartAngle to
// EndAngle (degrees) about (CX, CY), from (X1, Y1) to (X2, Y2) in the curve's order.
struct TSplinePiece {
    bool Arc = false;
    TBoardCoord X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    TBoardCoord CX = 0, CY = 0, Radius = 0;
    double StartAngle = 0.0, EndAngle = 0.0;
};

// The largest distance between a spline and its tracks and arcs: 0.005 mm in board units.
inline constexpr double kSplineTolerance = 0.005 / 0.0254 * 10000.0;

// A pair of scale factors on the processor's scale stack.
class TVector {
public:
    TVector(double x, double y) : X(x), Y(y) {}
    double X;
    double Y;
};

// Blocks nested deeper than this below the walked space are not expanded. An insert (or
// dimension) that would close a cycle of blocks or nest deeper is not expanded either: it gets
// the report line "... was discarded because the block refers to itself" (or "because blocks
// are nested too deeply"), sets EntitiesDiscarded, and is still offered to ProcessEntity.
inline constexpr int kMaxBlockNesting = 32;

// The bound on block expansion, so that blocks inserting each other many times over (41
// blocks each inserting the one before twice make 2^40 copies) end in seconds with what fits.
// One walk delivers at most ExpansionBudget entities: the space's own, every entity of an
// expanded block, and for each further MINSERT copy placed at the top level as many as its
// first copy walked. An insert or dimension met when the budget is spent is not expanded: it
// gets the report line "... was discarded because the drawing expands to more than N
// entities", sets EntitiesDiscarded and is not placed. The budget is 64 entities for every
// entity the drawing stores, at least 250,000 and at most 20,000,000.
inline constexpr uint64_t kMinExpansionBudget = 250000;
inline constexpr uint64_t kExpansionPerEntity = 64;
inline constexpr uint64_t kMaxExpansionBudget = 20000000;
uint64_t ExpansionBudgetFor(uint64_t drawingEntities);

class TDXFProcessor {
public:
    // Create: edaConvertPlinesOnLoad(1), edaSetupDxfRead, edaSetupDwgRead; the defaults below;
    // pushes the scale pair (1, 1). The engine must be loaded.
    explicit TDXFProcessor(std::string fileName);
    virtual ~TDXFProcessor();
    TDXFProcessor(const TDXFProcessor&) = delete;
    TDXFProcessor& operator=(const TDXFProcessor&) = delete;

    // ---- Virtual operations, in slot order (the walk ignores their results) --------------
    virtual bool BeginImportReport(); // if ReportErrors: GetReport().BeginReport()
    virtual bool EndImportReport();   // if ReportErrors: GetReport().EndReport()
    virtual bool ProcessHeader(TDrawingHeader header);
    virtual bool ProcessLayer(const TLayerRecord& layer);
    // The entity as edaGetEntity delivered it; the Get operations may change the data record
    // (mirroring for the extrusion direction).
    virtual bool ProcessEntity(TEntityHeader& header, TEntityData& data);
    virtual bool BeginBlock(const TBlockHeaderRecord& block); // InBlock := true
    virtual bool EndBlock(const TBlockHeaderRecord& block);   // InBlock := false

    // ---- Lifecycle and file ---------------------------------------------------------------
    // False when the engine cannot open the file: LoadFailed, LoadErrorText ("Error : " + the
    // engine's text cut to 255 bytes) and, if ReportErrors, the report's error line.
    bool LoadFile();
    // Closes the drawing and forgets its handle; true when the engine closed it.
    bool CloseFile();
    void ReadFileInfo(); // ReadHeader, then ReadLayers
    void ReadHeader();
    void ReadLayers();
    bool RecomputeExtents(int16_t value);
    void ProcessDrawing();
    void ProcessModelSpace();
    void ProcessPaperSpace();
    abi::TEntityListHandle BlockEntityList(const char* name);
    // The walk of one entity list; offsets are restored on return and never overflow.
    void ProcessEntities(abi::TEntityListHandle list, TBoardCoord dx, TBoardCoord dy);
    void ProcessBlock(const TBlockHeaderRecord& block, TBoardCoord dx, TBoardCoord dy);
    void SetProgressHandler(abi::TLoadometerFn callback);

    // ---- Coordinates ----------------------------------------------------------------------
    // X * ScaleX / DrawingScale to the nearest integer, ties to even, in extended precision.
    // Strict: a quotient above 2147483647 (or not a number) raises EInvalidOperation.
    // Otherwise out-of-range results saturate (dxfi::RoundToInt32).
    TBoardCoord ToBoardX(bool strict, double x) const;
    TBoardCoord ToBoardY(bool strict, double y) const;
    TBoardCoord ToBoardLength(double length) const;
    double FromBoardX(TBoardCoord i) const;
    double FromBoardY(TBoardCoord i) const;
    double ScaleX() const;
    double ScaleY() const;
    void PushScale(double x, double y);
    void PopScale();
    bool InValidArea(double x, double y);
    double DrawingScale() const; // asserts that it is not 0
    void SetDrawingScale(double scale);

    // ---- Names and reports ----------------------------------------------------------------
    static std::string LayerName(const TLayerRecord& layer);
    static bool LayerVisible(const TLayerRecord& layer);
    // Seeks the layer and copies its name into LayerNameBuffer; valid until the next call.
    const char* EntityLayerName(abi::TObjectHandle layer);
    // The layer handle whose name the last EntityLayerName call copied into LayerNameBuffer;
    // false before the first call.
    bool LayerNameHandle(abi::TObjectHandle& handle) const {
        handle = LayerNameHandle_;
        return LayerNameFilled_;
    }
    // The block's name in one buffer shared by all processors; valid until the next call.
    static const char* BlockName(const TBlockHeaderRecord& block);
    TGeneralReport& GetReport();
    bool ImportSucceeded() const;
    void ImportMessages(std::string& text) const;

    // True while ProcessEntity receives an insert or dimension whose block the walk did not
    // expand (missing, cyclic, nested too deeply, over the budget): it is not to be placed.
    bool ExpansionRefused() const { return ExpansionRefused_; }

    // ---- Entity conversion -----------------------------------------------------------------
    TEntityKind EntityKind(const TEntityHeader* header) const;
    static std::string_view EntityKindName(TEntityKind kind);
    std::string_view EntityName(const TEntityHeader& header) const;
    // If ReportErrors: WriteLine(EntityName + " was discarded " + reason). Changes no flag.
    void DiscardEntity(const TEntityHeader& header, std::string_view reason);
    void DiscardInvalidPoint(const TEntityHeader& header, std::string_view pointKind, double x,
                             double y);
    // Along Z when X and Y are each 0 or below 1e-12 of the vector's length (the noise of a CAD
    // program's arithmetic); other directions are reported and set EntitiesDiscarded.
    bool CheckExtrusion(const TEntityHeader& header);
    // CheckExtrusion; then a Z below 0 (the entity seen from below) negates `value`.
    bool MirrorForExtrusion(const TEntityHeader& header, double& value);
    // An entity of no converted kind (its record names its type and the problem, see
    // abi::OtherData): a report line with its name and why. Those a user expects on the board
    // (2D kinds, numbers out of range) set EntitiesDiscarded; 3D-only kinds and meshes get
    // their line alone; viewports and attribute definitions, which draw nothing of their own,
    // nothing. Block starts are no such entity.
    void DiscardUnconverted(const TEntityHeader& header, const TEntityData& data);
    // The same tests without a report: along Z, and along Z pointing down.
    static bool ExtrusionAlongZ(const TEntityHeader& header);
    static bool ExtrusionMirrors(const TEntityHeader& header);

    bool GetLine(const TEntityHeader& h, TEntityData& d, TBoardCoord& x1, TBoardCoord& y1,
                 TBoardCoord& x2, TBoardCoord& y2, const char*& layer);
    bool GetPolylineHeader(const TEntityHeader& h, TEntityData& d, TBoardCoord& width, bool& closed,
                           const char*& layer);
    bool GetVertex(const TEntityHeader& h, TEntityData& d, TBoardCoord& x, TBoardCoord& y,
                   TBoardCoord& width, double& bulge, const char*& layer);
    bool GetLwPolyline(const TEntityHeader& h, TEntityData& d, TPolyPoints* points);
    bool GetCircle(const TEntityHeader& h, TEntityData& d, TBoardCoord& x, TBoardCoord& y,
                   TBoardCoord& radius, const char*& layer);
    bool GetArc(const TEntityHeader& h, TEntityData& d, TBoardCoord& x, TBoardCoord& y,
                TBoardCoord& radius, double& startAngle, double& endAngle, const char*& layer);
    // BlockName receives at most 255 bytes + NUL; `blockName` holds 256 bytes.
    bool GetInsert(const TEntityHeader& h, TEntityData& d, TBoardCoord& x, TBoardCoord& y,
                   double& rotation, char* blockName);
    bool GetText(const TEntityHeader& h, TEntityData& d, TBoardCoord& x, TBoardCoord& y,
                 TBoardCoord& height, int32_t& mirror, double& rotation, std::string_view& text,
                 const char*& layer);
    bool GetMText(const TEntityHeader& h, TEntityData& d, TBoardCoord& x, TBoardCoord& y,
                  TBoardCoord& height, int32_t& mirror, double& rotation, std::string_view& text,
                  const char*& layer);
    bool GetDimension(const TEntityHeader& h, TEntityData& d, TBoardCoord& x, TBoardCoord& y,
                      double& angle, char* blockName);
    bool GetPoint(const TEntityHeader& h, TEntityData& d, TBoardCoord& x, TBoardCoord& y,
                  const char*& layer);
    // Corners in outline order: first, second, fourth, third.
    bool GetSolid(const TEntityHeader& h, TEntityData& d, TBoardCoord& x1, TBoardCoord& y1,
                  TBoardCoord& x2, TBoardCoord& y2, TBoardCoord& x4, TBoardCoord& y4,
                  TBoardCoord& x3, TBoardCoord& y3, const char*& layer);
    bool GetTrace(const TEntityHeader& h, TEntityData& d, TBoardCoord& x1, TBoardCoord& y1,
                  TBoardCoord& x2, TBoardCoord& y2, TBoardCoord& x4, TBoardCoord& y4,
                  TBoardCoord& x3, TBoardCoord& y3, const char*& layer);
    bool GetMLine(const TEntityHeader& h, TEntityData& d, TPolyPoints* points);
    bool GetEllipse(const TEntityHeader& h, TEntityData& d, TPolyPoints* points);
    // A SPLINE as tracks and arcs within kSplineTolerance of the curve at the current scale.
    // The pieces' end points are tested against the extents like polyline vertices. False,
    // with the report line naming the problem and EntitiesDiscarded set, when the spline is
    // degenerate, its data is malformed or a point lies outside; `pieces` is then empty.
    bool GetSpline(const TEntityHeader& h, TEntityData& d, std::vector<TSplinePiece>& pieces,
                   const char*& layer);
    // The arc from point i to point j described by point i's bulge; false for a segment that
    // is straight at board resolution (|4 atan(bulge)| < 1e-5, an arc within one board unit of
    // its chord, or one whose centre or radius lie beyond the board's range) and for end points
    // that have no arc (coincident, not finite), outputs untouched: the caller draws the chord.
    // Angles in degrees, counter-clockwise from start to end.
    bool GetBulgeArc(const TPolyPoints* points, int i, int j, TBoardCoord& cx, TBoardCoord& cy,
                     TBoardCoord& radius, double& startAngle, double& endAngle);
    // Direction from c to p in degrees, in drawing units; p = c gives 90.
    static double PointAngle(TRealPoint p, TRealPoint c);

    // ---- Fields (declaration order of the processor) --------------------------------------
    abi::TDrawingHandle FileHandle = 0;
    char LayerNameBuffer[256] = {};
    std::string FileName;
    bool ReportErrors = false;
    bool LoadFailed = false;
    std::string LoadErrorText;
    bool InBlock = false;
    int32_t ExtentsWidth = 0;
    int32_t ExtentsHeight = 0;
    uint8_t SpacesToImport = 0;
    TBoardCoord DefaultLineWidth = 50000;
    TBoardCoord InsertionPointX = 0;
    TBoardCoord InsertionPointY = 0;
    TBoardCoord OffsetX = 0;
    TBoardCoord OffsetY = 0;
    TExtents ValidArea;
    TExtents PaperExtents;
    TExtents ModelExtents;
    bool EntitiesDiscarded = false;
    bool ExplodeBlocks = false;
    // Entities one walk may deliver; LoadFile sets it from the drawing's size.
    uint64_t ExpansionBudget = kMinExpansionBudget;
    // The drawing's units as its header declares them ($INSUNITS codes: 1 inch, 4 mm, ...);
    // 0 when it declares none. Read by ReadHeader.
    int16_t DrawingUnits = 0;

protected:
    double DrawingScale_ = 10000.0;
    std::unique_ptr<TGeneralReport> Report_;
    std::vector<TVector> ScaleStack_;
    // Entity lists being walked (the space's, then each expanded block's), innermost last:
    // the guard against blocks that insert themselves.
    std::vector<abi::TEntityListHandle> ActiveLists_;
    uint64_t Walked_ = 0; // entities delivered by the current walk
    // The entity being walked: its list (high half) and place in it.
    uint64_t Position_ = 0;
    std::unordered_set<uint64_t> RefusalsReported_; // positions whose refusal has its line
    bool ExpansionRefused_ = false;
    abi::TObjectHandle LayerNameHandle_ = 0; // see LayerNameHandle
    bool LayerNameFilled_ = false;

    // Range of the board conversions. Every non-strict conversion whose result does not fit
    // the 32-bit board range saturates and notes it; a Get operation starts with
    // BeginRangeCheck and ends with EndRangeCheck, which reports the entity ("because its
    // coordinates lie beyond the board's range at this scale (x,y)", the first drawing point
    // that did not fit, else `where`), sets EntitiesDiscarded and answers false.
    void BeginRangeCheck() const;
    bool EndRangeCheck(const TEntityHeader& header, TRecordPoint where);
    // Converts a drawing point, remembering it when it does not fit the board's range, there
    // or once the offsets of the block being walked are subtracted.
    void ConvertPoint(TRecordPoint p, TBoardCoord& x, TBoardCoord& y) const;

private:
    // False, with a report line for the insert or dimension, EntitiesDiscarded and
    // ExpansionRefused set, when its block is missing or walking it now would close a cycle of
    // blocks, nest deeper than kMaxBlockNesting or overrun the ExpansionBudget.
    bool MayExpand(const TEntityHeader& header, const TEntityData& data,
                   abi::TEntityListHandle list);
    // The walk of one INSERT or MINSERT; true when ProcessEntity already received it (once for
    // every copy placed at the top level). `rejected` when it was discarded with a line of its
    // own (an offset beyond the board's range).
    bool WalkInsert(TEntityRecord& entity, bool& rejected);
    // The walk's verdict on the block reference or dimension it just met: discarded with a
    // line of its own (an offset beyond the board's range), so its Get operation answers false
    // without a second line.
    bool WalkRejected_ = false;
    // A polyline's or vertex's width in board units; false, with the entity reported ("because
    // its width lies beyond the board's range at this scale (w)") and EntitiesDiscarded set,
    // when it does not fit.
    bool WidthToBoard(const TEntityHeader& h, double value, TBoardCoord& width);
    // The POLYLINE being walked is seen from below: its vertices are mirrored in X.
    bool VertexMirror_ = false;
    // Set while walking a block list whose base point does not fit the board's range.
    bool BaseOutOfRange_ = false;
    TRecordPoint BasePoint_;
    mutable bool RangeExceeded_ = false;
    mutable bool RangePointKnown_ = false;
    mutable TRecordPoint RangePoint_;
    // Reports a reference that the walk does not expand because an offset does not fit.
    void DiscardReference(const TEntityHeader& header, std::string_view what, TRecordPoint p);
    // The point test of one point kind: InValidArea, and DiscardInvalidPoint when it fails.
    bool TestPoint(const TEntityHeader& header, std::string_view pointKind, TRecordPoint p);
    // MirrorForExtrusion on the double at `offset` of the data record, written back.
    bool MirrorInRecord(const TEntityHeader& header, TEntityData& data, int offset);
};

// The floating-point invalid-operation error of the strict conversions.
class EInvalidOperation : public std::runtime_error {
public:
    EInvalidOperation() : std::runtime_error("Invalid floating point operation") {}
};

} // namespace dxfi
