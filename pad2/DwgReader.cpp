// SPDX-License-Identifier: MIT
#include "pad2/DwgReader.h"

#include "pad2/CodePages.h"
#include "pad2/ColourIndex.h"
#include "pad2/DwgBits.h"
#include "pad2/DwgFile.h"
#include "pad2/DxfError.h"
#include "pad2/EntityCodes.h"
#include "pad2/Extents.h"
#include "pad2/MTextPlain.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace pad2 {
namespace {

using namespace dxfi::abi;

constexpr std::size_t kNameMax = 255;
constexpr std::size_t kTextMax = kEntityDataSize - TextData::Text - 1;
constexpr std::size_t kMTextMax = kEntityDataSize - MTextData::Text - 1;
// As in the DXF reader: how many raw bytes can matter for a field of `max` bytes.
constexpr std::size_t RawTextMax(std::size_t max) {
    return 8 * max + 24;
}

TDwgStats gStats;

// Object type numbers of the fixed types.
enum : uint32_t {
    tText = 1,
    tAttrib = 2,
    tAttDef = 3,
    tBlock = 4,
    tEndBlk = 5,
    tSeqEnd = 6,
    tInsert = 7,
    tMInsert = 8,
    tVertex2D = 10,
    tVertex3D = 11,
    tVertexMesh = 12,
    tVertexPFace = 13,
    tVertexPFaceFace = 14,
    tPolyline2D = 15,
    tPolyline3D = 16,
    tArc = 17,
    tCircle = 18,
    tLine = 19,
    tDimOrdinate = 20,
    tDimLinear = 21,
    tDimAligned = 22,
    tDimAng3Pt = 23,
    tDimAng2Ln = 24,
    tDimRadius = 25,
    tDimDiameter = 26,
    tPoint = 27,
    t3DFace = 28,
    tPolylinePFace = 29,
    tPolylineMesh = 30,
    tSolid = 31,
    tTrace = 32,
    tShape = 33,
    tViewport = 34,
    tEllipse = 35,
    tSpline = 36,
    tRegion = 37,
    t3DSolid = 38,
    tBody = 39,
    tRay = 40,
    tXLine = 41,
    tOleFrame = 43,
    tMText = 44,
    tLeader = 45,
    tTolerance = 46,
    tMLine = 47,
    tBlockControl = 48,
    tBlockHeader = 49,
    tLayerControl = 50,
    tLayer = 51,
    tOle2Frame = 74,
    tLwPolyline = 77,
    tHatch = 78,
};

// The engine code of an entity kind that keeps only its layer, by DXF name (as the DXF reader
// files them), or 0 when the name is a kind with fields.
uint16_t OtherCodeOf(std::string_view name) {
    static constexpr struct {
        std::string_view Name;
        uint16_t Code;
    } kOthers[] = {
        {"3DFACE", kCode3DFace},       {"HATCH", kCodeHatch},     {"LEADER", kCodeLeader},
        {"MULTILEADER", kCodeMLeader}, {"MLEADER", kCodeMLeader}, {"REGION", kCodeRegion},
        {"3DSOLID", kCode3DSolid},     {"BODY", kCodeBody},       {"IMAGE", kCodeImage},
        {"VIEWPORT", kCodeViewport},   {"XLINE", kCodeXLine},     {"RAY", kCodeRay},
        {"TOLERANCE", kCodeTolerance}, {"WIPEOUT", kCodeWipeout}, {"ATTDEF", kCodeAttDef},
        {"SHAPE", kCodeShape},         {"OLEFRAME", kCodeOle},    {"OLE2FRAME", kCodeOle},
        {"SPLINE", kCodeSpline},
    };
    for (const auto& o : kOthers)
        if (o.Name == name) return o.Code;
    return kCodeOtherEntity;
}

// The DXF name of an engine code that keeps only its layer, for the entity's record.
std::string_view OtherNameOf(uint16_t code) {
    switch (code) {
    case kCode3DFace:
        return "3DFACE";
    case kCodeHatch:
        return "HATCH";
    case kCodeLeader:
        return "LEADER";
    case kCodeMLeader:
        return "MULTILEADER";
    case kCodeRegion:
        return "REGION";
    case kCode3DSolid:
        return "3DSOLID";
    case kCodeBody:
        return "BODY";
    case kCodeImage:
        return "IMAGE";
    case kCodeViewport:
        return "VIEWPORT";
    case kCodeXLine:
        return "XLINE";
    case kCodeRay:
        return "RAY";
    case kCodeTolerance:
        return "TOLERANCE";
    case kCodeWipeout:
        return "WIPEOUT";
    case kCodeAttDef:
        return "ATTDEF";
    case kCodeShape:
        return "SHAPE";
    case kCodeOle:
        return "OLE2FRAME";
    default:
        return "";
    }
}

// The DXF name of a kind the reader converts, for the report of one it cannot deliver.
std::string_view DxfNameOf(uint32_t type) {
    if (type >= tDimOrdinate && type <= tDimDiameter) return "DIMENSION"; // all seven kinds
    switch (type) {
    case tText:
        return "TEXT";
    case tInsert:
        return "INSERT";
    case tMInsert:
        return "MINSERT";
    case tArc:
        return "ARC";
    case tCircle:
        return "CIRCLE";
    case tLine:
        return "LINE";
    case tPoint:
        return "POINT";
    case tSolid:
        return "SOLID";
    case tTrace:
        return "TRACE";
    case tEllipse:
        return "ELLIPSE";
    case tMText:
        return "MTEXT";
    case tMLine:
        return "MLINE";
    case tSpline:
        return "SPLINE";
    case tPolyline2D:
    case tPolyline3D:
        return "POLYLINE";
    default:
        return "LWPOLYLINE"; // the one class-numbered kind with fields
    }
}

uint16_t FixedOtherCode(uint32_t type) {
    switch (type) {
    case tAttDef:
        return kCodeAttDef;
    case t3DFace:
        return kCode3DFace;
    case tShape:
        return kCodeShape;
    case tViewport:
        return kCodeViewport;
    case tSpline:
        return kCodeSpline;
    case tRegion:
        return kCodeRegion;
    case t3DSolid:
        return kCode3DSolid;
    case tBody:
        return kCodeBody;
    case tRay:
        return kCodeRay;
    case tXLine:
        return kCodeXLine;
    case tOleFrame:
    case tOle2Frame:
        return kCodeOle;
    case tLeader:
        return kCodeLeader;
    case tTolerance:
        return kCodeTolerance;
    case tHatch:
        return kCodeHatch;
    default:
        return kCodeOtherEntity;
    }
}

// The DWG code page numbers and the Windows code page each stands for.
int WindowsCodePage(unsigned dwg) {
    switch (dwg) {
    case 28:
        return 1250;
    case 29:
        return 1251;
    case 30:
        return 1252;
    case 32:
        return 1253;
    case 33:
        return 1254;
    case 34:
        return 1255;
    case 35:
        return 1256;
    case 36:
        return 1257;
    case 37:
        return 874;
    case 38:
        return 932;
    case 39:
        return 936;
    case 40:
        return 949;
    case 41:
        return 950;
    case 42:
        return 1361;
    case 44:
        return 1258;
    default:
        return 1252;
    }
}

// The object map: handle -> offset of the object, with a mark for entities already placed
// in a list. Open addressing in one array, so that the map costs no allocation per object.
class THandleMap {
public:
    // 16 bytes: the handle, and the offset with a "full" and a "used" mark in its top bits.
    struct TSlot {
        uint64_t Handle = 0;
        uint64_t Bits = 0;
        static constexpr uint64_t kFull = uint64_t{1} << 63, kUsed = uint64_t{1} << 62;
        bool Full() const { return (Bits & kFull) != 0; }
        bool Used() const { return (Bits & kUsed) != 0; }
        uint64_t Offset() const { return Bits & (kUsed - 1); }
    };

