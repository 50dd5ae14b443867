// SPDX-License-Identifier: MIT
// DWG entities no sample holds (MINSERT, splines by control points, numbers that are not
// finite, layers with RGB colours):
// an object of an AutoCAD 2000 sample is rewritten in place with the fields under test, and
// the reader must deliver what the DXF reader delivers for the same entity.
#include "DwgSample.h"
#include "pad2/ColourIndex.h"
#include "pad2/DwgBits.h"
#include "pad2/DwgReader.h"
#include "pad2/DxfError.h"
#include "pad2/DxfReader.h"
#include "pad2/EntityCodes.h"
#include "support/DxfText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

namespace pad2 {
namespace {

using namespace dxfi::abi;

using pad2test::ReadSample;

// Writes bit-packed values the way the reader takes them: most significant bit first.
struct TBitWriter {
    std::vector<uint8_t> Bytes;
    uint64_t Bits = 0;

    void B(unsigned v) {
        if (Bits % 8 == 0) Bytes.push_back(0);
        if (v) Bytes.back() = static_cast<uint8_t>(Bytes.back() | (0x80u >> (Bits % 8)));
        ++Bits;
    }
    void Put(uint64_t v, int n) {
        for (int i = n - 1; i >= 0; --i)
            B((v >> i) & 1u);
    }
    void BB(unsigned v) { Put(v, 2); }
    void RC(uint8_t v) { Put(v, 8); }
    void RS(uint16_t v) {
        RC(static_cast<uint8_t>(v & 0xFF));
        RC(static_cast<uint8_t>(v >> 8));
    }
    void RL(uint32_t v) {
        RS(static_cast<uint16_t>(v & 0xFFFF));
        RS(static_cast<uint16_t>(v >> 16));
    }
    void RD(double v) {
        uint8_t b[8];
        std::memcpy(b, &v, 8);
        for (uint8_t x : b)
            RC(x);
    }
    void BS(uint16_t v) {
        if (v == 256)
            BB(3);
        else
            ZeroByteOrWhole(v);
    }
    void BL(uint32_t v) { ZeroByteOrWhole(v); }
    // Two bits saying zero, one byte or the whole value, then what they announce.
    template <typename T> void ZeroByteOrWhole(T v) {
        if (v == 0) {
            BB(2);
        } else if (v < 256) {
            BB(1);
            RC(static_cast<uint8_t>(v));
        } else {
            BB(0);
            if constexpr (sizeof(T) == 2)
                RS(v);
            else
                RL(v);
        }
    }
    void BD(double v) {
        if (v == 1.0) {
            BB(1);
        } else if (v == 0.0 && !std::signbit(v)) {
            BB(2);
        } else {
            BB(0);
            RD(v);
        }
    }
    void H(unsigned code, uint64_t value) {
        unsigned n = 0;
        for (uint64_t x = value; x; x >>= 8)
            ++n;
        RC(static_cast<uint8_t>((code << 4) | n));
        for (unsigned i = n; i-- > 0;)
            RC(static_cast<uint8_t>(value >> (8 * i)));
    }
    // Overwrites 32 bits at `bit` with an RL.
    void PatchRL(uint64_t bit, uint32_t v) {
        for (int k = 0; k < 32; ++k) {
            const uint64_t at = bit + k;
            const unsigned byteBit = 7 - (k % 8);
            const unsigned value = (v >> (8 * (k / 8) + byteBit)) & 1u;
            uint8_t& target = Bytes[at / 8];
            const uint8_t mask = static_cast<uint8_t>(0x80u >> (at % 8));
            target = static_cast<uint8_t>(value ? (target | mask) : (target & ~mask));
        }
    }
};

// An R2000 entity as stored: type, own handle, common data of a model-space entity on the
// layer with handle `layer`, whose next entity is `next`; `fields` writes the entity's own
// data and `refs` its own handles.
std::vector<uint8_t> R2000Entity(uint16_t type, uint64_t handle, uint64_t layer, uint64_t next,
                                 const std::function<void(TBitWriter&)>& fields,
                                 const std::function<void(TBitWriter&)>& refs = {}) {
    TBitWriter w;
    w.BS(type);
    const uint64_t endBitAt = w.Bits;
    w.RL(0);
    w.H(0, handle);
    w.BS(0);    // no extended data
    w.B(0);     // no graphics
    w.BB(2);    // model space
    w.BL(0);    // reactors
    w.B(0);     // prev/next links follow
    w.BS(256);  // colour ByLayer
    w.BD(1.0);  // linetype scale
    w.BB(0);    // linetype ByLayer
    w.BB(0);    // plot style ByLayer
    w.BS(0);    // visible
    w.RC(0x1D); // lineweight
    fields(w);
    w.PatchRL(endBitAt, static_cast<uint32_t>(w.Bits));
    w.H(3, 0); // no extension dictionary
    w.H(4, 0); // previous: none
    w.H(4, next);
    w.H(5, layer);
    if (refs) refs(w);
    const std::size_t size = w.Bytes.size();
    std::vector<uint8_t> object(size + 4);
    object[0] = static_cast<uint8_t>(size & 0xFF);
    object[1] = static_cast<uint8_t>(size >> 8);
    std::copy(w.Bytes.begin(), w.Bytes.end(), object.begin() + 2);
    const uint16_t crc = DwgCrc16(0xC0C1, object.data(), size + 2);
    object[size + 2] = static_cast<uint8_t>(crc & 0xFF);
    object[size + 3] = static_cast<uint8_t>(crc >> 8);
    return object;
}

uint32_t Le32(const std::string& s, std::size_t at) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k)
        v = (v << 8) | static_cast<uint8_t>(s[at + k]);
    return v;
}

