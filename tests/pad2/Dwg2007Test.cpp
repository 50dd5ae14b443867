// SPDX-License-Identifier: MIT
// The AC1021 container: its decompressor and Reed-Solomon layout by hand-made input, the
// one-MTEXT sample by its values, and damaged copies of both samples, which must load or fail
// with a message naming the file.
#include "DwgSample.h"
#include "pad2/DwgBits.h"
#include "pad2/DwgFile2007.h"
#include "pad2/DwgReader.h"
#include "pad2/DxfError.h"
#include "pad2/DxfReader.h"
#include "pad2/EntityCodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace pad2 {
namespace {

using namespace dxfi::abi;

using pad2test::ReadOutcome;
using pad2test::ReadSample;

std::string Unpack(const std::vector<uint8_t>& in, std::size_t room = 256) {
    std::vector<uint8_t> out(room);
    const std::size_t n = Dwg2007Decompress(in.data(), in.size(), out.data(), out.size());
    return std::string(reinterpret_cast<const char*>(out.data()), n);
}

std::vector<uint8_t> Bytes(std::initializer_list<int> head, const std::string& tail = "",
                           std::initializer_list<int> end = {}) {
    std::vector<uint8_t> v;
    for (int b : head)
        v.push_back(static_cast<uint8_t>(b));
    v.insert(v.end(), tail.begin(), tail.end());
    for (int b : end)
        v.push_back(static_cast<uint8_t>(b));
    return v;
}

TEST(Dwg2007Test, DecompressorStoresLiteralsInItsOwnOrder) {
    // A first opcode 0x2n takes its literal count from the fourth byte; two bytes come reversed.
    EXPECT_EQ(Unpack(Bytes({0x20, 0, 0, 0x02}, "ba")), "ab");
    // Opcode 0x08: 16 literals, stored with their halves swapped. Then a back-reference
    // (0x11: 4 bytes from 4 back) whose last byte's low bits add one literal.
    EXPECT_EQ(Unpack(Bytes({0x08}, "IJKLMNOPABCDEFGH", {0x11, 0x03, 0x01, 'Z'})),
              "ABCDEFGHIJKLMNOPMNOPZ");
    // Back-references in a row: 0x42 copies 4 bytes from 3 back (overlapping), then 0x30
    // copies 3 bytes from 1 back; its zero low bits and the opcode 0x00 after it end the row:
    // 0x00 is a literal run of 8.
    const std::string run =
        Unpack(Bytes({0x20, 0, 0, 0x03}, "cba",
                     {0x42, 0x00, 0x30, 0x00, 0x00, '0', '1', '2', '3', '4', '5', '6', '7'}));
    EXPECT_EQ(run, "abcabcaaaa01234567");
    // 40 literals (0x0F and one more length byte): a block of 32 stored as four groups of
    // eight in reverse order, then eight in order.
    std::string stored;
    for (int k = 0; k < 40; ++k)
        stored.push_back(static_cast<char>('A' + k));
    const std::string plain = Unpack(Bytes({0x0F, 40 - 0x17}, stored));
    EXPECT_EQ(plain, stored.substr(24, 8) + stored.substr(16, 8) + stored.substr(8, 8) +
                         stored.substr(0, 8) + stored.substr(32, 8));

    // A reference before the start, past the output room, or input that ends inside a run.
    EXPECT_THROW(Unpack(Bytes({0x20, 0, 0, 0x01}, "a", {0x11, 0x05, 0x00})), EDwgOverrun);
    EXPECT_THROW(Unpack(Bytes({0x08}, "IJKLMNOPABCDEFGH", {0x11, 0x03, 0x01, 'Z'}), 18),
                 EDwgOverrun);
    EXPECT_THROW(Unpack(Bytes({0x08}, "IJKLMNOP")), EDwgOverrun);
    EXPECT_THROW(Unpack(Bytes({0x0F, 0xFF, 0xFF})), EDwgOverrun);
    EXPECT_THROW(Unpack({}), EDwgOverrun);
}

TEST(Dwg2007Test, ReedSolomonDataBytesAreTakenWithoutTheParity) {
    // Two code words of 255 bytes, interleaved: byte j of word b at 2j + b.
    std::vector<uint8_t> coded(2 * 255);
    for (std::size_t j = 0; j < 255; ++j) {
        coded[2 * j] = static_cast<uint8_t>(j < 239 ? j : 0xEE);
        coded[2 * j + 1] = static_cast<uint8_t>(j < 239 ? 255 - j : 0xEE);
    }
    std::vector<uint8_t> data(2 * 239);
    Dwg2007RsData(coded.data(), 2, 239, true, data.data());
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(data[238], 238);
    EXPECT_EQ(data[239], 255);
    EXPECT_EQ(data[2 * 239 - 1], 255 - 238);
    // Not interleaved: the data blocks come first, the parity after them.
    Dwg2007RsData(coded.data(), 2, 239, false, data.data());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), coded.begin()));
}

