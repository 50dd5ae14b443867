// SPDX-License-Identifier: MIT
#include "pad2/DwgFile2007.h"

#include "pad2/DwgBits.h"
#include "pad2/DxfError.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace pad2 {

namespace {

// Order in which literal runs of 1 to 32 bytes are stored: entry i of run n (the run of n
// starts at n * (n - 1) / 2) is the input byte that becomes output byte i. Longer runs go in
// blocks of 32.
constexpr uint8_t kLiteralOrder[528] = {
    0,  1,  0,  2,  1,  0,  0,  1,  2,  3,  4,  0,  1,  2,  3,  5,  1,  2,  3,  4,  0,  6,  5,  1,
    2,  3,  4,  0,  0,  1,  2,  3,  4,  5,  6,  7,  8,  0,  1,  2,  3,  4,  5,  6,  7,  9,  1,  2,
    3,  4,  5,  6,  7,  8,  0,  10, 9,  1,  2,  3,  4,  5,  6,  7,  8,  0,  8,  9,  10, 11, 0,  1,
    2,  3,  4,  5,  6,  7,  12, 8,  9,  10, 11, 0,  1,  2,  3,  4,  5,  6,  7,  13, 9,  10, 11, 12,
    1,  2,  3,  4,  5,  6,  7,  8,  0,  14, 13, 9,  10, 11, 12, 1,  2,  3,  4,  5,  6,  7,  8,  0,
    8,  9,  10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,  9,  10, 11, 12, 13, 14, 15, 16,
    8,  0,  1,  2,  3,  4,  5,  6,  7,  17, 9,  10, 11, 12, 13, 14, 15, 16, 1,  2,  3,  4,  5,  6,
    7,  8,  0,  18, 17, 16, 8,  9,  10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,  16, 17,
    18, 19, 8,  9,  10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,  20, 16, 17, 18, 19, 8,
    9,  10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,  21, 20, 16, 17, 18, 19, 8,  9,  10,
    11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,  22, 21, 20, 16, 17, 18, 19, 8,  9,  10, 11,
    12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,  16, 17, 18, 19, 20, 21, 22, 23, 8,  9,  10, 11,
    12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,  17, 18, 19, 20, 21, 22, 23, 24, 16, 8,  9,  10,
    11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,  25, 17, 18, 19, 20, 21, 22, 23, 24, 16, 8,
    9,  10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,  26, 25, 17, 18, 19, 20, 21, 22, 23,
    24, 16, 8,  9,  10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,  24, 25, 26, 27, 16, 17,
    18, 19, 20, 21, 22, 23, 8,  9,  10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,  28, 24,
    25, 26, 27, 16, 17, 18, 19, 20, 21, 22, 23, 8,  9,  10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,
    5,  6,  7,  29, 28, 24, 25, 26, 27, 16, 17, 18, 19, 20, 21, 22, 23, 8,  9,  10, 11, 12, 13, 14,
    15, 0,  1,  2,  3,  4,  5,  6,  7,  30, 26, 27, 28, 29, 18, 19, 20, 21, 22, 23, 24, 25, 10, 11,
    12, 13, 14, 15, 16, 17, 2,  3,  4,  5,  6,  7,  8,  9,  1,  0,  24, 25, 26, 27, 28, 29, 30, 31,
    16, 17, 18, 19, 20, 21, 22, 23, 8,  9,  10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7};

uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
uint64_t Le64(const uint8_t* p) {
    return uint64_t{Le32(p)} | (uint64_t{Le32(p + 4)} << 32);
}

// Length of a literal run given by an opcode with high nibble 0.
std::size_t LiteralLength(TDwgByteIn& in, uint8_t op) {
    std::size_t n = std::size_t{op} + 8;
    if (n != 0x17) return n;
    std::size_t b = in.Next();
    n += b;
    if (b != 0xFF) return n;
    do {
        b = in.Next();
        b |= std::size_t{in.Next()} << 8;
        n += b;
    } while (b == 0xFFFF);
    return n;
}

// One back-reference: its length and distance; `op` becomes the byte whose low bits say how
// many literal bytes follow.
void BackReference(TDwgByteIn& in, uint8_t& op, std::size_t& length, std::size_t& offset) {
    switch (op >> 4) {
    case 0: {
        length = (op & 0x0Fu) + 0x13u;
        offset = in.Next();
        op = in.Next();
        length += (op >> 3) & 0x10u;
        offset += ((op & 0x78u) << 5) + 1;
        break;
    }
    case 1: {
        length = (op & 0x0Fu) + 3u;
        offset = in.Next();
        op = in.Next();
        offset += ((op & 0xF8u) << 5) + 1;
        break;
    }
    case 2: {
        offset = in.Next();
        offset |= std::size_t{in.Next()} << 8;
        length = op & 7u;
        if ((op & 8u) == 0) {
            op = in.Next();
            length += op & 0xF8u;
        } else {
            ++offset;
            length += std::size_t{in.Next()} << 3;
            op = in.Next();
            length += (std::size_t{op & 0xF8u} << 8) + 0x100;
        }
        break;
    }
    default: {
        length = op >> 4;
        offset = op & 0x0Fu;
        op = in.Next();
        offset += ((op & 0xF8u) << 1) + 1;
        break;
    }
    }
}

} // namespace