// Where the object `handle` of an R2000 file starts, through the file's object map.
std::size_t R2000ObjectOffset(const std::string& file, uint64_t handle) {
    const uint32_t count = Le32(file, 0x15);
    for (uint32_t i = 0; i < count; ++i) {
        const std::size_t r = 0x19 + i * 9;
        if (file[r] != 2) continue;
        std::size_t at = Le32(file, r + 1);
        for (;;) {
            const std::size_t size = (std::size_t{static_cast<uint8_t>(file[at])} << 8) |
                                     static_cast<uint8_t>(file[at + 1]);
            if (size <= 2) break;
            TDwgBits b(reinterpret_cast<const uint8_t*>(file.data()) + at + 2, size - 2);
            uint64_t h = 0;
            int64_t location = 0;
            while (b.Left() >= 16) {
                h += b.MC();
                location += b.MCSigned();
                if (h == handle) return static_cast<std::size_t>(location);
            }
            at += size + 2;
        }
    }
    return 0;
}

// The sample with the object `handle` replaced; the new object must fit in the old one's room.
std::string Rewritten(const std::string& sample, uint64_t handle,
                      const std::vector<uint8_t>& object) {
    std::string file = ReadSample(sample);
    if (file.empty()) {
        ADD_FAILURE() << "the DWG sample " << sample << " is missing in " << DXFI_DWG_SAMPLES_DIR;
        return {};
    }
    const std::size_t at = R2000ObjectOffset(file, handle);
    if (at == 0 || at + 2 > file.size()) {
        ADD_FAILURE() << "object " << handle << " is not in the map of " << sample;
        return {};
    }
    const std::size_t room = (static_cast<uint8_t>(file[at]) | (file[at + 1] << 8)) + 4u;
    if (object.size() > room) {
        ADD_FAILURE() << "the new object takes " << object.size() << " bytes, the old " << room;
        return {};
    }
    std::memcpy(file.data() + at, object.data(), object.size());
    return file;
}

std::unique_ptr<TDrawing> Read(const std::string& bytes, const std::string& name) {
    try {
        return ReadDxf(bytes.data(), bytes.size(), name);
    } catch (const EDxfError& e) {
        ADD_FAILURE() << name << " does not load: " << e.Message;
        return nullptr;
    }
}