// Builds an AC1021 container by hand: stored (not compressed) file header, page map, section
// map and one data page per section, each Reed-Solomon laid out as the format has it, with
// zero parity.
struct TContainer {
    struct TSection {
        std::string Name;
        std::vector<uint8_t> Bytes;
        uint64_t Encryption = 0;
        int Repeats = 1; // times its page is listed
    };
    std::vector<TSection> Sections;
    std::vector<uint8_t> File;

    static void Put64(std::vector<uint8_t>& v, std::size_t at, uint64_t x) {
        if (v.size() < at + 8) v.resize(at + 8);
        for (int k = 0; k < 8; ++k)
            v[at + k] = static_cast<uint8_t>(x >> (8 * k));
    }
    static void Append64(std::vector<uint8_t>& v, uint64_t x) { Put64(v, v.size(), x); }

    // Appends `data` as code words of k data bytes, interleaved; returns its size in the file.
    uint64_t Page(const std::vector<uint8_t>& data, std::size_t k) {
        const std::size_t aligned = (data.size() + 7) / 8 * 8;
        const std::size_t words = (aligned + k - 1) / k;
        const std::size_t at = File.size();
        File.resize(at + words * 255);
        for (std::size_t d = 0; d < data.size(); ++d)
            File[at + (d % k) * words + d / k] = data[d];
        File.resize((File.size() + 0x1F) / 0x20 * 0x20);
        return File.size() - at;
    }

    std::string Build() {
        File.assign(0x480, 0);
        std::memcpy(File.data(), "AC1021", 6);
        // Pages: 1 the page map, 2 the section map, 3... the sections; sizes known only once
        // written, so the page map is written last at the end and found through the header.
        std::vector<uint64_t> sizes;
        for (const TSection& s : Sections)
            sizes.push_back(Page(s.Bytes, 251));
        std::vector<uint8_t> map;
        for (std::size_t i = 0; i < Sections.size(); ++i) {
            const TSection& s = Sections[i];
            Append64(map, s.Bytes.size());
            Append64(map, 0x7400);
            Append64(map, s.Encryption);
            Append64(map, 0);
            Append64(map, s.Name.size() * 2 + 2);
            Append64(map, 0);
            Append64(map, 4);
            Append64(map, s.Repeats);
            for (char c : s.Name) {
                map.push_back(static_cast<uint8_t>(c));
                map.push_back(0);
            }
            map.push_back(0);
            map.push_back(0);
            for (int r = 0; r < s.Repeats; ++r) {
                for (uint64_t x : {uint64_t{0}, sizes[i], uint64_t{3 + i}, uint64_t{s.Bytes.size()},
                                   uint64_t{s.Bytes.size()}, uint64_t{0}, uint64_t{0}})
                    Append64(map, x);
            }
        }
        const uint64_t mapSize = Page(map, 239);
        std::vector<uint8_t> pages;
        for (std::size_t i = 0; i < Sections.size(); ++i) {
            Append64(pages, sizes[i]);
            Append64(pages, 3 + i);
        }
        Append64(pages, mapSize);
        Append64(pages, 2);
        const uint64_t pageMapAt = File.size() - 0x480;
        Append64(pages, 0x400); // the page map itself
        Append64(pages, 1);
        Page(pages, 239);

        std::vector<uint8_t> header(0x110);
        Put64(header, 0x00, 0x70);
        Put64(header, 0x18, 1); // repeated once
        Put64(header, 0x38, pageMapAt);
        Put64(header, 0x50, pages.size());
        Put64(header, 0x58, pages.size());
        Put64(header, 0xB0, map.size());
        Put64(header, 0xC0, 2);
        Put64(header, 0xC8, map.size());
        Put64(header, 0xD8, 1);
        std::vector<uint8_t> coded(3 * 239);
        const int32_t stored = -0x110;
        std::memcpy(coded.data() + 0x18, &stored, 4);
        std::memcpy(coded.data() + 0x20, header.data(), header.size());
        for (std::size_t d = 0; d < coded.size(); ++d)
            File[0x80 + (d % 239) * 3 + d / 239] = coded[d];
        return std::string(File.begin(), File.end());
    }
};