std::size_t Dwg2007Decompress(const uint8_t* inData, std::size_t inSize, uint8_t* outData,
                              std::size_t outSize) {
    TDwgByteIn in{inData, inSize};
    TDwgByteOut out{outData, outSize};
    const auto literal = [&](std::size_t n) {
        uint8_t* dst = out.Reserve(n);
        const uint8_t* src = in.Take(n);
        // Literals come in blocks of up to 32 bytes, each in its own order.
        while (n > 0) {
            const std::size_t block = std::min<std::size_t>(n, 32);
            const uint8_t* order = kLiteralOrder + block * (block - 1) / 2;
            for (std::size_t k = 0; k < block; ++k)
                dst[k] = src[order[k]];
            dst += block;
            src += block;
            n -= block;
        }
    };
    std::size_t lits = 0;
    uint8_t op = in.Next();
    if ((op >> 4) == 2) {
        in.I = 3;
        lits = in.Next() & 7u;
    }
    for (;;) {
        literal(lits != 0 ? lits : LiteralLength(in, op));
        if (in.I >= in.N) break;
        op = in.Next();
        // Back-references follow until one is followed by literals.
        for (;;) {
            std::size_t length, offset;
            BackReference(in, op, length, offset);
            out.CopyBack(offset, length);
            lits = op & 7u;
            if (lits != 0 || in.I >= in.N) break;
            op = in.Next();
            if ((op >> 4) == 0) break;
            if ((op >> 4) == 15) op &= 0x0Fu;
        }
        if (lits == 0 && in.I >= in.N) break;
    }
    return out.O;
}

void Dwg2007RsData(const uint8_t* in, std::size_t codewords, std::size_t k, bool interleaved,
                   uint8_t* out) {
    if (!interleaved) {
        std::memcpy(out, in, codewords * k);
        return;
    }
    for (std::size_t b = 0; b < codewords; ++b)
        for (std::size_t j = 0; j < k; ++j)
            out[b * k + j] = in[j * codewords + b];
}

namespace {

constexpr std::size_t kHeaderAt = 0x80;
constexpr std::size_t kPagesBase = 0x480; // page addresses count from here

struct TReader2007 {
    const uint8_t* Data;
    std::size_t Size;
    const std::string& FileName;
    std::size_t Cap; // the most bytes one section or system page may unpack to

    struct TPage {
        uint64_t At = 0;   // file offset
        uint64_t Size = 0; // bytes in the file
    };
    std::unordered_map<uint64_t, TPage> Pages;