// The model-space entities of a drawing in list order.
std::vector<const TEntity*> ModelEntities(const TDrawing& d) {
    std::vector<const TEntity*> out;
    for (uint32_t i = d.Blocks[d.ModelSpace].First; i != kNoIndex; i = d.Entities[i].Next)
        out.push_back(&d.Entities[i]);
    return out;
}

// In r2000_entities-2d.dwg (and its DXF): the INSERT of BLOCK1 is object 0x36 on layer "0"
// (0x10), followed by a SHAPE (0x39); BLOCK1's record is 0x32.
constexpr uint64_t kInsertHandle = 0x36, kLayer0 = 0x10, kNext = 0x39, kBlock1 = 0x32;
const char* const kSample = "r2000_entities-2d.dwg";

// A SPLINE of degree 1 through (0, 0, 0) and (x, 4, 0), stored with its knots and control
// points.
void SplineOfTwoPoints(TBitWriter& w, double x) {
    w.BL(1);   // control points and knots
    w.BL(1);   // degree
    w.B(0);    // not rational
    w.B(0);    // not closed
    w.B(0);    // not periodic
    w.BD(0.0); // knot tolerance
    w.BD(0.0); // control point tolerance
    w.BL(4);
    w.BL(2);
    w.B(0); // no weights
    for (double k : {0.0, 0.0, 1.0, 1.0})
        w.BD(k);
    for (double v : {0.0, 0.0, 0.0, x, 4.0, 0.0})
        w.BD(v);
}

TEST(DwgObjectTest, SplineWithControlPointsAsTheDxfReaderDeliversIt) {
    const auto object = R2000Entity(36, kInsertHandle, kLayer0, kNext,
                                    [](TBitWriter& w) { SplineOfTwoPoints(w, 3.0); });
    const auto dwg = Read(Rewritten(kSample, kInsertHandle, object), "spline.dwg");
    ASSERT_TRUE(dwg);
    EXPECT_EQ(LastDwgStats().BadObjects, 0u);
    const auto dxf =
        Read(testsupport::EntitiesDxf(
                 "0\nSPLINE\n8\n0\n70\n0\n71\n1\n72\n4\n73\n2\n"
                 "40\n0\n40\n0\n40\n1\n40\n1\n10\n0\n20\n0\n30\n0\n10\n3\n20\n4\n30\n0\n"),
             "spline.dxf");
    ASSERT_TRUE(dxf);
    const TEntity& expected = *ModelEntities(*dxf).at(0);
    const TEntity* found = nullptr;
    for (const TEntity* e : ModelEntities(*dwg))
        if (e->Code == kCodeSpline) found = e;
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Flags, expected.Flags);
    for (int k = 0; k < FieldCount(kCodeSpline); ++k)
        EXPECT_EQ(dwg->Doubles[found->Data + k], dxf->Doubles[expected.Data + k]) << "field " << k;
    const auto blob = [](const TDrawing& d, uint32_t b) {
        const uint64_t end = b + 1 < d.BlobStarts.size() ? d.BlobStarts[b + 1] : d.Blob.size();
        return std::vector<uint8_t>(d.Blob.begin() + d.BlobStarts[b], d.Blob.begin() + end);
    };
    EXPECT_EQ(blob(*dwg, found->Aux), blob(*dxf, expected.Aux));
    EXPECT_EQ(blob(*dwg, found->Aux).size(), (4 + 6) * 8u);
}

