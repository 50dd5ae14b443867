// SPDX-License-Identifier: MIT
#include "pad2/DxfReader.h"

#include "pad2/CodePages.h"
#include "pad2/DwgReader.h"
#include "pad2/DxfScanner.h"
#include "pad2/EntityCodes.h"
#include "pad2/Extents.h"
#include "pad2/FileMapping.h"
#include "pad2/MTextPlain.h"
#include "pad2/RawNameCache.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <unordered_map>

namespace pad2 {
namespace {

using namespace dxfi::abi;

constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr std::size_t kNameMax = 255;
constexpr std::size_t kTextMax = kEntityDataSize - TextData::Text - 1;
constexpr std::size_t kMTextMax = kEntityDataSize - MTextData::Text - 1;

// How many bytes of a file's text can matter for a field of `max` bytes. Every byte of the file
// gives at least one decoded byte, except an escape, whose 7 or 8 bytes give at least one; so
// with this many the decoded text is longer than `max` even when an escape is cut at the end.
constexpr std::size_t RawTextMax(std::size_t max) {
    return 8 * max + 24;
}

enum class TKind : uint8_t {
    Line,
    Point,
    Circle,
    Arc,
    Ellipse,
    Spline,
    Text,
    MText,
    Solid,
    Trace,
    Insert,
    Polyline,
    Vertex,
    SeqEnd,
    Dimension,
    LwPolyline,
    MLine,
    Attrib,
    Other
};

struct TKindName {
    std::string_view Name;
    TKind Kind;
    uint16_t Code;
};

constexpr TKindName kKinds[] = {
    {"LINE", TKind::Line, kCodeLine},
    {"VERTEX", TKind::Vertex, kCodeVertex},
    {"LWPOLYLINE", TKind::LwPolyline, kCodeLwPolyline},
    {"ARC", TKind::Arc, kCodeArc},
    {"CIRCLE", TKind::Circle, kCodeCircle},
    {"TEXT", TKind::Text, kCodeText},
    {"INSERT", TKind::Insert, kCodeInsert},
    {"MINSERT", TKind::Insert, kCodeInsert},
    {"POLYLINE", TKind::Polyline, kCodePolyline},
    {"SEQEND", TKind::SeqEnd, kCodeSeqEnd},
    {"POINT", TKind::Point, kCodePoint},
    {"MTEXT", TKind::MText, kCodeMText},
    {"SOLID", TKind::Solid, kCodeSolid},
    {"TRACE", TKind::Trace, kCodeTrace},
    {"ELLIPSE", TKind::Ellipse, kCodeEllipse},
    {"SPLINE", TKind::Spline, kCodeSpline},
    {"DIMENSION", TKind::Dimension, kCodeDimension},
    {"MLINE", TKind::MLine, kCodeMLine},
    {"ATTRIB", TKind::Attrib, kCodeAttrib},
    {"3DFACE", TKind::Other, kCode3DFace},
    {"HATCH", TKind::Other, kCodeHatch},
    {"LEADER", TKind::Other, kCodeLeader},
    {"MULTILEADER", TKind::Other, kCodeMLeader},
    {"MLEADER", TKind::Other, kCodeMLeader},
    {"REGION", TKind::Other, kCodeRegion},
    {"3DSOLID", TKind::Other, kCode3DSolid},
    {"BODY", TKind::Other, kCodeBody},
    {"IMAGE", TKind::Other, kCodeImage},
    {"VIEWPORT", TKind::Other, kCodeViewport},
    {"XLINE", TKind::Other, kCodeXLine},
    {"RAY", TKind::Other, kCodeRay},
    {"TOLERANCE", TKind::Other, kCodeTolerance},
    {"WIPEOUT", TKind::Other, kCodeWipeout},
    {"ATTDEF", TKind::Other, kCodeAttDef},
    {"SHAPE", TKind::Other, kCodeShape},
    {"OLEFRAME", TKind::Other, kCodeOle},
    {"OLE2FRAME", TKind::Other, kCodeOle},
};

const TKindName& KindOf(std::string_view name) {
    static constexpr TKindName other{"", TKind::Other, kCodeOtherEntity};
    // Lengths and first letters tell most names apart without a comparison call.
    for (const TKindName& k : kKinds)
        if (k.Name.size() == name.size() && k.Name[0] == name[0] && k.Name == name) return k;
    return other;
}

// The group values of one entity (or table entry) gathered before it is stored.
struct TBag {
    uint64_t DMask = 0; // codes 10..59
    uint32_t EMask = 0; // codes 210..239
    uint64_t IMask = 0; // codes 60..99, 0..39 = code - 60
    double D[50];
    double E[30];
    int64_t I[40];
    std::string_view Layer, Name, Name3, Text1;
    bool HasLayer = false, HasName = false, HasName3 = false, HasText1 = false;
    bool Bad = false; // a non-finite number: the entity is skipped