    // The bytes of a system page: Reed-Solomon (255, 239) interleaved, the data repeated
    // `factor` times, then compressed when that made it shorter.
    std::vector<uint8_t> SystemPage(uint64_t at, uint64_t packed, uint64_t unpacked,
                                    uint64_t factor, const char* what) {
        const std::string name = std::string("the ") + what;
        if (packed == 0 || packed > Cap || unpacked > Cap || factor == 0)
            ThrowDwgDamaged(FileName, name + " has an impossible size");
        const uint64_t aligned = (packed + 7) & ~uint64_t{7};
        if (factor > Size / aligned + 1)
            ThrowDwgDamaged(FileName, name + " has an impossible size");
        const uint64_t codewords = (aligned * factor + 238) / 239;
        if (at > Size || codewords > (Size - at) / 255)
            ThrowDwgDamaged(FileName, name + " lies past the end of the file");
        std::vector<uint8_t> raw(static_cast<std::size_t>(codewords * 239));
        Dwg2007RsData(Data + at, static_cast<std::size_t>(codewords), 239, true, raw.data());
        return Unpack(raw.data(), static_cast<std::size_t>(packed),
                      static_cast<std::size_t>(unpacked), name);
    }

    std::vector<uint8_t> Unpack(const uint8_t* p, std::size_t packed, std::size_t unpacked,
                                const std::string& name) {
        std::vector<uint8_t> out(unpacked);
        if (packed < unpacked) {
            try {
                out.resize(Dwg2007Decompress(p, packed, out.data(), out.size()));
            } catch (const EDwgOverrun&) {
                ThrowDwgDamaged(FileName, name + " cannot be unpacked");
            }
        } else {
            std::memcpy(out.data(), p, unpacked);
        }
        return out;
    }
};

} // namespace