TEST(DwgObjectTest, MInsertDeliversItsCopiesAsTheDxfReaderDoes) {
    const auto object = R2000Entity(
        8, kInsertHandle, kLayer0, kNext,
        [](TBitWriter& w) {
            w.BD(6.0); // insertion point
            w.BD(1.0);
            w.BD(0.0);
            w.BB(2); // one scale for all three
            w.RD(0.5);
            w.BD(0.0); // rotation
            w.BD(0.0); // extrusion
            w.BD(0.0);
            w.BD(1.0);
            w.B(0);    // no attributes
            w.BS(3);   // columns
            w.BS(2);   // rows
            w.BD(2.5); // column spacing
            w.BD(1.0); // row spacing
        },
        [](TBitWriter& w) { w.H(5, kBlock1); });
    const std::string file = Rewritten(kSample, kInsertHandle, object);
    ASSERT_FALSE(file.empty());
    const auto dwg = Read(file, "minsert.dwg");
    ASSERT_TRUE(dwg);
    EXPECT_EQ(LastDwgStats().BadObjects, 0u);

    // The same entity as DXF writes it.
    const std::string dxfText =
        testsupport::Section("BLOCKS", "0\nBLOCK\n2\nBLOCK1\n10\n0\n20\n0\n30\n0\n0\nENDBLK\n") +
        testsupport::EntitiesDxf("0\nINSERT\n8\n0\n2\nBLOCK1\n10\n6\n20\n1\n30\n0\n41\n0.5\n"
                                 "42\n0.5\n43\n0.5\n70\n3\n71\n2\n44\n2.5\n45\n1\n");
    const auto dxf = Read(dxfText, "minsert.dxf");
    ASSERT_TRUE(dxf);
    const TEntity& expected = *ModelEntities(*dxf).at(0);

    const TEntity* found = nullptr;
    for (const TEntity* e : ModelEntities(*dwg))
        if (e->Code == kCodeInsert && e->Aux2 != ((1u << 16) | 1u)) found = e;
    ASSERT_NE(found, nullptr) << "no insert with copies";
    EXPECT_EQ(found->Aux2, (3u << 16) | 2u);
    EXPECT_EQ(found->Aux2, expected.Aux2);
    EXPECT_STREQ(dwg->String(dwg->Blocks[found->Aux].Name), "BLOCK1");
    for (int k = 0; k < FieldCount(kCodeInsert); ++k)
        EXPECT_DOUBLE_EQ(dwg->Doubles[found->Data + k], dxf->Doubles[expected.Data + k])
            << "field " << k;
    EXPECT_EQ(found->Flags & TEntity::kHasExtrusion, 0);

    // Counts below one are one copy, as in DXF.
    const auto single = R2000Entity(
        8, kInsertHandle, kLayer0, kNext,
        [](TBitWriter& w) {
            for (int k = 0; k < 3; ++k)
                w.BD(0.0);
            w.BB(3); // scale (1, 1, 1)
            w.BD(0.0);
            w.BD(0.0);
            w.BD(0.0);
            w.BD(1.0);
            w.B(0);
            w.BS(0);
            w.BS(0xFFFF); // -1
            w.BD(0.0);
            w.BD(0.0);
        },
        [](TBitWriter& w) { w.H(5, kBlock1); });
    const auto one = Read(Rewritten(kSample, kInsertHandle, single), "minsert1.dwg");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->Entities.size(), dwg->Entities.size());
    for (const TEntity* e : ModelEntities(*one)) {
        if (e->Code == kCodeInsert) {
            EXPECT_EQ(e->Aux2, (1u << 16) | 1u);
        }
    }
}