    void Clear() {
        DMask = 0;
        EMask = 0;
        IMask = 0;
        HasLayer = HasName = HasName3 = HasText1 = false;
        Bad = false;
    }
    bool Has(int code) const {
        if (code >= 10 && code < 60) return (DMask >> (code - 10)) & 1;
        if (code >= 210 && code < 240) return (EMask >> (code - 210)) & 1;
        if (code >= 60 && code < 100) return (IMask >> (code - 60)) & 1;
        return false;
    }
    double Get(int code, double fallback = 0.0) const {
        if (code >= 10 && code < 60) return ((DMask >> (code - 10)) & 1) ? D[code - 10] : fallback;
        if (code >= 210 && code < 240)
            return ((EMask >> (code - 210)) & 1) ? E[code - 210] : fallback;
        return fallback;
    }
    int64_t Int(int code, int64_t fallback = 0) const {
        return (code >= 60 && code < 100 && ((IMask >> (code - 60)) & 1)) ? I[code - 60] : fallback;
    }
};

struct TLwVertex {
    double X = 0, Y = 0, StartWidth = 0, EndWidth = 0, Bulge = 0;
};

struct TMLineVertex {
    double P[9] = {};
    uint32_t FirstElement = 0;
    uint32_t ElementCount = 0;
};

struct TMLineElement {
    uint32_t First41 = 0, Count41 = 0, First42 = 0, Count42 = 0;
};

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

int16_t ClampInt16(int64_t v) {
    return static_cast<int16_t>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
}

class TDxfReader {
public:
    TDxfReader(const char* data, std::size_t size, const std::string& fileName,
               const TReadCallbacks& callbacks, TDxfScanner::TMore more, std::size_t readable)
        : S_(data, size, fileName, std::move(more), readable), Callbacks_(callbacks),
          D_(std::make_unique<TDrawing>()) {
        // Room for what the file can hold, reserved up front: untouched pages cost nothing,
        // and no regrowth copies the vectors while the file is still mapped.
        const std::size_t cap = std::size_t{1} << 30;
        D_->Entities.reserve(std::min(size / 48 + 16, cap / sizeof(TEntity)));
        D_->Doubles.reserve(std::min(size / 8 + 16, cap / sizeof(double)));
        D_->Strings.reserve(std::min(size / 16 + 16, cap));
        D_->Blob.reserve(std::min(size / 4 + 16, cap));
        D_->BlobStarts.reserve(std::min(size / 64 + 16, cap / sizeof(uint64_t)));
        PrepareModel();
    }

    std::unique_ptr<TDrawing> Read();

private:
    void Advance();
    // Advance in the loop that reads most groups, where a call per group would show.
    [[gnu::always_inline]] void AdvanceInline() {
        const std::size_t before = S_.Position();
        Have_ = S_.Next(G_);
        if (Have_ && G_.Code == 0) {
            PreviousObjectStart_ = ObjectStart_;
            ObjectStart_ = before;
        }
        if ((++Groups_ & 0x3FFF) == 0) Tick();
    }
    void Tick();
    // Maps the next stretch of the model's big vectors before they reach it.
    void PrepareModel() {
        PrepareAhead(D_->Entities.data(), D_->Entities.size() * sizeof(TEntity),
                     D_->Entities.capacity() * sizeof(TEntity), Ready_[0]);
        PrepareAhead(D_->Doubles.data(), D_->Doubles.size() * sizeof(double),
                     D_->Doubles.capacity() * sizeof(double), Ready_[1]);
        PrepareAhead(D_->Strings.data(), D_->Strings.size(), D_->Strings.capacity(), Ready_[2]);
        PrepareAhead(D_->Blob.data(), D_->Blob.size(), D_->Blob.capacity(), Ready_[3]);
    }
    std::size_t Ready_[4] = {};
    bool AtZero(std::string_view name) const {
        return Have_ && G_.Code == 0 && TDxfScanner::Trimmed(G_.Text) == name;
    }
    void SkipObject() {
        Advance();
        while (Have_ && G_.Code != 0)
            Advance();
    }
    void SkipSection() {
        while (Have_ && !AtZero("ENDSEC") && !AtZero("EOF"))
            SkipObject();
    }
    double Number() { return S_.ToDouble(G_); }

    void ReadHeader();
    void ReadTables();
    void ReadLayer();
    void ReadBlockRecord();
    void ReadBlocks();
    void ReadEntities(bool inBlock, uint32_t block);
    void ReadEntity(bool inBlock, uint32_t block);
    // Gathers the groups of one entity into Bag_ and the per-kind lists.
    void Gather(TKind kind);
    void GatherField(TKind kind, int code);
    // Per-kind gatherers of repeated groups; false for a group they do not take.
    bool GatherLwVertex(int code);
    bool GatherSplineValue(int code);
    bool GatherMLineValue(int code);
    void GatherMLineCount(int code);
    void Store(const TKindName& kind, uint32_t block);
    void StoreSeqEnd(uint32_t block, uint32_t layer);
    // An entity delivered with the OtherData record: its type's name and the problem.
    void StoreOther(uint16_t code, uint8_t problem, uint32_t block);
    uint32_t TypeName();
    void EndPolyline();

    uint32_t NewEntity(uint16_t code, uint32_t layer, uint32_t block) {
        return D_->NewEntity(code, layer, block, S_.FileName());
    }
    uint32_t PushDoubles(std::initializer_list<double> values);
    void PushExtrusion(TEntity& e);
    uint32_t LayerOf();
    std::string_view Decode(std::string_view raw, std::size_t max);
    uint32_t BlockOf(std::string_view raw);
    uint32_t NewBlob() { return D_->NewBlob(S_.FileName()); }

    TDxfScanner S_;
    const TReadCallbacks& Callbacks_;
    std::unique_ptr<TDrawing> D_;
    TTextDecoder Decoder_;
    TMultibyteDecoder Multibyte_;
    TGroup G_;
    bool Have_ = false;
    uint64_t Groups_ = 0;
    int LastPercent_ = -1;
    std::size_t ObjectStart_ = 0;
    std::size_t PreviousObjectStart_ = 0;
    std::size_t Released_ = 0;