std::vector<uint8_t> Pattern(std::size_t n, int seed) {
    std::vector<uint8_t> v(n);
    for (std::size_t k = 0; k < n; ++k)
        v[k] = static_cast<uint8_t>(k * 7 + seed);
    return v;
}

TContainer FourSections() {
    TContainer c;
    c.Sections = {{"AcDb:Header", Pattern(100, 1)},
                  {"AcDb:Preview", Pattern(40, 9)},
                  {"AcDb:Classes", Pattern(8, 2)},
                  {"AcDb:Handles", Pattern(251, 3)},
                  {"AcDb:AcDbObjects", Pattern(700, 4)}};
    return c;
}

std::string OpenFails(const std::string& file) {
    try {
        OpenDwg2007Sections(reinterpret_cast<const uint8_t*>(file.data()), file.size(), "x.dwg");
    } catch (const EDxfError& e) {
        return e.Message;
    }
    return "opened";
}

TEST(Dwg2007Test, ContainerGivesBackEverySectionItHolds) {
    TContainer c = FourSections();
    const std::string file = c.Build();
    const TDwgSections s =
        OpenDwg2007Sections(reinterpret_cast<const uint8_t*>(file.data()), file.size(), "x.dwg");
    EXPECT_EQ(s.Version, TDwgVersion::R2007);
    const auto same = [](const uint8_t* p, std::size_t n, const std::vector<uint8_t>& want) {
        return n == want.size() && std::equal(want.begin(), want.end(), p);
    };
    EXPECT_TRUE(same(s.Header, s.HeaderSize, c.Sections[0].Bytes));
    EXPECT_TRUE(same(s.Classes, s.ClassesSize, c.Sections[2].Bytes));
    EXPECT_TRUE(same(s.Handles, s.HandlesSize, c.Sections[3].Bytes));
    EXPECT_TRUE(same(s.Objects, s.ObjectsSize, c.Sections[4].Bytes));

    // An encrypted section, a missing one, and one page listed so often that unpacking it
    // again and again would take far more than the file holds.
    TContainer locked = FourSections();
    locked.Sections[4].Encryption = 1;
    EXPECT_EQ(OpenFails(locked.Build()),
              "x.dwg is protected by a password (its section AcDb:AcDbObjects is encrypted): open "
              "it in AutoCAD, remove the password and save it again, or save it as DXF.");
    TContainer missing = FourSections();
    missing.Sections.erase(missing.Sections.begin() + 3);
    EXPECT_EQ(OpenFails(missing.Build()),
              "x.dwg is damaged: the section map has no AcDb:Handles section. Open it in AutoCAD "
              "and save it again, or save it as DXF.");
    TContainer repeated = FourSections();
    repeated.Sections[4].Bytes = Pattern(65536, 4);
    repeated.Sections[4].Repeats = 200;
    EXPECT_EQ(OpenFails(repeated.Build()),
              "x.dwg is damaged: a page of the section AcDb:AcDbObjects has an impossible size. "
              "Open it in AutoCAD and save it again, or save it as DXF.");
    // A file header that is not one: its header size is not 0x70.
    std::string bad = c.Build();
    bad[0x80 + 0x20 * 3] = 0x71;
    EXPECT_EQ(OpenFails(bad), "x.dwg is damaged: the file header at byte 128 cannot be read. Open "
                              "it in AutoCAD and save it again, or save it as DXF.");
}