    void Reserve(std::size_t n) {
        std::size_t capacity = 16;
        while (capacity < 2 * n)
            capacity *= 2;
        if (capacity > Slots_.size()) Rehash(capacity);
    }
    // Offsets beyond 2^62 (no section is that large) are kept as 2^62 - 1.
    void Set(uint64_t handle, uint64_t offset) {
        if (2 * (Size_ + 1) > Slots_.size()) Rehash(std::max<std::size_t>(16, 2 * Slots_.size()));
        TSlot& s = Probe(handle);
        if (!s.Full()) {
            s.Handle = handle;
            ++Size_;
        }
        s.Bits = TSlot::kFull | std::min(offset, TSlot::kUsed - 1);
    }
    TSlot* Find(uint64_t handle) {
        if (Slots_.empty()) return nullptr;
        TSlot& s = Probe(handle);
        return s.Full() ? &s : nullptr;
    }
    std::size_t Size() const { return Size_; }
    const std::vector<TSlot>& Slots() const { return Slots_; }

private:
    TSlot& Probe(uint64_t handle) {
        const std::size_t mask = Slots_.size() - 1;
        std::size_t i = static_cast<std::size_t>((handle * 0x9E3779B97F4A7C15ull) >> Shift_) & mask;
        while (Slots_[i].Full() && Slots_[i].Handle != handle)
            i = (i + 1) & mask;
        return Slots_[i];
    }
    void Rehash(std::size_t capacity) {
        std::vector<TSlot> old(capacity);
        old.swap(Slots_);
        Shift_ = 64;
        for (std::size_t c = capacity; c > 1; c >>= 1)
            --Shift_;
        for (const TSlot& s : old)
            if (s.Full()) Probe(s.Handle) = s;
    }
    std::vector<TSlot> Slots_;
    std::size_t Size_ = 0;
    unsigned Shift_ = 60; // the top bits of the product pick the slot
};

// One object located through the map: its type, handle and the three streams.
struct TObject {
    uint32_t Type = 0;
    uint64_t Handle = 0;
    TDwgBits Data;    // the fields, up to the handle (or string) stream
    TDwgBits Refs;    // the handle stream
    TDwgBits Strings; // R2007+: the texts
};

// What every entity carries before its own fields.
struct TCommon {
    uint32_t Layer = kNoIndex;
    uint64_t Next = 0; // R2000: the next entity of its list
    unsigned EntMode = 0;
};

// What a block header holds before its references.
struct TBlockHead {
    uint32_t Reactors = 0;
    bool XdicMissing = false;
    bool Anonymous = false;
    bool External = false; // an external reference or overlay: it owns no entities
    uint32_t Count = 0;    // R2004+: the entities it owns
    double Base[3] = {};
};

struct TClass {
    std::string Name;
    bool Entity = false;
};

class TDwgReader {
public:
    TDwgReader(const uint8_t* data, std::size_t size, const std::string& fileName,
               const TReadCallbacks& callbacks, TDwgVersion version)
        : Data_(data), Size_(size), FileName_(fileName), Callbacks_(callbacks), V_(version),
          D_(std::make_unique<TDrawing>()) {}

    std::unique_ptr<TDrawing> Read();

private:
    bool R04() const { return V_ >= TDwgVersion::R2004; }
    // From R2007 on, texts are UTF-16 and objects keep them in a string stream of their own.
    bool R07() const { return V_ >= TDwgVersion::R2007; }
    bool R10() const { return V_ >= TDwgVersion::R2010; }
    bool R13() const { return V_ >= TDwgVersion::R2013; }
    bool R18() const { return V_ >= TDwgVersion::R2018; }
    bool ExtraSizeLong() const { return R18() || (R10() && S_.Maintenance > 3); }

    [[noreturn]] void Damaged(const std::string& what) const {
        throw EDxfError{ecBadValue,
                        FileName_ + " is damaged: " + what +
                            ". Open it in AutoCAD and save it again, or save it as DXF."};
    }

    void ReadHeaderVariables();
    int16_t ReadUnitsVariable(TDwgBits& b);
    void ReadControlHandles();
    uint32_t TypeAt(uint64_t handle);
    void ReadClasses();
    void ReadObjectMap();
    bool Open(uint64_t handle, TObject& o);
    // Marks an entity as placed in a list; false when it already was (a loop or a damaged
    // link: stopping there keeps the walk linear).
    bool MarkUsed(uint64_t handle) {
        THandleMap::TSlot* slot = Map_.Find(handle);
        if (!slot) return true; // not in the map: it fails to open
        if (slot->Used()) return false;
        slot->Bits |= THandleMap::TSlot::kUsed;
        return true;
    }
    void Text(TObject& o, std::string& out) {
        if (R07())
            o.Strings.TU(out);
        else
            o.Data.T8(out);
    }
    void SkipText(TObject& o) { Text(o, Scratch_); }
    void SkipColour(TDwgBits& b);
    void ObjectCommon(TObject& o, uint32_t& reactors, bool& xdicMissing);
    void SkipObjectRefs(TObject& o, uint32_t reactors, bool xdicMissing);
    bool EntityCommon(TObject& o, TCommon& c);
    uint64_t Ref(TObject& o) { return o.Refs.H().Resolve(o.Handle); }

    bool ReadTableControl(uint64_t control, uint32_t type, const char* table, TObject& o,
                          std::vector<uint64_t>& entries);
    void EntryStart(TObject& o, std::string& name, uint32_t& reactors, bool& xdicMissing);
    void ReadBlockHead(TObject& b, std::string& name, TBlockHead& h);
    void ReadLayers(uint64_t control);
    void ReadBlocks(uint64_t control);
    void ReadBlockEntities(uint32_t block, uint64_t header);
    void WalkList(uint32_t block, const std::vector<uint64_t>& owned, uint64_t first, uint64_t last,
                  bool linked);
    // Opens an entity of a list; false, counting it as skipped, when it cannot be opened, and
    // false with `next` cleared when the list met it before.
    bool OpenListed(uint64_t handle, TObject& o, uint64_t& next);
    void ReadEntity(uint32_t block, uint64_t handle, uint64_t& next);
    bool StoreEntity(uint32_t block, TObject& o, const TCommon& c);
    void ReadPolyline(uint32_t block, TObject& o, const TCommon& c, bool is3D);
    bool ReadSpline(uint32_t block, TObject& o, const TCommon& c);

    uint32_t NewEntity(uint16_t code, uint32_t layer, uint32_t block) {
        const uint32_t index = D_->NewEntity(code, layer, block, FileName_);
        ++gStats.Entities;
        return index;
    }
    // An entity delivered with the OtherData record: its DXF type name and the problem.
    void NewOther(uint16_t code, std::string_view name, uint8_t problem, uint32_t layer,
                  uint32_t block);
    void Push(std::initializer_list<double> values);
    void PushExtrusion(uint32_t entity, const double e[3]);
    std::string_view Decode(const std::string& raw, std::size_t max);
    uint32_t NewBlob() { return D_->NewBlob(FileName_); }
    // The block whose header the object's next handle names; kNoIndex for an unknown one.
    uint32_t BlockOfHeader(TObject& o) {
        const auto it = BlockOf_.find(Ref(o));
        return it != BlockOf_.end() ? it->second : kNoIndex;
    }
    // An entity of a type whose data is not read (a SPLINE gets a record that says so).
    void StoreOther(uint16_t code, uint32_t layer, uint32_t block);
    bool Finite() const;

    const uint8_t* Data_;
    std::size_t Size_;
    const std::string& FileName_;
    const TReadCallbacks& Callbacks_;
    TDwgVersion V_;
    TDwgSections S_;
    std::unique_ptr<TDrawing> D_;
    TTextDecoder Decoder_;
    TMultibyteDecoder Multibyte_;
    std::string Decoded_, Scratch_, Raw_;

    THandleMap Map_;              // handle -> offset in S_.Objects
    std::vector<TClass> Classes_; // index: class number - 500
    std::unordered_map<uint64_t, uint32_t> LayerOf_;
    std::unordered_map<uint64_t, uint32_t> BlockOf_;
    std::vector<std::pair<uint32_t, uint64_t>> BlockHeaders_; // block index, header handle
    uint64_t ModelHandle_ = 0, PaperHandle_ = 0;
    uint32_t Layer0_ = kNoIndex;
    std::vector<double> Pending_; // the doubles of the entity being stored
    std::vector<double> Knots_, Controls_, Weights_, Fits_; // of the spline being read
    std::vector<uint64_t> Owned_;