TDwgSections OpenDwg2007Sections(const uint8_t* data, std::size_t size,
                                 const std::string& fileName) {
    TDwgSections s;
    s.Version = TDwgVersion::R2007;
    if (size < kPagesBase)
        ThrowDwgDamaged(fileName, "the file header ends at byte " + std::to_string(size));
    s.Maintenance = data[0x0B];
    s.CodePage = data[0x13] | (data[0x14] << 8);
    if (Le32(data + 0x18) & 0x3) ThrowDwgEncrypted(fileName, "its data is encrypted");

    const auto cap = static_cast<std::size_t>(std::min<uint64_t>(uint64_t{size} * 64, 0x7FFFFFFFu));
    TReader2007 r{data, size, fileName, cap, {}};

    // The file header: three interleaved code words, then a compressed block of 0x110 bytes.
    uint8_t coded[3 * 239];
    Dwg2007RsData(data + kHeaderAt, 3, 239, true, coded);
    const int32_t length = static_cast<int32_t>(Le32(coded + 0x18));
    std::vector<uint8_t> h;
    {
        const std::size_t packed = length < 0 ? static_cast<std::size_t>(-int64_t{length})
                                              : static_cast<std::size_t>(length);
        if (packed == 0 || packed > sizeof coded - 0x20)
            ThrowDwgDamaged(fileName, "the file header at byte 128 cannot be read");
        h.assign(0x110, 0);
        if (length > 0) {
            try {
                Dwg2007Decompress(coded + 0x20, packed, h.data(), h.size());
            } catch (const EDwgOverrun&) {
                ThrowDwgDamaged(fileName, "the file header at byte 128 cannot be unpacked");
            }
        } else {
            std::memcpy(h.data(), coded + 0x20, std::min<std::size_t>(packed, h.size()));
        }
    }
    if (Le64(h.data()) != 0x70)
        ThrowDwgDamaged(fileName, "the file header at byte 128 cannot be read");

    // The page map: (size, id) pairs; pages follow each other from kPagesBase.
    const std::vector<uint8_t> pageMap =
        r.SystemPage(kPagesBase + Le64(h.data() + 0x38), Le64(h.data() + 0x50),
                     Le64(h.data() + 0x58), Le64(h.data() + 0x18), "page map");
    uint64_t address = kPagesBase;
    for (std::size_t i = 0; i + 16 <= pageMap.size(); i += 16) {
        const uint64_t pageSize = Le64(pageMap.data() + i);
        const int64_t id = static_cast<int64_t>(Le64(pageMap.data() + i + 8));
        if (id > 0) r.Pages[static_cast<uint64_t>(id)] = {address, pageSize};
        if (pageSize > size)
            ThrowDwgDamaged(fileName, "the page map lists a page larger than the file");
        address += pageSize;
    }
    const auto mapPage = r.Pages.find(Le64(h.data() + 0xC0));
    if (mapPage == r.Pages.end())
        ThrowDwgDamaged(fileName, "the page map does not hold the section map");
    const std::vector<uint8_t> map =
        r.SystemPage(mapPage->second.At, Le64(h.data() + 0xB0), Le64(h.data() + 0xC8),
                     Le64(h.data() + 0xD8), "section map");

    TDwgSectionCollector wanted(s, fileName, r.Cap);
    uint64_t budget = r.Cap; // bytes all pages together may unpack to
    std::vector<uint8_t> raw;
    for (std::size_t at = 0; map.size() - at >= 64;) {
        const uint8_t* e = map.data() + at;
        const uint64_t dataSize = Le64(e);
        const uint64_t encryption = Le64(e + 0x10);
        const uint64_t nameBytes = Le64(e + 0x20);
        const uint64_t encoding = Le64(e + 0x30);
        const uint64_t pageCount = Le64(e + 0x38);
        at += 64;
        if (nameBytes > map.size() - at) ThrowDwgDamaged(fileName, "the section map ends early");
        std::string name;
        for (std::size_t k = 0; k + 1 < nameBytes; k += 2) {
            const uint16_t c = static_cast<uint16_t>(map[at + k] | (map[at + k + 1] << 8));
            if (c == 0) break;
            name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        }
        at += static_cast<std::size_t>(nameBytes);
        if (pageCount > (map.size() - at) / 56)
            ThrowDwgDamaged(fileName, "the section map ends early");
        const std::size_t firstPage = at;
        at += static_cast<std::size_t>(pageCount) * 56;
        std::vector<uint8_t>* taken = wanted.Take(name, encryption == 1, dataSize);
        if (!taken) continue;
        std::vector<uint8_t>& out = *taken;
        for (uint64_t k = 0; k < pageCount; ++k) {
            const uint8_t* pe = map.data() + firstPage + k * 56;
            const uint64_t start = Le64(pe);
            const uint64_t id = Le64(pe + 0x10);
            const uint64_t unpacked = Le64(pe + 0x18);
            const uint64_t packed = Le64(pe + 0x20);
            const std::string what = "a page of the section " + name;
            const auto page = r.Pages.find(id);
            if (page == r.Pages.end()) ThrowDwgDamaged(fileName, what + " is not in the page map");
            // Every page read spends its sizes from the budget, so that pages listed over and
            // over cannot make the work grow beyond it.
            if (packed == 0 || packed > budget || unpacked > budget - packed)
                ThrowDwgDamaged(fileName, what + " has an impossible size");
            budget -= packed + unpacked;
            const uint64_t codewords = (((packed + 7) & ~uint64_t{7}) + 250) / 251;
            const TReader2007::TPage& where = page->second;
            if (where.At > size || codewords > (size - where.At) / 255)
                ThrowDwgDamaged(fileName, what + " lies past the end of the file");
            if (start >= out.size()) continue;
            raw.resize(static_cast<std::size_t>(codewords * 251));
            Dwg2007RsData(data + where.At, static_cast<std::size_t>(codewords), 251, encoding == 4,
                          raw.data());
            const std::vector<uint8_t> bytes =
                r.Unpack(raw.data(), static_cast<std::size_t>(packed),
                         static_cast<std::size_t>(unpacked), what);
            const std::size_t room = out.size() - static_cast<std::size_t>(start);
            std::memcpy(out.data() + start, bytes.data(), std::min(room, bytes.size()));
        }
    }
    wanted.Finish();
    return s;
}

} // namespace pad2