TEST(Dwg2007Test, TextSampleHoldsItsOneMText) {
    const std::string bytes = ReadSample("r2007_Text.dwg");
    std::unique_ptr<TDrawing> d;
    try {
        d = ReadDxf(bytes.data(), bytes.size(), "r2007_Text.dwg");
    } catch (const EDxfError& e) {
        FAIL() << e.Message;
    }
    EXPECT_EQ(LastDwgStats().BadObjects, 0u);
    EXPECT_TRUE(LastDwgStats().TablesFromHeader);
    EXPECT_EQ(d->SkippedEntities, 0u);
    ASSERT_EQ(d->Entities.size(), 1u);
    const TEntity& m = d->Entities[0];
    EXPECT_EQ(d->Blocks[d->ModelSpace].First, 0u);
    EXPECT_EQ(m.Code, kCodeMText);
    EXPECT_EQ(d->StringView(d->Layers[m.Layer].Name), "0");
    // Its UTF-16 text as UTF-8, the insertion point, the text height and the box width.
    EXPECT_EQ(d->StringView(m.Aux), "This a multiline text to check if libredwg is able to read "
                                    "this in the current file format version");
    const double* f = d->Doubles.data() + m.Data;
    EXPECT_DOUBLE_EQ(f[0], 7.3329777131949214);
    EXPECT_DOUBLE_EQ(f[1], 14.115798350230115);
    EXPECT_DOUBLE_EQ(f[2], 0.0);
    EXPECT_DOUBLE_EQ(f[3], 0.2);
    EXPECT_DOUBLE_EQ(f[4], 13.031885241836363);
    EXPECT_EQ(m.Flags, 1); // attached at the top left
    // The declared units, from the end of the header variables: inches.
    int16_t units;
    std::memcpy(&units, d->Header->data() + DrawingHeader::InsUnits, sizeof units);
    EXPECT_EQ(units, 1);
}

TEST(Dwg2007Test, DamagedCopiesLoadOrFailNamingTheFile) {
    for (const char* name : {"r2007_Text.dwg", "example_2007.dwg"}) {
        SCOPED_TRACE(name);
        const std::string good = ReadSample(name);
        ASSERT_GT(good.size(), 0x1000u);
        std::vector<std::string> variants;
        // Cut inside the meta data, the file header, the page map and the pages.
        for (std::size_t cut : {std::size_t{0x40}, std::size_t{0x100}, std::size_t{0x480},
                                std::size_t{0x800}, good.size() / 2, good.size() - 1})
            variants.push_back(good.substr(0, cut));
        // Bytes of the coded file header's length field and of its data zeroed or set (its
        // first 239 bytes lie at every third byte from 0x80).
        for (std::size_t k = 0; k < 8; ++k) {
            for (char value : {'\0', '\xFF'}) {
                std::string v = good;
                v[0x80 + 3 * (0x18 + k % 4)] = value;
                v[0x80 + 3 * (0x20 + k)] = value;
                variants.push_back(v);
            }
        }
        uint32_t seed = 2007;
        for (int k = 0; k < 60; ++k) {
            std::string flipped = good;
            for (int n = 0; n < 3; ++n) {
                seed = seed * 1103515245u + 12345u;
                // half of the flips land in the first 8 KiB, where the maps are
                const std::size_t span = (k % 2) ? flipped.size() : std::size_t{0x2000};
                const std::size_t at = (seed >> 4) % span;
                flipped[at] = static_cast<char>(flipped[at] ^ (1 << (seed % 8)));
            }
            variants.push_back(flipped);
        }
        for (std::size_t from : {std::size_t{0x80}, std::size_t{0x480}, good.size() / 3}) {
            std::string zeroed = good;
            std::memset(zeroed.data() + from, 0, std::min<std::size_t>(4096, good.size() - from));
            variants.push_back(zeroed);
        }
        std::string locked = good;
        locked[0x18] = 1;
        EXPECT_EQ(ReadOutcome(locked, name),
                  std::string(name) +
                      " (AutoCAD 2007 drawing, AC1021) is protected by a password (its data is "
                      "encrypted): open it in AutoCAD, remove the password and save it again, or "
                      "save it as DXF.");
        int loaded = 0;
        for (const std::string& v : variants) {
            const std::string message = ReadOutcome(v, name);
            if (message == "loaded")
                ++loaded;
            else
                EXPECT_NE(message.find(std::string(name) + " (AutoCAD 2007 drawing, AC1021)"),
                          std::string::npos)
                    << message;
        }
        EXPECT_GT(loaded, 0);
    }
}

} // namespace
} // namespace pad2