TEST(DwgObjectTest, NumbersThatAreNotFiniteAreReportedUnderTheKindsName) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const auto line = R2000Entity(19, kInsertHandle, kLayer0, kNext, [&](TBitWriter& w) {
        w.B(1); // z's are zero
        w.RD(nan);
        w.BB(0); // x2 as x1
        w.RD(2.0);
        w.BB(3); // y2 in full
        w.RD(inf);
        w.B(1); // no thickness
        w.B(1); // extrusion (0, 0, 1)
    });
    const auto circle = R2000Entity(18, kInsertHandle, kLayer0, kNext, [&](TBitWriter& w) {
        w.BD(1.0);
        w.BD(-inf);
        w.BD(0.0);
        w.BD(2.0); // radius
        w.B(1);
        w.B(1);
    });
    const auto minsert = R2000Entity(
        8, kInsertHandle, kLayer0, kNext,
        [&](TBitWriter& w) {
            for (int k = 0; k < 3; ++k)
                w.BD(0.0);
            w.BB(3);
            w.BD(0.0);
            w.BD(0.0);
            w.BD(0.0);
            w.BD(1.0);
            w.B(0);
            w.BS(2);
            w.BS(2);
            w.BD(nan); // column spacing
            w.BD(1.0);
        },
        [](TBitWriter& w) { w.H(5, kBlock1); });
    const auto spline = R2000Entity(36, kInsertHandle, kLayer0, kNext,
                                    [&](TBitWriter& w) { SplineOfTwoPoints(w, nan); });
    const struct {
        const char* Kind;
        const std::vector<uint8_t>& Object;
        const char* Dxf;
    } kCases[] = {
        {"SPLINE", spline,
         "0\nSPLINE\n8\n0\n71\n1\n40\n0\n40\n0\n40\n1\n40\n1\n10\n0\n20\n0\n10\n1e999\n"
         "20\n4\n"},
        {"LINE", line, "0\nLINE\n8\n0\n10\n1e999\n20\n2\n11\n0\n21\n0\n"},
        {"CIRCLE", circle, "0\nCIRCLE\n8\n0\n10\n1\n20\n-1e999\n40\n2\n"},
        {"MINSERT", minsert, "0\nMINSERT\n8\n0\n2\nBLOCK1\n70\n2\n71\n2\n44\n1e999\n"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.Kind);
        const auto dwg = Read(Rewritten(kSample, kInsertHandle, c.Object), "bad.dwg");
        ASSERT_TRUE(dwg);
        const auto dxf = Read(testsupport::EntitiesDxf(c.Dxf), "bad.dxf");
        ASSERT_TRUE(dxf);
        const TEntity& expected = *ModelEntities(*dxf).at(0);
        EXPECT_EQ(expected.Code, kCodeBadNumber);
        int reported = 0;
        for (const TEntity* e : ModelEntities(*dwg)) {
            if (e->Code != kCodeBadNumber) continue;
            ++reported;
            EXPECT_EQ(e->Flags, expected.Flags);
            EXPECT_EQ(e->Flags, OtherData::kBadNumber);
            EXPECT_EQ(dwg->StringView(e->Aux), dxf->StringView(expected.Aux));
            EXPECT_EQ(dwg->StringView(e->Aux), c.Kind);
            EXPECT_EQ(dwg->StringView(dwg->Layers[e->Layer].Name), "0");
        }
        EXPECT_EQ(reported, 1);
    }
}

TEST(DwgObjectTest, LayersWithRgbColoursTakeTheClosestIndex) {
    // Every index's own colour maps back to an index of that colour.
    for (int i = 1; i < 256; ++i)
        EXPECT_EQ(ColourIndexRgb(NearestColourIndex(ColourIndexRgb(i))), ColourIndexRgb(i)) << i;
    EXPECT_EQ(NearestColourIndex(0xFF0000), 1);
    EXPECT_EQ(NearestColourIndex(0x0000FF), 5);
    EXPECT_EQ(NearestColourIndex(0xFFFFFF), 7);
    // Between entries: the closest. A light grey layer's DXF carries index 7.
    EXPECT_EQ(NearestColourIndex(0xFE0101), 1);
    EXPECT_EQ(NearestColourIndex(0xF2F2F2), 7);
    EXPECT_EQ(NearestColourIndex(0xFF8000), 30);
    // Layer records: an index by method 0xC3, an RGB colour by 0xC2, else the stored index.
    EXPECT_EQ(DwgLayerColour(0, 0xC3000007), 7);
    EXPECT_EQ(DwgLayerColour(0, 0xC3000000), 0);
    EXPECT_EQ(DwgLayerColour(0, 0xC2FF8000), 30);
    EXPECT_EQ(DwgLayerColour(0, 0xC20000FF), 5);
    EXPECT_EQ(DwgLayerColour(3, 0xC0000000), 3);
    EXPECT_EQ(DwgLayerColour(0, 0xC8000000), 7);
}

} // namespace
} // namespace pad2