    double ExtMin_[3] = {}, ExtMax_[3] = {}, PExtMin_[3] = {}, PExtMax_[3] = {};
    bool HasExt_ = false, HasPExt_ = false;
    int16_t InsUnits_ = 0;                         // 0 = not declared
    TDwgBits HeaderRefs_;                          // R2010+: the header's handle stream
    uint64_t BlockControl_ = 0, LayerControl_ = 0; // as the header names them
};

// ---- sections -------------------------------------------------------------------------------

void TDwgReader::SkipColour(TDwgBits& b) {
    if (!R04()) {
        b.BS();
        return;
    }
    b.BS();
    b.BL();
    const uint8_t flags = b.RC();
    // Names are texts: in the data stream before R2007, in the string stream after.
    if (!R07()) {
        if (flags & 1) b.T8(Scratch_);
        if (flags & 2) b.T8(Scratch_);
    }
}

void TDwgReader::ReadHeaderVariables() {
    TDwgBits b(S_.Header, S_.HeaderSize);
    b.SkipBytes(16);
    const uint32_t size = b.RL();
    if (ExtraSizeLong()) b.RL();
    if (R07()) {
        // R2007+: the handles lie in their own stream, from this field's start + its value.
        const uint64_t bitsAt = b.Pos();
        const uint32_t bits = b.RL();
        try {
            HeaderRefs_ = b;
            HeaderRefs_.Limit(b.Pos() + uint64_t{size} * 8);
            HeaderRefs_.Seek(bitsAt + bits);
        } catch (const EDwgOverrun&) {
            HeaderRefs_ = TDwgBits(); // the tables are then looked for among all objects
        }
    }
    b.Limit(b.Pos() + uint64_t{size} * 8);
    // From R2007 on, texts and handles are kept in streams of their own after the numbers.
    const bool r07 = R07();
    const auto tv = [&] {
        if (!r07) b.T8(Scratch_);
    };
    const auto h = [&] {
        if (!r07) b.H();
    };
    if (R13()) b.BLL();
    for (int i = 0; i < 4; ++i)
        b.BD();
    for (int i = 0; i < 4; ++i)
        tv();
    b.BL();
    b.BL();
    if (!R04()) h();
    b.Skip(2 + 7 + (R04() ? 1 : 0) + 11);
    for (int i = 0; i < 8; ++i)
        b.BS();
    if (R04())
        for (int i = 0; i < 3; ++i)
            b.BL();
    for (int i = 0; i < 19; ++i)
        b.BS();
    for (int i = 0; i < 21; ++i)
        b.BD();
    tv(); // MENUNAME
    for (int i = 0; i < 8 + (R04() ? 3 : 0); ++i)
        b.BL();
    SkipColour(b);
    b.H(); // HANDSEED stays in the data stream
    for (int i = 0; i < 5; ++i)
        h();
    b.BD(); // PSVPSCALE
    double ins[3];
    b.BD3(ins);
    b.BD3(PExtMin_);
    b.BD3(PExtMax_);
    HasPExt_ = true;
    double skip[3];
    b.RD2(skip);
    b.RD2(skip);
    b.BD();
    for (int i = 0; i < 3; ++i)
        b.BD3(skip);
    h();
    h();
    b.BS();
    h();
    for (int i = 0; i < 6; ++i)
        b.BD3(skip);
    b.BD3(ins);
    b.BD3(ExtMin_);
    b.BD3(ExtMax_);
    HasExt_ = true;
    for (int i = 0; i < 3; ++i) {
        HasExt_ = HasExt_ && std::isfinite(ExtMin_[i]) && std::isfinite(ExtMax_[i]);
        HasPExt_ = HasPExt_ && std::isfinite(PExtMin_[i]) && std::isfinite(PExtMax_[i]);
    }
    // The declared units lie about a hundred variables further on; a damaged tail leaves
    // them undeclared but keeps the extents.
    try {
        InsUnits_ = ReadUnitsVariable(b);
    } catch (const EDwgOverrun&) {
        InsUnits_ = 0;
    }
}

// R2007+: the block and layer control objects from the header's handle stream, where 20
// handles (current layer, styles, UCS and dimension settings) come first.
void TDwgReader::ReadControlHandles() {
    TDwgBits& r = HeaderRefs_;
    for (int i = 0; i < 20; ++i)
        r.H();
    BlockControl_ = r.H().Value;
    LayerControl_ = r.H().Value;
}

// Reads on from just after the model space's EXTMAX to INSUNITS, variable by variable,
// and returns INSUNITS. Handles of R2007+ are in the handle stream and texts in the string
// stream, so only the data stream's fields are read there.
int16_t TDwgReader::ReadUnitsVariable(TDwgBits& b) {
    const bool r10 = R10(), r07 = R07();
    const auto tv = [&] {
        if (!r07) b.T8(Scratch_);
    };
    const auto h = [&] {
        if (!r07) b.H();
    };
    double skip[3];
    b.RD2(skip); // LIMMIN
    b.RD2(skip); // LIMMAX
    b.BD();      // ELEVATION
    for (int i = 0; i < 3; ++i)
        b.BD3(skip); // UCSORG, UCSXDIR, UCSYDIR
    h();             // UCSNAME
    h();             // UCSORTHOREF
    b.BS();          // UCSORTHOVIEW
    h();             // UCSBASE
    for (int i = 0; i < 6; ++i)
        b.BD3(skip); // UCSORGTOP ... UCSORGBACK
    tv();            // DIMPOST
    tv();            // DIMAPOST
    for (int i = 0; i < 9; ++i)
        b.BD(); // DIMSCALE ... DIMTM
    if (r07) {
        b.BD(); // DIMFXL
        b.BD(); // DIMJOGANG
        b.BS(); // DIMTFILL
        SkipColour(b);
    }
    b.Skip(6); // DIMTOL, DIMLIM, DIMTIH, DIMTOH, DIMSE1, DIMSE2
    for (int i = 0; i < 3; ++i)
        b.BS();      // DIMTAD, DIMZIN, DIMAZIN
    if (r07) b.BS(); // DIMARCSYM
    for (int i = 0; i < 8; ++i)
        b.BD(); // DIMTXT ... DIMGAP
    b.BD();     // DIMALTRND
    b.B();      // DIMALT
    b.BS();     // DIMALTD
    b.Skip(4);  // DIMTOFL, DIMSAH, DIMTIX, DIMSOXD
    for (int i = 0; i < 3; ++i)
        SkipColour(b); // DIMCLRD, DIMCLRE, DIMCLRT
    for (int i = 0; i < 11; ++i)
        b.BS(); // DIMADEC ... DIMTMOVE, DIMJUST
    b.Skip(2);  // DIMSD1, DIMSD2
    for (int i = 0; i < 4; ++i)
        b.BS();     // DIMTOLJ, DIMTZIN, DIMALTZ, DIMALTTZ
    b.B();          // DIMUPT
    b.BS();         // DIMATFIT
    if (r07) b.B(); // DIMFXLON
    if (r10) {
        b.B();  // DIMTXTDIRECTION
        b.BD(); // DIMALTMZF
        tv();   // DIMALTMZS
        b.BD(); // DIMMZF
        tv();   // DIMMZS
    }
    for (int i = 0; i < 5; ++i)
        h(); // DIMTXSTY, DIMLDRBLK, DIMBLK, DIMBLK1, DIMBLK2
    if (r07)
        for (int i = 0; i < 3; ++i)
            h(); // DIMLTYPE, DIMLTEX1, DIMLTEX2
    b.BS();      // DIMLWD
    b.BS();      // DIMLWE
    if (!r07) {
        BlockControl_ = b.H().Value;
        LayerControl_ = b.H().Value;
    }
    for (int i = 0; i < 7; ++i)
        h();         // the other control objects
    if (!R04()) h(); // the viewport entity header control
    for (int i = 0; i < 3; ++i)
        h(); // ACAD_GROUP, ACAD_MLINESTYLE, named objects
    b.BS();  // TSTACKALIGN
    b.BS();  // TSTACKSIZE
    tv();    // HYPERLINKBASE
    tv();    // STYLESHEET
    for (int i = 0; i < 3; ++i)
        h(); // LAYOUTS, PLOTSETTINGS, PLOTSTYLES
    if (R04()) {
        h(); // MATERIALS
        h(); // COLORS
    }
    if (r07) h(); // VISUALSTYLE
    if (R13()) h();
    b.BL(); // CELWEIGHT, ENDCAPS, ... as flags
    return static_cast<int16_t>(b.BS());
}

namespace {

// R2007 and later keep the texts of a section or an object in a stream at the end of its data,
// flagged by the bit just before `end` and found backwards from there. When the flag is set,
// narrows `strings` to the stream, sets `streamStart` to where it begins (where the data before
// it ends) and returns true; `strings` must be limited to `end` and `end` must be at least 1.
bool FindStringStream(TDwgBits& strings, uint64_t end, uint64_t& streamStart) {
    strings.Seek(end - 1);
    if (!strings.B()) return false;
    if (end < 17) throw EDwgOverrun{};
    strings.Seek(end - 17);
    uint64_t length = strings.RS();
    uint64_t from = end - 17;
    if (length & 0x8000) {
        if (end < 33) throw EDwgOverrun{};
        strings.Seek(end - 33);
        length = (length & 0x7FFF) | (uint64_t{strings.RS()} << 15);
        from = end - 33;
    }
    if (length > from) throw EDwgOverrun{};
    strings.Seek(from - length);
    strings.Limit(from);
    streamStart = from - length;
    return true;
}

} // namespace

void TDwgReader::ReadClasses() {
    TDwgBits b(S_.Classes, S_.ClassesSize);
    b.SkipBytes(16);
    const uint32_t size = b.RL();
    if (ExtraSizeLong()) b.RL();
    const uint64_t dataStart = b.Pos();
    uint64_t dataEnd = dataStart + uint64_t{size} * 8;
    TDwgBits strings;
    if (R07()) {
        const uint64_t bitsAt = b.Pos();
        const uint32_t bits = b.RL();
        dataEnd = bitsAt + bits;
        strings = b;
        strings.Limit(dataEnd);
        if (dataEnd < 1) throw EDwgOverrun{};
        FindStringStream(strings, dataEnd, dataEnd);
    }
    b.Limit(dataEnd);
    const auto text = [&](std::string& out) {
        if (R07())
            strings.TU(out);
        else
            b.T8(out);
    };
    std::size_t count = 0x7FFF;
    if (R04()) {
        const unsigned highest = b.BS();
        b.RC();
        b.RC();
        b.B();
        count = highest >= 500 ? highest - 499 : 0;
    }
    std::string name;
    for (std::size_t i = 0; i < count && b.Left() >= 18; ++i) {
        const unsigned number = b.BS();
        b.BS();
        text(name);
        text(name);
        text(name);
        b.B();
        const unsigned itemClass = b.BS();
        if (R04()) {
            b.BL();
            b.BS();
            b.BS();
            b.BL();
            b.BL();
        }
        if (number >= 500 && number < 500 + 0x8000) {
            if (Classes_.size() <= number - 500) Classes_.resize(number - 500 + 1);
            Classes_[number - 500].Name = name;
            Classes_[number - 500].Entity = itemClass == 0x1F2;
        }
    }
}

void TDwgReader::ReadObjectMap() {
    const uint8_t* p = S_.Handles;
    std::size_t left = S_.HandlesSize;
    // Room for the usual three or four bytes an entry, at most a million entries ahead: a map
    // that claims more grows as its entries are met.
    Map_.Reserve(std::min<std::size_t>(left / 4, std::size_t{1} << 20) + 16);
    for (;;) {
        if (left < 2) Damaged("the object map ends at byte " + std::to_string(S_.HandlesSize));
        const std::size_t size = (std::size_t{p[0]} << 8) | p[1];
        if (size <= 2) break;
        if (size + 2 > left)
            Damaged("the object map ends at byte " + std::to_string(S_.HandlesSize));
        TDwgBits b(p + 2, size - 2);
        uint64_t handle = 0;
        int64_t location = 0;
        try {
            while (b.Left() >= 16) {
                handle += b.MC();
                location += b.MCSigned();
                if (location >= 0) Map_.Set(handle, static_cast<uint64_t>(location));
            }
        } catch (const EDwgOverrun&) {
            Damaged("the object map has a broken entry");
        }
        p += size + 2;
        left -= size + 2;
    }
    gStats.Objects = Map_.Size();
}

// Locates and frames one object; false when it is not in the map or fails its check.
bool TDwgReader::Open(uint64_t handle, TObject& o) {
    const THandleMap::TSlot* slot = Map_.Find(handle);
    if (!slot || slot->Offset() >= S_.ObjectsSize) return false;
    const uint8_t* at = S_.Objects + slot->Offset();
    const std::size_t room = S_.ObjectsSize - static_cast<std::size_t>(slot->Offset());
    try {
        TDwgBits b(at, room);
        const uint64_t size = b.MS();
        uint64_t refBits = 0;
        if (R10()) refBits = b.MC();
        const std::size_t start = static_cast<std::size_t>(b.Pos() / 8);
        if (size > room - start || room - start - size < 2) throw EDwgOverrun{};
        const std::size_t end = start + static_cast<std::size_t>(size);
        const uint16_t stored = static_cast<uint16_t>(at[end] | (at[end + 1] << 8));
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
        // (Fuzzing builds skip the check so that mutated objects reach the decoding.)
        if (DwgCrc16(0xC0C1, at, end) != stored) throw EDwgOverrun{};
#else
        (void)stored;
#endif
        o.Data = TDwgBits(at + start, static_cast<std::size_t>(size));
        uint64_t refStart;
        if (R10()) {
            TDwgBits& d = o.Data;
            switch (d.BB()) {
            case 0:
                o.Type = d.RC();
                break;
            case 1:
                o.Type = d.RC() + 0x1F0u;
                break;
            default:
                o.Type = d.RS();
                break;
            }
            if (refBits > size * 8) throw EDwgOverrun{};
            refStart = size * 8 - refBits;
        } else {
            o.Type = o.Data.BS();
            refStart = o.Data.RL();
        }
        if (refStart > size * 8 || refStart < o.Data.Pos()) throw EDwgOverrun{};
        o.Refs = o.Data;
        o.Refs.Seek(refStart);
        if (R07()) {
            TDwgBits& s = o.Strings;
            s = o.Data;
            s.Limit(refStart);
            uint64_t dataEnd = refStart;
            if (refStart >= 1) {
                dataEnd = refStart - 1;
                if (!FindStringStream(s, refStart, dataEnd)) s.Limit(s.Pos());
            }
            o.Data.Limit(dataEnd);
        } else {
            o.Data.Limit(refStart);
        }
        o.Handle = o.Data.H().Value;
        // Extended data: skipped by its size.
        for (;;) {
            const unsigned n = o.Data.BS();
            if (n == 0) break;
            o.Data.H();
            o.Data.SkipBytes(n);
        }
        return true;
    } catch (const EDwgOverrun&) {
        ++gStats.BadObjects;
        return false;
    }
}

// The type of an object, read from its start only (no check sum); 0 when it cannot be read.
uint32_t TDwgReader::TypeAt(uint64_t handle) {
    const THandleMap::TSlot* slot = handle ? Map_.Find(handle) : nullptr;
    if (!slot || slot->Offset() >= S_.ObjectsSize) return 0;
    const uint64_t offset = slot->Offset();
    try {
        TDwgBits b(S_.Objects + offset, S_.ObjectsSize - static_cast<std::size_t>(offset));
        b.MS();
        if (R10()) {
            b.MC();
            const unsigned kind = b.BB();
            return kind == 0 ? b.RC() : kind == 1 ? b.RC() + 0x1F0u : b.RS();
        }
        return b.BS();
    } catch (const EDwgOverrun&) {
        return 0; // damaged objects are met again, and skipped, where they are used
    }
}

void TDwgReader::ObjectCommon(TObject& o, uint32_t& reactors, bool& xdicMissing) {
    reactors = o.Data.BL();
    xdicMissing = R04() ? o.Data.B() : false;
    if (R13()) o.Data.B();
}

void TDwgReader::SkipObjectRefs(TObject& o, uint32_t reactors, bool xdicMissing) {
    o.Refs.H(); // owner
    for (uint32_t i = 0; i < reactors; ++i)
        o.Refs.H();
    if (!xdicMissing) o.Refs.H();
}

bool TDwgReader::EntityCommon(TObject& o, TCommon& c) {
    TDwgBits& d = o.Data;
    if (d.B()) {
        const uint64_t n = R10() ? d.BLL() : d.RL();
        d.SkipBytes(n);
    }
    c.EntMode = d.BB();
    const uint32_t reactors = d.BL();
    const bool xdicMissing = R04() ? d.B() : false;
    if (R13()) d.B();
    const bool noLinks = R04() ? true : d.B() != 0;
    bool colourBook = false;
    if (R04()) {
        const uint16_t flags = d.BS();
        if (flags & 0x8000) d.BL();
        if (flags & 0x2000) d.BL();
        colourBook = (flags & 0x4000) != 0;
    } else {
        d.BS();
    }
    d.BD();
    const unsigned ltFlags = d.BB();
    const unsigned psFlags = d.BB();
    unsigned matFlags = 0;
    if (R07()) {
        matFlags = d.BB();
        d.RC();
    }
    bool vs[3] = {};
    if (R10())
        for (bool& v : vs)
            v = d.B();
    d.BS();
    d.RC();

    TDwgBits& r = o.Refs;
    if (c.EntMode == 0) r.H();
    for (uint32_t i = 0; i < reactors; ++i)
        r.H();
    if (!xdicMissing) r.H();
    c.Next = 0;
    if (!R04()) {
        if (noLinks) {
            c.Next = o.Handle + 1;
        } else {
            r.H();
            c.Next = Ref(o);
        }
    }
    if (colourBook) r.H();
    const uint64_t layer = Ref(o);
    if (ltFlags == 3) r.H();
    if (R07() && matFlags == 3) r.H();
    if (psFlags == 3) r.H();
    for (bool v : vs)
        if (v) r.H();
    const auto it = LayerOf_.find(layer);
    if (it != LayerOf_.end()) {
        c.Layer = it->second;
    } else {
        if (Layer0_ == kNoIndex) Layer0_ = D_->FindOrAddLayer("0");
        c.Layer = Layer0_;
    }
    return true;
}

// ---- tables -----------------------------------------------------------------------------------

bool TDwgReader::ReadTableControl(uint64_t control, uint32_t type, const char* table, TObject& o,
                                  std::vector<uint64_t>& entries) {
    if (!Open(control, o) || o.Type != type)
        Damaged(std::string("the ") + table + " table cannot be read");
    try {
        uint32_t reactors;
        bool xdicMissing;
        ObjectCommon(o, reactors, xdicMissing);
        const uint32_t count = o.Data.BL();
        SkipObjectRefs(o, reactors, xdicMissing);
        for (uint32_t i = 0; i < count; ++i)
            entries.push_back(Ref(o));
        return true;
    } catch (const EDwgOverrun&) {
        return false; // the entries read so far count
    }
}

// The start every table entry shares: the common object data, the name, and the 64-flag, the
// external reference index and the dependence flag, which nothing here uses.
void TDwgReader::EntryStart(TObject& o, std::string& name, uint32_t& reactors, bool& xdicMissing) {
    ObjectCommon(o, reactors, xdicMissing);
    Text(o, name);
    o.Data.B();
    if (!R07()) o.Data.BS();
    o.Data.B();
}

void TDwgReader::ReadBlockHead(TObject& b, std::string& name, TBlockHead& h) {
    EntryStart(b, name, h.Reactors, h.XdicMissing);
    h.Anonymous = b.Data.B();
    b.Data.B();
    const bool isXref = b.Data.B();
    const bool overlaid = b.Data.B();
    h.External = isXref || overlaid;
    b.Data.B();
    // External references own no entities and store no count.
    if (R04() && !h.External) h.Count = b.Data.BL();
    b.Data.BD3(h.Base);
}

void TDwgReader::ReadLayers(uint64_t control) {
    TObject o;
    std::vector<uint64_t> entries;
    ReadTableControl(control, tLayerControl, "layer", o, entries);
    std::string name;
    for (uint64_t handle : entries) {
        TObject l;
        if (!Open(handle, l) || l.Type != tLayer) continue;
        try {
            uint32_t reactors;
            bool xdicMissing;
            EntryStart(l, name, reactors, xdicMissing);
            const uint16_t flags = l.Data.BS();
            int colour;
            const int16_t index = static_cast<int16_t>(l.Data.BS());
            if (R04()) {
                const uint32_t value = l.Data.BL();
                colour = DwgLayerColour(index, value); // an RGB colour: the closest index
            } else {
                colour = index;
            }
            const bool off = (flags & 2) || colour < 0;
            colour = std::abs(colour);
            const uint32_t index2 = D_->FindOrAddLayer(Decode(name, kNameMax));
            TLayer& layer = D_->Layers[index2];
            layer.Colour = static_cast<int16_t>(off ? -colour : colour);
            layer.Flags = (flags & 1) ? 0x01 : 0x00;
            LayerOf_[handle] = index2;
        } catch (const EDwgOverrun&) {
            ++gStats.BadObjects;
        }
    }
}

void TDwgReader::ReadBlocks(uint64_t control) {
    TObject o;
    std::vector<uint64_t> entries;
    if (ReadTableControl(control, tBlockControl, "block", o, entries)) {
        try {
            ModelHandle_ = Ref(o);
            PaperHandle_ = Ref(o);
        } catch (const EDwgOverrun&) {
            // the entries read so far count
        }
    }
    if (ModelHandle_) {
        BlockOf_[ModelHandle_] = D_->ModelSpace;
        BlockHeaders_.emplace_back(D_->ModelSpace, ModelHandle_);
    }
    if (PaperHandle_) {
        BlockOf_[PaperHandle_] = D_->PaperSpace;
        BlockHeaders_.emplace_back(D_->PaperSpace, PaperHandle_);
    }
    std::string name;
    unsigned paperCount = 0;
    std::unordered_map<std::string, unsigned> anonymous;
    for (uint64_t handle : entries) {
        if (handle == ModelHandle_ || handle == PaperHandle_ || BlockOf_.count(handle)) continue;
        TObject b;
        if (!Open(handle, b) || b.Type != tBlockHeader) continue;
        uint32_t index;
        try {
            TBlockHead head;
            ReadBlockHead(b, Raw_, head);
            name.assign(Decode(Raw_, kNameMax));
            std::string upper = name;
            for (char& ch : upper)
                if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
            if (upper == "*PAPER_SPACE" || upper == "*MODEL_SPACE") {
                // Further layouts: named as the DXF of the drawing names them.
                do
                    name = "*Paper_Space" + std::to_string(paperCount++);
                while (D_->BlockIndex.Find(name) != kNoIndex);
            } else if ((head.Anonymous && name.size() >= 2 && name[0] == '*' &&
                        name.find_first_of("0123456789") == std::string::npos) ||
                       D_->BlockIndex.Find(name) != kNoIndex) {
                // Anonymous blocks are stored without their number: make one up.
                unsigned& n = anonymous[upper];
                std::string unique;
                do
                    unique = name + std::to_string(++n);
                while (D_->BlockIndex.Find(unique) != kNoIndex);
                name = unique;
            }
            index = D_->FindOrAddBlock(name);
            TBlock& block = D_->Blocks[index];
            block.Defined = true;
            std::copy(head.Base, head.Base + 3, block.Base);
        } catch (const EDwgOverrun&) {
            ++gStats.BadObjects;
            continue;
        }
        BlockOf_[handle] = index;
        BlockHeaders_.emplace_back(index, handle);
    }
}

void TDwgReader::ReadBlockEntities(uint32_t block, uint64_t header) {
    TObject b;
    if (!Open(header, b) || b.Type != tBlockHeader) return;
    uint64_t first = 0, last = 0;
    std::vector<uint64_t> owned;
    try {
        TBlockHead head;
        ReadBlockHead(b, Scratch_, head);
        const uint32_t count = head.Count;
        if (block == D_->ModelSpace || block == D_->PaperSpace)
            std::copy(head.Base, head.Base + 3, D_->Blocks[block].Base);
        SkipObjectRefs(b, head.Reactors, head.XdicMissing);
        b.Refs.H(); // null
        b.Refs.H(); // BLOCK
        if (R04()) {
            // Each reference takes at least 8 bits: a count beyond that is damage.
            if (count > b.Refs.Left() / 8) throw EDwgOverrun{};
            owned.reserve(count);
            for (uint32_t i = 0; i < count; ++i)
                owned.push_back(Ref(b));
        } else if (!head.External) {
            first = Ref(b);
            last = Ref(b);
        }
    } catch (const EDwgOverrun&) {
        ++gStats.BadObjects;
    }
    WalkList(block, owned, first, last, !R04());
}

void TDwgReader::WalkList(uint32_t block, const std::vector<uint64_t>& owned, uint64_t first,
                          uint64_t last, bool linked) {
    uint64_t next = 0;
    if (!linked) {
        for (uint64_t h : owned)
            ReadEntity(block, h, next);
        return;
    }
    if (first == 0) return;
    uint64_t h = first;
    // A chain can hold each object once at most: a longer one loops.
    for (std::size_t steps = 0; h != 0 && steps <= Map_.Size(); ++steps) {
        next = 0;
        ReadEntity(block, h, next);
        if (h == last) break;
        h = next;
    }
}

bool TDwgReader::OpenListed(uint64_t handle, TObject& o, uint64_t& next) {
    // Each entity belongs to one list: one met again is a loop or a damaged link, and
    // stopping there keeps the walk linear.
    if (!MarkUsed(handle)) {
        next = 0;
        return false;
    }
    if (Open(handle, o)) return true;
    ++D_->SkippedEntities;
    return false;
}

void TDwgReader::ReadEntity(uint32_t block, uint64_t handle, uint64_t& next) {
    TObject o;
    if (!OpenListed(handle, o, next)) return;
    TCommon c;
    const std::size_t entities = D_->Entities.size();
    const std::size_t doubles = D_->Doubles.size();
    const std::size_t blobs = D_->BlobStarts.size();
    const std::size_t blob = D_->Blob.size();
    const uint32_t oldLast = D_->Blocks[block].Last;
    try {
        EntityCommon(o, c);
        next = c.Next;
        if (!StoreEntity(block, o, c)) {
            // A number that is not finite: reported under the kind's name, as from DXF.
            ++D_->SkippedEntities;
            NewOther(kCodeBadNumber, DxfNameOf(o.Type), OtherData::kBadNumber, c.Layer, block);
        }
    } catch (const EDwgOverrun&) {
        ++gStats.BadObjects;
        ++D_->SkippedEntities;
        // Undo what the entity stored so far.
        D_->Entities.resize(entities);
        D_->Doubles.resize(doubles);
        D_->BlobStarts.resize(blobs);
        D_->Blob.resize(blob);
        TBlock& b = D_->Blocks[block];
        b.Last = oldLast;
        if (oldLast == kNoIndex)
            b.First = kNoIndex;
        else
            D_->Entities[oldLast].Next = kNoIndex;
    }
}

void TDwgReader::NewOther(uint16_t code, std::string_view name, uint8_t problem, uint32_t layer,
                          uint32_t block) {
    if (code == kCodeSpline) {
        StoreOther(code, layer, block);
        return;
    }
    const uint32_t text = name.empty() ? 0 : D_->AddString(name.substr(0, 255));
    TEntity& e = D_->Entities[NewEntity(code, layer, block)];
    e.Aux = text;
    e.Flags = problem;
}

void TDwgReader::Push(std::initializer_list<double> values) {
    D_->Doubles.insert(D_->Doubles.end(), values.begin(), values.end());
}

void TDwgReader::PushExtrusion(uint32_t entity, const double e[3]) {
    if (e[0] == 0.0 && e[1] == 0.0 && e[2] == 1.0) return;
    D_->Entities[entity].Flags |= TEntity::kHasExtrusion;
    Push({e[0], e[1], e[2]});
}

bool TDwgReader::Finite() const {
    for (double v : Pending_)
        if (!std::isfinite(v)) return false;
    return true;
}

std::string_view TDwgReader::Decode(const std::string& raw, std::size_t max) {
    Decoded_.clear();
    const std::string_view view(raw);
    Decoder_.Append(view.substr(0, Utf8CutLength(view, RawTextMax(max))), Decoded_);
    DecodeUnicodeEscapes(Decoded_, 0, &Multibyte_);
    return std::string_view(Decoded_).substr(0, Utf8CutLength(Decoded_, max));
}

void TDwgReader::StoreOther(uint16_t code, uint32_t layer, uint32_t block) {
    const uint32_t index = NewEntity(code, layer, block);
    if (code != kCodeSpline) return;
    // A SPLINE's curve is not read from DWG yet: its record says so, with empty data.
    Push({0, SplineData::FlagNotRead, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    D_->Entities[index].Aux = NewBlob();
}

// ---- entities ---------------------------------------------------------------------------------

// Decodes the entity's own fields and stores it; false when a value is not finite (the
// entity is skipped, as the DXF reader skips it).
bool TDwgReader::StoreEntity(uint32_t block, TObject& o, const TCommon& c) {
    TDwgBits& d = o.Data;
    std::vector<double>& p = Pending_;
    p.clear();
    double ext[3] = {0, 0, 1};
    uint16_t code = 0;
    uint16_t flags = 0;
    uint32_t aux = 0;
    uint32_t copies = (1u << 16) | 1u; // of an insert: one column, one row
    switch (o.Type) {
    case tLine: {
        code = kCodeLine;
        const bool zZero = d.B();
        const double x1 = d.RD(), x2 = d.DD(x1), y1 = d.RD(), y2 = d.DD(y1);
        double z1 = 0, z2 = 0;
        if (!zZero) {
            z1 = d.RD();
            z2 = d.DD(z1);
        }
        d.BT();
        d.BE(ext);
        p = {x1, y1, z1, x2, y2, z2};
        break;
    }
    case tPoint: {
        code = kCodePoint;
        const double x = d.BD(), y = d.BD(), z = d.BD();
        d.BT();
        d.BE(ext);
        p = {x, y, z};
        break;
    }
    case tCircle:
    case tArc: {
        code = o.Type == tArc ? kCodeArc : kCodeCircle;
        double centre[3];
        d.BD3(centre);
        const double r = d.BD();
        d.BT();
        d.BE(ext);
        p = {centre[0], centre[1], centre[2], r};
        if (o.Type == tArc) {
            const double a = d.BD();
            const double b = d.BD();
            p.push_back(a);
            p.push_back(b);
        }
        break;
    }
    case tEllipse: {
        code = kCodeEllipse;
        double centre[3], axis[3];
        d.BD3(centre);
        d.BD3(axis);
        d.BD3(ext);
        const double ratio = d.BD(), start = d.BD(), end = d.BD();
        p = {centre[0], centre[1], centre[2], axis[0], axis[1], axis[2], ratio, start, end};
        break;
    }
    case tText: {
        code = kCodeText;
        const uint8_t df = d.RC();
        const double elevation = (df & 0x01) ? 0.0 : d.RD();
        double ins[2];
        d.RD2(ins);
        if (!(df & 0x02)) {
            d.DD(ins[0]);
            d.DD(ins[1]);
        }
        d.BE(ext);
        d.BT();
        if (!(df & 0x04)) d.RD();
        const double rotation = (df & 0x08) ? 0.0 : d.RD();
        const double height = d.RD();
        if (!(df & 0x10)) d.RD();
        Text(o, Raw_);
        const unsigned generation = (df & 0x20) ? 0 : d.BS();
        p = {ins[0], ins[1], elevation, height, rotation};
        flags = static_cast<uint16_t>(generation & 0xFF);
        aux = 1; // text follows
        break;
    }
    case tMText: {
        code = kCodeMText;
        double ins[3], xdir[3];
        d.BD3(ins);
        d.BD3(ext);
        d.BD3(xdir);
        const double width = d.BD();
        if (R07()) d.BD();
        const double height = d.BD();
        const unsigned attachment = d.BS();
        d.BS();
        d.BD();
        d.BD();
        Text(o, Raw_);
        p = {ins[0], ins[1], ins[2], height, width};
        flags = static_cast<uint16_t>(attachment & 0xFF);
        aux = 2;
        break;
    }
    case tSolid:
    case tTrace: {
        code = o.Type == tSolid ? kCodeSolid : kCodeTrace;
        d.BT();
        const double z = d.BD();
        double q[4][2];
        for (auto& corner : q)
            d.RD2(corner);
        d.BE(ext);
        p = {q[0][0], q[0][1], z, q[1][0], q[1][1], z, q[2][0], q[2][1], z, q[3][0], q[3][1], z};
        break;
    }
    case tInsert:
    case tMInsert: {
        code = kCodeInsert;
        double ins[3];
        d.BD3(ins);
        double sx = 1, sy = 1;
        switch (d.BB()) {
        case 0:
            sx = d.RD();
            sy = d.DD(sx);
            d.DD(sx);
            break;
        case 1:
            sx = 1.0;
            sy = d.DD(1.0);
            d.DD(1.0);
            break;
        case 2:
            sx = sy = d.RD();
            break;
        default:
            break;
        }
        const double rotation = d.BD();
        d.BD3(ext);
        double columnSpacing = 0.0, rowSpacing = 0.0;
        if (o.Type == tMInsert) {
            // The copies: counts below 1 mean one copy, as in DXF.
            if (d.B() && R04()) d.BL(); // the attributes' count
            const int16_t columns = static_cast<int16_t>(d.BS());
            const int16_t rows = static_cast<int16_t>(d.BS());
            columnSpacing = d.BD();
            rowSpacing = d.BD();
            copies = (static_cast<uint32_t>(std::max<int16_t>(columns, 1)) << 16) |
                     static_cast<uint32_t>(std::max<int16_t>(rows, 1));
        }
        p = {ins[0], ins[1], ins[2], sx, sy, rotation, columnSpacing, rowSpacing};
        // handles: the block header first
        aux = BlockOfHeader(o);
        break;
    }
    case tDimOrdinate:
    case tDimLinear:
    case tDimAligned:
    case tDimAng3Pt:
    case tDimAng2Ln:
    case tDimRadius:
    case tDimDiameter: {
        code = kCodeDimension;
        if (R10()) d.RC();
        d.BD3(ext);
        double mid[2];
        d.RD2(mid);
        const double elevation = d.BD();
        d.RC();
        SkipText(o);
        d.BD();
        d.BD();
        double scale[3];
        d.BD3(scale);
        d.BD();
        d.BS();
        d.BS();
        d.BD();
        d.BD();
        if (R07()) {
            d.B();
            d.B();
            d.B();
        }
        double p12[2];
        d.RD2(p12);
        double p10[3] = {0, 0, 0}, skip[3];
        double rotation = 0;
        switch (o.Type) {
        case tDimOrdinate:
            d.BD3(p10);
            d.BD3(skip);
            d.BD3(skip);
            break;
        case tDimLinear:
            d.BD3(skip);
            d.BD3(skip);
            d.BD3(p10);
            d.BD();
            rotation = d.BD();
            break;
        case tDimAligned:
            d.BD3(skip);
            d.BD3(skip);
            d.BD3(p10);
            break;
        case tDimAng3Pt:
        case tDimRadius:
            d.BD3(p10);
            break;
        case tDimAng2Ln:
            d.RD2(skip);
            d.BD3(skip);
            d.BD3(skip);
            d.BD3(skip);
            d.BD3(p10);
            break;
        default: // diameter: 15 first, then 10
            d.BD3(skip);
            d.BD3(p10);
            break;
        }
        p = {p12[0], p12[1], elevation, p10[0], p10[1], p10[2], rotation};
        Ref(o); // DIMSTYLE
        aux = BlockOfHeader(o);
        break;
    }
    case tPolyline2D:
        ReadPolyline(block, o, c, false);
        return true;
    case tPolyline3D:
        ReadPolyline(block, o, c, true);
        return true;
    case tLwPolyline:
        code = kCodeLwPolyline;
        break;
    case tSpline:
        return ReadSpline(block, o, c);
    case tMLine: {
        code = kCodeMLine;
        d.BD();
        d.RC();
        double base[3];
        d.BD3(base);
        d.BD3(ext);
        d.BS();
        const unsigned lines = d.RC();
        const unsigned vertices = d.BS();
        p = {base[0], base[1], base[2]};
        // Each vertex holds 9 doubles and per line two counts.
        if (uint64_t{vertices} * (9 * 2 + lines * 4) > d.Left()) throw EDwgOverrun{};
        const unsigned styleLines = vertices ? std::min<unsigned>(lines, INT16_MAX) : 0;
        const std::size_t blobStart = D_->Blob.size();
        aux = NewBlob();
        for (unsigned v = 0; v < vertices; ++v) {
            for (int k = 0; k < 9; ++k) {
                const double x = d.BD();
                if (!std::isfinite(x)) p.push_back(x); // makes the entity skipped
                if (v < 0xFFFF) D_->BlobDouble(x);
            }
            for (unsigned l = 0; l < lines; ++l) {
                for (int part = 0; part < 2; ++part) {
                    const unsigned n = d.BS();
                    if (v < 0xFFFF && l < styleLines)
                        D_->BlobShort(static_cast<int16_t>(std::min<unsigned>(n, INT16_MAX)));
                    for (unsigned k = 0; k < n; ++k) {
                        const double x = d.BD();
                        if (v < 0xFFFF && l < styleLines && k < INT16_MAX) D_->BlobDouble(x);
                    }
                }
            }
        }
        if (!Finite()) {
            D_->Blob.resize(blobStart);
            D_->BlobStarts.pop_back();
            return false;
        }
        const uint32_t kept = std::min<uint32_t>(vertices, 0xFFFF);
        const uint32_t index = NewEntity(kCodeMLine, c.Layer, block);
        TEntity& e = D_->Entities[index];
        e.Aux = aux;
        e.Aux2 = (styleLines << 16) | kept;
        Push({p[0], p[1], p[2]});
        PushExtrusion(index, ext);
        return true;
    }
    case tAttrib:
    case tBlock:
    case tEndBlk:
    case tSeqEnd:
    case tVertex2D:
    case tVertex3D:
    case tVertexMesh:
    case tVertexPFace:
    case tVertexPFaceFace:
        return true; // not delivered on their own
    case tPolylinePFace:
    case tPolylineMesh:
        NewOther(kCodeMeshPolyline, "POLYLINE", OtherData::kMesh, c.Layer, block);
        return true;
    default:
        if (o.Type >= 500) {
            const std::size_t k = o.Type - 500;
            if (k >= Classes_.size()) {
                NewOther(kCodeOtherEntity, "", OtherData::kNotConverted, c.Layer, block);
                return true;
            }
            if (Classes_[k].Name == "LWPOLYLINE") {
                code = kCodeLwPolyline;
                break;
            }
            NewOther(OtherCodeOf(Classes_[k].Name), Classes_[k].Name, OtherData::kNotConverted,
                     c.Layer, block);
            return true;
        }
        const uint16_t other = FixedOtherCode(o.Type);
        NewOther(other, OtherNameOf(other), OtherData::kNotConverted, c.Layer, block);
        return true;
    }

    if (code == kCodeLwPolyline) {
        const uint16_t lwFlags = d.BS();
        const double constWidth = (lwFlags & 4) ? d.BD() : 0.0;
        if (lwFlags & 8) d.BD();
        if (lwFlags & 2) d.BD();
        if (lwFlags & 1) d.BD3(ext);
        const uint32_t points = d.BL();
        const uint32_t bulges = (lwFlags & 16) ? d.BL() : 0;
        const uint32_t ids = (R10() && (lwFlags & 1024)) ? d.BL() : 0;
        const uint32_t widths = (lwFlags & 32) ? d.BL() : 0;
        // Each value takes at least 2 bits: larger counts are damage.
        if (uint64_t{points} + bulges + ids + widths > d.Left() / 2) throw EDwgOverrun{};
        std::vector<double>& v = p; // x, y per point, then bulges, then widths
        v.clear();
        double x = 0, y = 0;
        for (uint32_t i = 0; i < points; ++i) {
            if (i == 0) {
                x = d.RD();
                y = d.RD();
            } else {
                x = d.DD(x);
                y = d.DD(y);
            }
            v.push_back(x);
            v.push_back(y);
        }
        std::vector<double> bulge(points, 0.0), start(points, 0.0), end(points, 0.0);
        for (uint32_t i = 0; i < bulges; ++i) {
            const double b = d.BD();
            if (i < points) bulge[i] = b;
        }
        for (uint32_t i = 0; i < ids; ++i)
            d.BL();
        for (uint32_t i = 0; i < widths; ++i) {
            const double s = d.BD(), e = d.BD();
            if (i < points) {
                start[i] = s;
                end[i] = e;
            }
        }
        uint16_t lf = (lwFlags & 512) ? LwPolylineData::FlagClosed : 0;
        bool finite = std::isfinite(constWidth);
        for (uint32_t i = 0; i < points; ++i) {
            if (bulge[i] != 0.0) lf |= LwPolylineData::FlagBulges;
            if (start[i] != 0.0 || end[i] != 0.0) lf |= LwPolylineData::FlagWidths;
            finite = finite && std::isfinite(bulge[i]) && std::isfinite(start[i]) &&
                     std::isfinite(end[i]);
        }
        for (int k = 0; k < 3; ++k)
            finite = finite && std::isfinite(ext[k]);
        if (!finite || !Finite()) return false;
        const uint32_t index = NewEntity(kCodeLwPolyline, c.Layer, block);
        const uint32_t blobIndex = NewBlob();
        {
            TEntity& e = D_->Entities[index];
            e.Flags = lf;
            e.Aux = blobIndex;
            e.Aux2 = static_cast<uint32_t>(std::min<std::size_t>(points, INT32_MAX));
        }
        for (uint32_t i = 0; i < points; ++i) {
            D_->BlobDouble(v[2 * i]);
            D_->BlobDouble(v[2 * i + 1]);
            if (lf & LwPolylineData::FlagBulges) D_->BlobDouble(bulge[i]);
            if (lf & LwPolylineData::FlagWidths) {
                D_->BlobDouble(start[i]);
                D_->BlobDouble(end[i]);
            }
        }
        Push({constWidth});
        PushExtrusion(index, ext);
        return true;
    }

    for (int k = 0; k < 3; ++k)
        p.push_back(ext[k]);
    if (!Finite()) return false;
    p.resize(p.size() - 3);
    const uint32_t index = NewEntity(code, c.Layer, block);
    {
        TEntity& e = D_->Entities[index];
        e.Flags = flags;
        if (code == kCodeText)
            e.Aux = D_->AddString(Decode(Raw_, kTextMax));
        else if (code == kCodeMText)
            e.Aux = D_->AddString(MTextPlainText(Decode(Raw_, kMTextMax)));
        else if (code == kCodeInsert || code == kCodeDimension)
            e.Aux = aux;
        if (code == kCodeInsert) e.Aux2 = copies;
    }
    D_->Doubles.insert(D_->Doubles.end(), p.begin(), p.end());
    PushExtrusion(index, ext);
    return true;
}

// A SPLINE as the DXF reader delivers it: degree, flags, counts, end tangents, and the knots,
// control points, weights and fit points packed in a blob. The file keeps either the control
// points with their knots (scenario 1) or the fit points with their tangents (scenario 2);
// false when a number is not finite.
bool TDwgReader::ReadSpline(uint32_t block, TObject& o, const TCommon& c) {
    TDwgBits& d = o.Data;
    const uint32_t scenario = d.BL();
    uint32_t methodFlags = 0;
    if (R13()) {
        methodFlags = d.BL();
        d.BL(); // knot parameter
    }
    const uint32_t degree = d.BL();
    uint16_t flags = 0;
    double start[3] = {0, 0, 0}, end[3] = {0, 0, 0};
    uint32_t knots = 0, controls = 0, fits = 0;
    bool weighted = false;
    // The method flag says it from AutoCAD 2013 on, where the scenario can be 1 for both.
    const bool fitData = R13() ? (methodFlags & 1) != 0 : scenario == 2;
    if (!R13() && scenario != 1 && scenario != 2) throw EDwgOverrun{}; // damaged
    if (fitData) {
        d.BD(); // fit tolerance
        d.BD3(start);
        d.BD3(end);
        fits = d.BL();
        if (methodFlags & 4) flags |= SplineData::FlagClosed;
    } else {
        if (d.B()) flags |= SplineData::FlagRational;
        if (d.B()) flags |= SplineData::FlagClosed;
        if (d.B()) flags |= SplineData::FlagPeriodic;
        d.BD(); // knot tolerance
        d.BD(); // control point tolerance
        knots = d.BL();
        controls = d.BL();
        weighted = d.B();
    }
    // Each value takes at least 2 bits: larger counts are damage.
    if (uint64_t{knots} + 4 * uint64_t{controls} + 3 * uint64_t{fits} > d.Left() / 2)
        throw EDwgOverrun{};
    Knots_.resize(knots);
    for (double& k : Knots_)
        k = d.BD();
    Controls_.resize(3 * std::size_t{controls});
    Weights_.resize(weighted ? controls : 0);
    for (uint32_t i = 0; i < controls; ++i) {
        d.BD3(Controls_.data() + 3 * std::size_t{i});
        if (weighted) Weights_[i] = d.BD();
    }
    Fits_.resize(3 * std::size_t{fits});
    for (uint32_t i = 0; i < fits; ++i)
        d.BD3(Fits_.data() + 3 * std::size_t{i});

    // A tangent is given when it is not the zero vector (DXF then writes none).
    const auto given = [](const double v[3]) { return v[0] != 0.0 || v[1] != 0.0 || v[2] != 0.0; };
    const uint8_t tangents =
        (given(start) ? SplineData::TangentStart : 0) | (given(end) ? SplineData::TangentEnd : 0);
    Pending_ = {static_cast<double>(std::min<uint32_t>(degree, INT16_MAX)),
                static_cast<double>(flags),
                static_cast<double>(knots),
                static_cast<double>(controls),
                static_cast<double>(Weights_.size()),
                static_cast<double>(fits),
                static_cast<double>(tangents),
                start[0],
                start[1],
                start[2],
                end[0],
                end[1],
                end[2]};
    for (const std::vector<double>* values : {&Knots_, &Controls_, &Weights_, &Fits_})
        for (double v : *values)
            if (!std::isfinite(v)) return false;
    if (!Finite()) return false;
    const uint32_t index = NewEntity(kCodeSpline, c.Layer, block);
    D_->Doubles.insert(D_->Doubles.end(), Pending_.begin(), Pending_.end());
    D_->Entities[index].Aux = NewBlob();
    for (const std::vector<double>* values : {&Knots_, &Controls_, &Weights_, &Fits_}) {
        const std::size_t at = D_->Blob.size();
        D_->Blob.resize(at + values->size() * 8);
        if (!values->empty()) std::memcpy(D_->Blob.data() + at, values->data(), values->size() * 8);
    }
    return true;
}

void TDwgReader::ReadPolyline(uint32_t block, TObject& o, const TCommon& c, bool is3D) {
    TDwgBits& d = o.Data;
    double ext[3] = {0, 0, 1};
    double width = 0, elevation = 0;
    uint16_t flags;
    if (is3D) {
        const uint8_t spline = d.RC();
        const uint8_t closed = d.RC();
        flags = static_cast<uint16_t>(8 | (closed & 1) | (spline ? 4 : 0));
    } else {
        flags = d.BS();
        d.BS();
        width = d.BD();
        d.BD();
        d.BT();
        elevation = d.BD();
        d.BE(ext);
    }
    uint32_t count = 0;
    if (R04()) count = d.BL();
    Pending_ = {width, ext[0], ext[1], ext[2]};
    if (!Finite()) {
        // Reported without its vertices, as from DXF.
        ++D_->SkippedEntities;
        NewOther(kCodeBadNumber, "POLYLINE", OtherData::kBadNumber, c.Layer, block);
        return;
    }
    std::vector<uint64_t> vertices;
    uint64_t first = 0, last = 0;
    if (R04()) {
        if (count > o.Refs.Left() / 8) throw EDwgOverrun{};
        vertices.reserve(count);
        for (uint32_t i = 0; i < count; ++i)
            vertices.push_back(Ref(o));
    } else {
        first = Ref(o);
        last = Ref(o);
    }
    const uint32_t index = NewEntity(kCodePolyline, c.Layer, block);
    D_->Entities[index].Flags = flags & 0xFF;
    Push({width});
    PushExtrusion(index, ext);

    const uint16_t vertexType = is3D ? tVertex3D : tVertex2D;
    const auto vertex = [&](uint64_t handle, uint64_t& next) {
        TObject v;
        if (!OpenListed(handle, v, next)) return;
        try {
            TCommon vc;
            EntityCommon(v, vc);
            next = vc.Next;
            if (v.Type != vertexType) return;
            TDwgBits& vd = v.Data;
            vd.RC();
            double pt[3];
            vd.BD3(pt);
            double start = 0, bulge = 0;
            if (!is3D) {
                start = vd.BD();
                if (start < 0)
                    start = -start;
                else
                    vd.BD();
                bulge = vd.BD();
                pt[2] = elevation;
            }
            Pending_ = {pt[0], pt[1], pt[2], start, bulge};
            if (!Finite()) {
                ++D_->SkippedEntities;
                NewOther(kCodeBadNumber, "VERTEX", OtherData::kBadNumber, vc.Layer, block);
                return;
            }
            const uint32_t at = NewEntity(kCodeVertex, vc.Layer, block);
            (void)at;
            Push({pt[0], pt[1], pt[2], start, bulge});
        } catch (const EDwgOverrun&) {
            ++gStats.BadObjects;
            ++D_->SkippedEntities;
        }
    };
    uint64_t next = 0;
    if (R04()) {
        for (uint64_t h : vertices)
            vertex(h, next);
    } else if (first != 0) {
        uint64_t h = first;
        for (std::size_t steps = 0; h != 0 && steps <= Map_.Size(); ++steps) {
            next = 0;
            vertex(h, next);
            if (h == last) break;
            h = next;
        }
    }
    NewEntity(kCodeSeqEnd, c.Layer, block);
}

std::unique_ptr<TDrawing> TDwgReader::Read() {
    if (Callbacks_.Progress) Callbacks_.Progress(0);
    gStats = TDwgStats{};
    S_ = OpenDwgSections(Data_, Size_, V_, FileName_);
    if (R07()) {
        Decoder_.SetUtf8(true);
    } else {
        Decoder_.SetCodePage("ANSI_" + std::to_string(WindowsCodePage(S_.CodePage)));
    }
    try {
        ReadHeaderVariables();
    } catch (const EDwgOverrun&) {
        // Unreadable header variables: the extents are computed from the entities.
        HasExt_ = HasPExt_ = false;
    }
    try {
        ReadClasses();
    } catch (const EDwgOverrun&) {
        Damaged("the class list cannot be read");
    }
    ReadObjectMap();
    if (Callbacks_.Progress) Callbacks_.Progress(10);

    // The control objects of the layer and block tables: as the header names them, or, when
    // those do not check out, the first of each kind among all objects.
    if (R07() && HeaderRefs_.End() > 0) {
        try {
            ReadControlHandles();
        } catch (const EDwgOverrun&) {
            BlockControl_ = LayerControl_ = 0;
        }
    }
    uint64_t layerControl = TypeAt(LayerControl_) == tLayerControl ? LayerControl_ : 0;
    uint64_t blockControl = TypeAt(BlockControl_) == tBlockControl ? BlockControl_ : 0;
    gStats.TablesFromHeader = layerControl != 0 && blockControl != 0;
    if (layerControl == 0 || blockControl == 0) {
        for (const THandleMap::TSlot& slot : Map_.Slots()) {
            if (!slot.Full()) continue;
            const uint64_t handle = slot.Handle;
            const uint32_t type = TypeAt(handle);
            if (type == tLayerControl && (layerControl == 0 || handle < layerControl))
                layerControl = handle;
            if (type == tBlockControl && (blockControl == 0 || handle < blockControl))
                blockControl = handle;
        }
    }
    if (layerControl == 0) Damaged("it has no layer table");
    if (blockControl == 0) Damaged("it has no block table");
    ReadLayers(layerControl);
    ReadBlocks(blockControl);
    if (Callbacks_.Progress) Callbacks_.Progress(20);
    const std::size_t blocks = BlockHeaders_.size();
    for (std::size_t i = 0; i < blocks; ++i) {
        ReadBlockEntities(BlockHeaders_[i].first, BlockHeaders_[i].second);
        if (Callbacks_.Progress && blocks > 0)
            Callbacks_.Progress(20 + static_cast<int>(79 * (i + 1) / blocks));
    }
    FinishExtents(*D_, ExtMin_, ExtMax_, HasExt_, PExtMin_, PExtMax_, HasPExt_);
    std::memcpy(D_->Header->data() + DrawingHeader::InsUnits, &InsUnits_, sizeof InsUnits_);
    if (Callbacks_.Progress) Callbacks_.Progress(100);
    return std::move(D_);
}

TDwgVersion VersionOf(const char* data, std::size_t size, bool& known) {
    known = true;
    if (size >= 6) {
        if (std::memcmp(data, "AC1015", 6) == 0) return TDwgVersion::R2000;
        if (std::memcmp(data, "AC1018", 6) == 0) return TDwgVersion::R2004;
        if (std::memcmp(data, "AC1021", 6) == 0) return TDwgVersion::R2007;
        if (std::memcmp(data, "AC1024", 6) == 0) return TDwgVersion::R2010;
        if (std::memcmp(data, "AC1027", 6) == 0) return TDwgVersion::R2013;
        if (std::memcmp(data, "AC1032", 6) == 0) return TDwgVersion::R2018;
    }
    known = false;
    return TDwgVersion::R2000;
}

} // namespace

bool IsReadableDwg(const char* data, std::size_t size) {
    bool known;
    VersionOf(data, size, known);
    return known;
}

std::unique_ptr<TDrawing> ReadDwg(const char* data, std::size_t size, const std::string& fileName,
                                  const TReadCallbacks& callbacks) {
    bool known;
    const TDwgVersion version = VersionOf(data, size, known);
    if (!known) throw EDxfError{ecDwg, fileName + " is not a DWG file this engine reads."};
    static constexpr const char* kNames[] = {"2000 drawing, AC1015", "2004 drawing, AC1018",
                                             "2007 drawing, AC1021", "2010 drawing, AC1024",
                                             "2013 drawing, AC1027", "2018 drawing, AC1032"};
    // Messages name the file and its version.
    const std::string label = fileName + " (AutoCAD " + kNames[static_cast<int>(version)] + ")";
    TDwgReader reader(reinterpret_cast<const uint8_t*>(data), size, label, callbacks, version);
    return reader.Read();
}

const TDwgStats& LastDwgStats() {
    return gStats;
}

} // namespace pad2