    TBag Bag_;
    // The DXF type name of the entity being read, in the file's bytes: they stay readable until
    // the reader has moved past the entity.
    std::string_view Type_;
    std::unordered_map<std::string, uint32_t> TypeNames_;
    std::string Joined_;
    std::string Decoded_;
    // Layer indexes by the undecoded name; emptied whenever the decoding may change.
    TRawNameCache LayerCache_;
    std::vector<TLwVertex> Lw_;
    std::vector<TMLineVertex> MVertices_;
    std::vector<TMLineElement> MElements_;
    std::vector<double> MParams_;
    bool MIn42_ = false;
    // SPLINE: knots, weights, control points and fit points as the file lists them.
    std::vector<double> SKnots_, SWeights_, SControl_, SFit_;

    // POLYLINE ... VERTEX ... SEQEND and INSERT ... ATTRIB ... SEQEND sequences.
    enum class TSequence { None, Polyline, SkipVertices, Attributes } Sequence_ = TSequence::None;
    uint32_t SequenceBlock_ = 0;
    uint32_t SequenceLayer_ = 0;

    double ExtMin_[3] = {}, ExtMax_[3] = {}, PExtMin_[3] = {}, PExtMax_[3] = {};
    int16_t InsUnits_ = 0; // $INSUNITS; 0 = not declared
    bool HasExt_[4] = {};
};

void TDxfReader::Advance() {
    AdvanceInline();
}

void TDxfReader::Tick() {
    const std::size_t size = S_.Size();
    const int percent =
        size == 0 ? 100 : static_cast<int>(S_.Position() * 100.0 / static_cast<double>(size));
    if (percent > LastPercent_ && percent < 100) {
        LastPercent_ = percent;
        if (Callbacks_.Progress) Callbacks_.Progress(percent);
    }
    if (Callbacks_.Release && PreviousObjectStart_ > Released_ + (std::size_t{4} << 20)) {
        Released_ = PreviousObjectStart_;
        Callbacks_.Release(Released_);
    }
    PrepareModel();
}

std::unique_ptr<TDrawing> TDxfReader::Read() {
    if (Callbacks_.Progress) {
        Callbacks_.Progress(0);
        LastPercent_ = 0;
    }
    try {
        Advance();
        while (Have_ && G_.Code == 999)
            Advance();
    } catch (const EDxfError& e) {
        if (e.Code != ecBadGroupCode) throw;
        Have_ = false;
    }
    if (!AtZero("SECTION"))
        throw EDxfError{ecNotDrawing, "The file " + S_.FileName() +
                                          " is not a drawing: DXF files begin with a SECTION."};

    bool sawEof = false;
    // True while the last thing read was a section closed by its ENDSEC: a file that ends there
    // lacks only its "0 EOF" line and is whole.
    bool closed = false;
    while (Have_) {
        if (AtZero("EOF")) {
            sawEof = true;
            break;
        }
        closed = false;
        if (!AtZero("SECTION")) {
            SkipObject();
            continue;
        }
        Advance();
        std::string name;
        if (Have_ && G_.Code == 2) {
            name = TDxfScanner::Trimmed(G_.Text);
            Advance();
        }
        if (name == "HEADER") {
            ReadHeader();
        } else if (name == "TABLES") {
            ReadTables();
        } else if (name == "BLOCKS") {
            ReadBlocks();
        } else if (name == "ENTITIES") {
            while (Have_ && G_.Code != 0)
                Advance();
            ReadEntities(false, D_->ModelSpace);
        } else {
            SkipSection();
        }
        if (AtZero("ENDSEC")) {
            SkipObject();
            closed = true;
        }
    }
    if (!sawEof && !closed) S_.FailTruncated(S_.IsBinary() ? S_.Size() : G_.Where + 2);

    FinishExtents(*D_, ExtMin_, ExtMax_, HasExt_[0] && HasExt_[1], PExtMin_, PExtMax_,
                  HasExt_[2] && HasExt_[3]);
    std::memcpy(D_->Header->data() + DrawingHeader::InsUnits, &InsUnits_, sizeof InsUnits_);
    if (Callbacks_.Progress && LastPercent_ < 100) Callbacks_.Progress(100);
    return std::move(D_);
}

void TDxfReader::ReadHeader() {
    while (Have_ && G_.Code != 0) {
        if (G_.Code != 9) {
            Advance();
            continue;
        }
        const std::string variable(TDxfScanner::Trimmed(G_.Text));
        int point = -1;
        if (variable == "$EXTMIN")
            point = 0;
        else if (variable == "$EXTMAX")
            point = 1;
        else if (variable == "$PEXTMIN")
            point = 2;
        else if (variable == "$PEXTMAX")
            point = 3;
        double xyz[3] = {0, 0, 0};
        bool seen = false;
        bool finite = true;
        Advance();
        while (Have_ && G_.Code != 0 && G_.Code != 9) {
            if (point >= 0 && (G_.Code == 10 || G_.Code == 20 || G_.Code == 30)) {
                const double v = Number();
                finite = finite && std::isfinite(v);
                xyz[G_.Code / 10 - 1] = v;
                seen = true;
            } else if (variable == "$INSUNITS" && G_.Code == 70) {
                InsUnits_ = ClampInt16(S_.ToInteger(G_));
            } else if (variable == "$ACADVER" && G_.Code == 1) {
                Decoder_.SetUtf8(TDxfScanner::Trimmed(G_.Text) >= "AC1021");
                LayerCache_.Clear();
            } else if (variable == "$DWGCODEPAGE" && G_.Code == 3) {
                Decoder_.SetCodePage(TDxfScanner::Trimmed(G_.Text));
                LayerCache_.Clear();
            }
            Advance();
        }
        if (point >= 0 && seen && finite) {
            double* target = point == 0   ? ExtMin_
                             : point == 1 ? ExtMax_
                             : point == 2 ? PExtMin_
                                          : PExtMax_;
            std::copy(xyz, xyz + 3, target);
            HasExt_[point] = true;
        }
    }
}

void TDxfReader::ReadTables() {
    while (Have_ && G_.Code != 0)
        Advance();
    while (Have_ && !AtZero("ENDSEC") && !AtZero("EOF")) {
        if (AtZero("LAYER"))
            ReadLayer();
        else if (AtZero("BLOCK_RECORD"))
            ReadBlockRecord();
        else
            SkipObject();
    }
}

void TDxfReader::ReadLayer() {
    std::string_view name;
    bool hasName = false;
    int64_t colour = 7;
    int64_t flags = 0;
    Advance();
    while (Have_ && G_.Code != 0) {
        if (G_.Code == 2) {
            name = G_.Text;
            hasName = true;
        } else if (G_.Code == 62) {
            colour = S_.ToInteger(G_);
        } else if (G_.Code == 70) {
            flags = S_.ToInteger(G_);
        }
        Advance();
    }
    // The entry's views stay valid: the scanner's bytes are released only behind the
    // previous object.
    if (!hasName) return;
    TLayer& layer = D_->Layers[D_->FindOrAddLayer(Decode(name, kNameMax))];
    layer.Colour = ClampInt16(colour);
    layer.Flags = (flags & 1) ? 0x01 : 0x00;
    LayerCache_.Clear();
}

void TDxfReader::ReadBlockRecord() {
    Advance();
    while (Have_ && G_.Code != 0) {
        if (G_.Code == 2) D_->Blocks[BlockOf(G_.Text)].Defined = true;
        Advance();
    }
}

void TDxfReader::ReadBlocks() {
    while (Have_ && G_.Code != 0)
        Advance();
    while (Have_ && !AtZero("ENDSEC") && !AtZero("EOF")) {
        if (!AtZero("BLOCK")) {
            SkipObject();
            continue;
        }
        Bag_.Clear();
        Advance();
        while (Have_ && G_.Code != 0) {
            if (G_.Code == 2) {
                Bag_.Name = G_.Text;
                Bag_.HasName = true;
            } else if (G_.Code == 3) {
                Bag_.Name3 = G_.Text;
                Bag_.HasName3 = true;
            } else if (G_.Code == 10 || G_.Code == 20 || G_.Code == 30) {
                const double v = Number();
                if (std::isfinite(v)) {
                    Bag_.D[G_.Code - 10] = v;
                    Bag_.DMask |= uint64_t{1} << (G_.Code - 10);
                }
            }
            Advance();
        }
        std::string_view raw = Bag_.HasName ? Bag_.Name : Bag_.HasName3 ? Bag_.Name3 : "";
        uint32_t block;
        const std::string_view trimmed = TDxfScanner::Trimmed(raw);
        // R12 names the two spaces "$MODEL_SPACE" and "$PAPER_SPACE".
        if (EqualsNoCase(trimmed, "$MODEL_SPACE"))
            block = D_->ModelSpace;
        else if (EqualsNoCase(trimmed, "$PAPER_SPACE"))
            block = D_->PaperSpace;
        else
            block = BlockOf(raw);
        TBlock& b = D_->Blocks[block];
        b.Defined = true;
        b.Base[0] = Bag_.Get(10);
        b.Base[1] = Bag_.Get(20);
        b.Base[2] = Bag_.Get(30);
        ReadEntities(true, block);
        if (AtZero("ENDBLK")) SkipObject();
    }
}

void TDxfReader::ReadEntities(bool inBlock, uint32_t block) {
    while (Have_ && G_.Code == 0) {
        const std::string_view name = TDxfScanner::Trimmed(G_.Text);
        if (name == "ENDSEC" || name == "EOF" || name == "ENDBLK" || name == "BLOCK" ||
            name == "SECTION")
            break;
        ReadEntity(inBlock, block);
    }
    if (Sequence_ == TSequence::Polyline) EndPolyline();
    Sequence_ = TSequence::None;
}

void TDxfReader::ReadEntity(bool inBlock, uint32_t block) {
    Type_ = TDxfScanner::Trimmed(G_.Text);
    const TKindName& kind = KindOf(Type_);
    Gather(kind.Kind);

    // Sequences: vertices belong to their POLYLINE, attributes to their INSERT.
    if (kind.Kind == TKind::Vertex) {
        if (Sequence_ == TSequence::Polyline) {
            if (Bag_.Bad)
                StoreOther(kCodeBadNumber, OtherData::kBadNumber, SequenceBlock_);
            else
                Store(kind, SequenceBlock_);
        }
        return;
    }
    if (kind.Kind == TKind::SeqEnd) {
        if (Sequence_ == TSequence::Polyline) EndPolyline();
        Sequence_ = TSequence::None;
        return;
    }
    const uint32_t target = (!inBlock && Bag_.Int(67) == 1) ? D_->PaperSpace : block;
    if (kind.Kind == TKind::Attrib) {
        // Delivered where its INSERT is (its points are already in that space), so that
        // walkers can name it; an invisible one says so.
        const uint8_t problem =
            (Bag_.Int(70) & 1) ? OtherData::kInvisible : OtherData::kNotConverted;
        StoreOther(kCodeAttrib, problem,
                   Sequence_ == TSequence::Attributes ? SequenceBlock_ : target);
        return;
    }
    if (Sequence_ == TSequence::Polyline) EndPolyline();
    Sequence_ = TSequence::None;

    if (kind.Kind == TKind::Polyline) {
        const int64_t flags = Bag_.Int(70);
        if (Bag_.Bad || (flags & (16 | 64))) {
            if (!Bag_.Bad)
                StoreOther(kCodeMeshPolyline, OtherData::kMesh, target);
            else
                StoreOther(kCodeBadNumber, OtherData::kBadNumber, target);
            Sequence_ = TSequence::SkipVertices;
            return;
        }
        Store(kind, target);
        Sequence_ = TSequence::Polyline;
        SequenceBlock_ = target;
        SequenceLayer_ = D_->Entities.back().Layer;
        return;
    }
    if (Bag_.Bad) {
        StoreOther(kCodeBadNumber, OtherData::kBadNumber, target);
        if (kind.Kind == TKind::Insert) {
            Sequence_ = TSequence::Attributes;
            SequenceBlock_ = target;
        }
        return;
    }
    Store(kind, target);
    if (kind.Kind == TKind::Insert) {
        Sequence_ = TSequence::Attributes;
        SequenceBlock_ = target;
    }
}

void TDxfReader::EndPolyline() {
    StoreSeqEnd(SequenceBlock_, SequenceLayer_);
    Sequence_ = TSequence::None;
}

void TDxfReader::Gather(TKind kind) {
    Bag_.Clear();
    Joined_.clear();
    const bool fields = kind != TKind::Other && kind != TKind::Attrib && kind != TKind::SeqEnd;
    if (kind == TKind::LwPolyline) Lw_.clear();
    if (kind == TKind::Spline) {
        SKnots_.clear();
        SWeights_.clear();
        SControl_.clear();
        SFit_.clear();
    }
    if (kind == TKind::MLine) {
        MVertices_.clear();
        MElements_.clear();
        MParams_.clear();
        MIn42_ = false;
    }
    Advance();
    while (Have_ && G_.Code != 0) {
        const int code = G_.Code;
        if (code == 101 && kind == TKind::MText) {
            // An embedded object follows (AutoCAD 2018 on) with groups of its own that reuse
            // the MTEXT's codes (10, 40, 46 ...): the MTEXT's groups end here.
            while (Have_ && G_.Code != 0)
                Advance();
            break;
        }
        if (code == 8) {
            Bag_.Layer = G_.Text;
            Bag_.HasLayer = true;
        } else if (static_cast<unsigned>(code - 60) < 40u &&
                   (code == 67 || (kind == TKind::Attrib && code == 70) ||
                    (fields && !(kind == TKind::MLine && (code == 74 || code == 75))))) {
            Bag_.I[code - 60] = S_.ToInteger(G_);
            Bag_.IMask |= uint64_t{1} << (code - 60);
        } else if (fields) {
            // Other entity types keep only their layer and space.
            GatherField(kind, code);
        }
        AdvanceInline();
    }
}

void TDxfReader::GatherField(TKind kind, int code) {
    // The kinds with repeated groups take theirs first; every other group goes to the bag.
    if (kind == TKind::LwPolyline && GatherLwVertex(code)) return;
    if (kind == TKind::Spline && GatherSplineValue(code)) return;
    if (kind == TKind::MLine && GatherMLineValue(code)) return;
    if (code >= 10 && code < 60) {
        const double v = Number();
        if (!std::isfinite(v)) Bag_.Bad = true;
        Bag_.D[code - 10] = v;
        Bag_.DMask |= uint64_t{1} << (code - 10);
    } else if (code >= 210 && code < 240) {
        const double v = Number();
        if (!std::isfinite(v)) Bag_.Bad = true;
        Bag_.E[code - 210] = v;
        Bag_.EMask |= uint32_t{1} << (code - 210);
    } else if (code == 1) {
        Bag_.Text1 = G_.Text;
        Bag_.HasText1 = true;
    } else if (code == 2) {
        Bag_.Name = G_.Text;
        Bag_.HasName = true;
    } else if (code == 3 && kind == TKind::MText) {
        // MTEXT chunks: only as many bytes as the record can hold are kept
        if (Joined_.size() < RawTextMax(kMTextMax))
            Joined_.append(G_.Text.substr(0, RawTextMax(kMTextMax) - Joined_.size()));
    }
}

bool TDxfReader::GatherLwVertex(int code) {
    // 10, 20, 40, 41 and 42 in one test.
    constexpr uint64_t kTaken =
        (1ull << 0) | (1ull << 10) | (1ull << 30) | (1ull << 31) | (1ull << 32);
    if (static_cast<unsigned>(code - 10) >= 33u || !((kTaken >> (code - 10)) & 1)) return false;
    const double v = Number();
    if (!std::isfinite(v)) Bag_.Bad = true;
    if (code == 10) {
        Lw_.push_back(TLwVertex{v, 0, 0, 0, 0});
    } else if (!Lw_.empty()) {
        TLwVertex& lv = Lw_.back();
        (code == 20 ? lv.Y : code == 40 ? lv.StartWidth : code == 41 ? lv.EndWidth : lv.Bulge) = v;
    }
    return true;
}

bool TDxfReader::GatherSplineValue(int code) {
    if (code != 10 && code != 20 && code != 30 && code != 11 && code != 21 && code != 31 &&
        code != 40 && code != 41)
        return false;
    // Repeated groups: a point starts at its X; a Y or Z before any X is dropped.
    const double v = Number();
    if (!std::isfinite(v)) Bag_.Bad = true;
    if (code == 40) {
        SKnots_.push_back(v);
    } else if (code == 41) {
        SWeights_.push_back(v);
    } else {
        std::vector<double>& points = code % 10 == 0 ? SControl_ : SFit_;
        const int axis = code / 10 - 1;
        if (axis == 0)
            points.insert(points.end(), {v, 0.0, 0.0});
        else if (!points.empty())
            points[points.size() - 3 + static_cast<std::size_t>(axis)] = v;
    }
    return true;
}

bool TDxfReader::GatherMLineValue(int code) {
    if (code == 74 || code == 75) {
        GatherMLineCount(code);
        return true;
    }
    if (!((code >= 11 && code <= 13) || (code >= 21 && code <= 23) || (code >= 31 && code <= 33) ||
          code == 41 || code == 42))
        return false;
    const double v = Number();
    if (!std::isfinite(v)) Bag_.Bad = true;
    if (code == 11) {
        TMLineVertex mv;
        mv.FirstElement = static_cast<uint32_t>(MElements_.size());
        mv.P[0] = v;
        MVertices_.push_back(mv);
    } else if (code == 41 || code == 42) {
        if (MVertices_.empty() || MVertices_.back().ElementCount == 0) return true;
        TMLineElement& el = MElements_.back();
        if (code == 41 && !MIn42_) {
            MParams_.push_back(v);
            ++el.Count41;
        } else if (code == 42 && MIn42_) {
            MParams_.push_back(v);
            ++el.Count42;
        }
    } else if (!MVertices_.empty()) {
        // 12, 13 follow 11; 21..33 are the Y and Z of the three triples
        const int triple = code % 10 - 1;
        const int axis = code / 10 - 1;
        MVertices_.back().P[triple * 3 + axis] = v;
    }
    return true;
}

void TDxfReader::GatherMLineCount(int code) {
    S_.ToInteger(G_); // the stated count is checked but not trusted
    if (code == 74 && !MVertices_.empty()) {
        MElements_.push_back(TMLineElement{static_cast<uint32_t>(MParams_.size()), 0, 0, 0});
        ++MVertices_.back().ElementCount;
        MIn42_ = false;
    } else if (code == 75 && !MIn42_ && !MElements_.empty() && !MVertices_.empty() &&
               MVertices_.back().ElementCount > 0) {
        // Only the first 75 of an element starts its fill parameters: a repeated one
        // continues the same run, so each element's parameters stay one contiguous run of
        // MParams_ that its counts describe.
        MElements_.back().First42 = static_cast<uint32_t>(MParams_.size());
        MIn42_ = true;
    }
}

uint32_t TDxfReader::LayerOf() {
    const std::string_view raw = Bag_.HasLayer ? Bag_.Layer : std::string_view("0");
    // Entities name their layer in the file's own bytes: a name seen before needs neither
    // decoding nor folding again.
    uint32_t index = LayerCache_.Find(raw);
    if (index == TRawNameCache::kMissing) {
        index = D_->FindOrAddLayer(Decode(raw, kNameMax));
        LayerCache_.Insert(raw, index);
    }
    return index;
}

std::string_view TDxfReader::Decode(std::string_view raw, std::size_t max) {
    Decoded_.clear();
    // What the record cannot hold is not needed; see RawTextMax. The escapes are decoded
    // before the cut, so a cut never splits a decoded character nor leaves half an escape.
    Decoder_.Append(raw.substr(0, Utf8CutLength(raw, RawTextMax(max))), Decoded_);
    DecodeUnicodeEscapes(Decoded_, 0, &Multibyte_);
    return std::string_view(Decoded_).substr(0, Utf8CutLength(Decoded_, max));
}

uint32_t TDxfReader::BlockOf(std::string_view raw) {
    return D_->FindOrAddBlock(Decode(raw, kNameMax));
}

uint32_t TDxfReader::PushDoubles(std::initializer_list<double> values) {
    const uint32_t at = static_cast<uint32_t>(D_->Doubles.size());
    D_->Doubles.insert(D_->Doubles.end(), values.begin(), values.end());
    return at;
}

void TDxfReader::PushExtrusion(TEntity& e) {
    const double x = Bag_.Get(210, 0.0), y = Bag_.Get(220, 0.0), z = Bag_.Get(230, 1.0);
    if (x == 0.0 && y == 0.0 && z == 1.0) return;
    e.Flags |= TEntity::kHasExtrusion;
    PushDoubles({x, y, z});
}

void TDxfReader::StoreSeqEnd(uint32_t block, uint32_t layer) {
    NewEntity(kCodeSeqEnd, layer, block);
}

uint32_t TDxfReader::TypeName() {
    const auto found = TypeNames_.find(std::string(Type_));
    if (found != TypeNames_.end()) return found->second;
    const uint32_t offset = D_->AddString(Decode(Type_, kNameMax));
    // Hostile files may name endless types; the cache only saves repeats of the common ones.
    if (TypeNames_.size() < 4096) TypeNames_.emplace(Type_, offset);
    return offset;
}

void TDxfReader::StoreOther(uint16_t code, uint8_t problem, uint32_t block) {
    const uint32_t layer = LayerOf();
    const uint32_t name = TypeName();
    TEntity& e = D_->Entities[NewEntity(code, layer, block)];
    e.Aux = name;
    e.Flags = problem;
}

void TDxfReader::Store(const TKindName& kind, uint32_t block) {
    const uint32_t layer = LayerOf();
    const TBag& b = Bag_;
    const uint32_t index = NewEntity(kind.Code, layer, block);
    // NewEntity may not be followed by another push_back of Entities before `e` is done.
    TEntity& e = D_->Entities[index];
    switch (kind.Kind) {
    case TKind::Line:
        PushDoubles({b.Get(10), b.Get(20), b.Get(30), b.Get(11), b.Get(21), b.Get(31)});
        break;
    case TKind::Point:
        PushDoubles({b.Get(10), b.Get(20), b.Get(30)});
        break;
    case TKind::Circle:
        PushDoubles({b.Get(10), b.Get(20), b.Get(30), b.Get(40)});
        break;
    case TKind::Arc:
        PushDoubles({b.Get(10), b.Get(20), b.Get(30), b.Get(40), b.Get(50) * kDegToRad,
                     b.Get(51) * kDegToRad});
        break;
    case TKind::Ellipse:
        PushDoubles({b.Get(10), b.Get(20), b.Get(30), b.Get(11), b.Get(21), b.Get(31),
                     b.Get(40, 1.0), b.Get(41, 0.0), b.Get(42, 2 * std::numbers::pi)});
        break;
    case TKind::Text:
        PushDoubles({b.Get(10), b.Get(20), b.Get(30), b.Get(40), b.Get(50) * kDegToRad});
        e.Flags = static_cast<uint16_t>(b.Int(71) & 0xFF);
        e.Aux = b.HasText1 ? D_->AddString(Decode(b.Text1, kTextMax)) : 0;
        break;
    case TKind::MText: {
        PushDoubles({b.Get(10), b.Get(20), b.Get(30), b.Get(40), b.Get(41)});
        e.Flags = static_cast<uint16_t>(b.Int(71) & 0xFF);
        if (b.HasText1 && Joined_.size() < RawTextMax(kMTextMax))
            Joined_.append(b.Text1.substr(0, RawTextMax(kMTextMax) - Joined_.size()));
        e.Aux = D_->AddString(MTextPlainText(Decode(Joined_, kMTextMax)));
        break;
    }
    case TKind::Solid:
    case TKind::Trace: {
        const bool has4 = b.Has(13) || b.Has(23);
        PushDoubles({b.Get(10), b.Get(20), b.Get(30), b.Get(11), b.Get(21), b.Get(31), b.Get(12),
                     b.Get(22), b.Get(32), has4 ? b.Get(13) : b.Get(12),
                     has4 ? b.Get(23) : b.Get(22), has4 ? b.Get(33) : b.Get(32)});
        break;
    }
    case TKind::Insert: {
        // MINSERT copies; a count below 1 (or missing, as in a plain INSERT) is one copy.
        const auto columns = static_cast<uint32_t>(std::clamp<int64_t>(b.Int(70, 1), 1, 0xFFFF));
        const auto rows = static_cast<uint32_t>(std::clamp<int64_t>(b.Int(71, 1), 1, 0xFFFF));
        PushDoubles({b.Get(10), b.Get(20), b.Get(30), b.Get(41, 1.0), b.Get(42, 1.0),
                     b.Get(50) * kDegToRad, b.Get(44), b.Get(45)});
        e.Aux = b.HasName ? BlockOf(b.Name) : kNoIndex;
        e.Aux2 = (columns << 16) | rows;
        break;
    }
    case TKind::Dimension:
        PushDoubles({b.Get(12), b.Get(22), b.Get(32), b.Get(10), b.Get(20), b.Get(30),
                     b.Get(50) * kDegToRad});
        e.Aux = b.HasName ? BlockOf(b.Name) : kNoIndex;
        break;
    case TKind::Polyline:
        PushDoubles({b.Get(40)});
        e.Flags = static_cast<uint16_t>(b.Int(70) & 0xFF);
        break;
    case TKind::Vertex:
        PushDoubles({b.Get(10), b.Get(20), b.Get(30), b.Get(40), b.Get(42)});
        break;
    case TKind::LwPolyline: {
        uint16_t flags = (b.Int(70) & 1) ? LwPolylineData::FlagClosed : 0;
        for (const TLwVertex& v : Lw_) {
            if (v.Bulge != 0.0) flags |= LwPolylineData::FlagBulges;
            if (v.StartWidth != 0.0 || v.EndWidth != 0.0) flags |= LwPolylineData::FlagWidths;
        }
        PushDoubles({b.Get(43)});
        e.Flags = flags;
        e.Aux = NewBlob();
        e.Aux2 = static_cast<uint32_t>(std::min<std::size_t>(Lw_.size(), INT32_MAX));
        for (const TLwVertex& v : Lw_) {
            D_->BlobDouble(v.X);
            D_->BlobDouble(v.Y);
            if (flags & LwPolylineData::FlagBulges) D_->BlobDouble(v.Bulge);
            if (flags & LwPolylineData::FlagWidths) {
                D_->BlobDouble(v.StartWidth);
                D_->BlobDouble(v.EndWidth);
            }
        }
        break;
    }
    case TKind::MLine: {
        // The record's style line count governs how many element groups each vertex holds
        // in the packed data; never more than the file gave, so nothing is invented.
        uint32_t most = 0;
        for (const TMLineVertex& v : MVertices_)
            most = std::max(most, v.ElementCount);
        const uint32_t styleLines = static_cast<uint32_t>(
            std::clamp<int64_t>(b.Int(73), 0, std::min<int64_t>(most, INT16_MAX)));
        const std::size_t vertices = std::min<std::size_t>(MVertices_.size(), 0xFFFF);
        PushDoubles({b.Get(10), b.Get(20), b.Get(30)});
        e.Aux = NewBlob();
        e.Aux2 = (styleLines << 16) | static_cast<uint32_t>(vertices);
        for (std::size_t i = 0; i < vertices; ++i) {
            const TMLineVertex& v = MVertices_[i];
            for (double p : v.P)
                D_->BlobDouble(p);
            for (uint32_t k = 0; k < styleLines; ++k) {
                if (k < v.ElementCount) {
                    const TMLineElement& el = MElements_[v.FirstElement + k];
                    const uint32_t n41 = std::min<uint32_t>(el.Count41, INT16_MAX);
                    const uint32_t n42 = std::min<uint32_t>(el.Count42, INT16_MAX);
                    D_->BlobShort(static_cast<int16_t>(n41));
                    for (uint32_t j = 0; j < n41; ++j)
                        D_->BlobDouble(MParams_[el.First41 + j]);
                    D_->BlobShort(static_cast<int16_t>(n42));
                    for (uint32_t j = 0; j < n42; ++j)
                        D_->BlobDouble(MParams_[el.First42 + j]);
                } else {
                    D_->BlobShort(0);
                    D_->BlobShort(0);
                }
            }
        }
        break;
    }
    case TKind::Spline: {
        // Counts as found, not as stated: the stated ones are checked by the processor
        // against what arrives. Weights are kept only when there is one per control point.
        const std::size_t controls = SControl_.size() / 3;
        if (SWeights_.size() != controls) SWeights_.clear();
        const uint8_t tangents = (b.Has(12) || b.Has(22) ? SplineData::TangentStart : 0) |
                                 (b.Has(13) || b.Has(23) ? SplineData::TangentEnd : 0);
        const auto count = [](std::size_t n) {
            return static_cast<double>(std::min<std::size_t>(n, INT32_MAX));
        };
        PushDoubles({static_cast<double>(std::clamp<int64_t>(b.Int(71), INT16_MIN, INT16_MAX)),
                     static_cast<double>(b.Int(70) & 0xFFFF), count(SKnots_.size()),
                     count(controls), count(SWeights_.size()), count(SFit_.size() / 3),
                     static_cast<double>(tangents), b.Get(12), b.Get(22), b.Get(32), b.Get(13),
                     b.Get(23), b.Get(33)});
        e.Aux = NewBlob();
        for (const std::vector<double>* values : {&SKnots_, &SControl_, &SWeights_, &SFit_}) {
            const std::size_t at = D_->Blob.size();
            D_->Blob.resize(at + values->size() * 8);
            if (!values->empty())
                std::memcpy(D_->Blob.data() + at, values->data(), values->size() * 8);
        }
        break;
    }
    default:
        if (kind.Code >= kCodeFirstOther) {
            e.Aux = TypeName();
            e.Flags = OtherData::kNotConverted;
        }
        break;
    }
    PushExtrusion(D_->Entities[index]);
}

} // namespace

std::unique_ptr<TDrawing> ReadDxf(const char* data, std::size_t size, const std::string& fileName,
                                  const TReadCallbacks& callbacks) {
    if (size == 0)
        throw EDxfError{ecFileEmpty, "The file " + fileName + " is empty: choose a DXF drawing."};
    std::size_t readable = callbacks.More ? callbacks.More(4096) : size;
    // A DWG file is read whole.
    if (readable < size && (readable < 6 || std::memcmp(data, "AC", 2) == 0))
        readable = callbacks.More(size);
    if (IsReadableDwg(data, readable)) return ReadDwg(data, readable, fileName, callbacks);
    const std::string dwg = DwgRefusal(data, readable, fileName);
    if (!dwg.empty()) throw EDxfError{ecDwg, dwg};
    // A UTF-8 byte order mark, as some writers put one.
    std::size_t skipped = 0;
    if (readable >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) skipped = 3;
    TDxfScanner::TMore more;
    if (callbacks.More && readable < size)
        more = [&callbacks, skipped](std::size_t wanted) {
            return callbacks.More(wanted + skipped) - skipped;
        };
    TDxfReader reader(data + skipped, size - skipped, fileName, callbacks, std::move(more),
                      readable - skipped);
    return reader.Read();
}

std::string DwgRefusal(const char* data, std::size_t size, const std::string& fileName) {
    static constexpr struct {
        const char* Signature;
        const char* Release;
    } kVersions[] = {
        {"AC1.2", "Release 1.2"},    {"AC1.40", "Release 1.40"}, {"AC1.50", "Release 2.05"},
        {"AC2.10", "Release 2.10"},  {"AC1001", "Release 2.2"},  {"AC1002", "Release 2.5"},
        {"AC1003", "Release 2.6"},   {"AC1004", "Release 9"},    {"AC1006", "Release 10"},
        {"AC1009", "Release 11/12"}, {"AC1012", "R13"},          {"AC1014", "R14"},
    };
    if (size < 6 || std::memcmp(data, "AC", 2) != 0) return "";
    for (const auto& v : kVersions) {
        const std::size_t n = std::strlen(v.Signature);
        if (std::memcmp(data, v.Signature, n) != 0) continue;
        const std::string what =
            fileName + " is an AutoCAD " + v.Release + " drawing (" + std::string(data, n) + "); ";
        return what + "DWG files from AutoCAD 2000 or later are read; save it in a newer "
                      "version or as DXF.";
    }
    bool digits = true;
    for (int i = 2; i < 6; ++i)
        digits = digits && data[i] >= '0' && data[i] <= '9';
    if (!digits) return "";
    return fileName + " is a DWG file of an unknown AutoCAD version (" + std::string(data, 6) +
           "); DWG files of AutoCAD 2000, 2004, 2007, 2010, 2013 and 2018 are read; save it in one "
           "of those versions or as DXF.";
}

} // namespace pad2
