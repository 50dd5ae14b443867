// SPDX-License-Identifier: MIT
#include "pad2/DwgFile.h"

#include "pad2/DwgBits.h"
#include "pad2/DwgFile2007.h"
#include "pad2/DxfError.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

namespace pad2 {

void ThrowDwgDamaged(const std::string& fileName, const std::string& what) {
    throw EDxfError{ecBadValue, fileName + " is damaged: " + what +
                                    ". Open it in AutoCAD and save it again, or save it as DXF."};
}

namespace {

// The sections a drawing needs, in the order of TDwgSections::Storage.
constexpr const char* kWanted[4] = {"AcDb:Header", "AcDb:Classes", "AcDb:Handles",
                                    "AcDb:AcDbObjects"};

} // namespace

void ThrowDwgEncrypted(const std::string& fileName, const std::string& what) {
    throw EDxfError{ecDwg, fileName + " is protected by a password (" + what +
                               "): open it in AutoCAD, remove the password and save it again, "
                               "or save it as DXF."};
}

std::vector<uint8_t>* TDwgSectionCollector::Take(const std::string& name, bool encrypted,
                                                 uint64_t size) {
    const auto wanted = std::find(std::begin(kWanted), std::end(kWanted), name);
    if (wanted == std::end(kWanted)) return nullptr;
    const auto which = static_cast<std::size_t>(wanted - std::begin(kWanted));
    if (Found[which]) return nullptr;
    Found[which] = true;
    if (encrypted) ThrowDwgEncrypted(FileName, "its section " + name + " is encrypted");
    if (size > Cap)
        ThrowDwgDamaged(FileName,
                        "the section " + name + " claims " + std::to_string(size) + " bytes");
    Total += size;
    if (Total > Cap)
        ThrowDwgDamaged(FileName, "its sections claim more than 64 times the file's size");
    S.Storage[which].assign(static_cast<std::size_t>(size), 0);
    return &S.Storage[which];
}

void TDwgSectionCollector::Finish() {
    for (std::size_t k = 0; k < 4; ++k)
        if (!Found[k])
            ThrowDwgDamaged(FileName,
                            std::string("the section map has no ") + kWanted[k] + " section");
    S.Header = S.Storage[0].data();
    S.HeaderSize = S.Storage[0].size();
    S.Classes = S.Storage[1].data();
    S.ClassesSize = S.Storage[1].size();
    S.Handles = S.Storage[2].data();
    S.HandlesSize = S.Storage[2].size();
    S.Objects = S.Storage[3].data();
    S.ObjectsSize = S.Storage[3].size();
}

uint16_t DwgCrc16(uint16_t seed, const uint8_t* data, std::size_t size) {
    // Eight tables: eight bytes a step.
    static const auto tables = [] {
        std::array<std::array<uint16_t, 256>, 8> t{};
        for (unsigned i = 0; i < 256; ++i) {
            unsigned c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
            t[0][i] = static_cast<uint16_t>(c);
        }
        for (unsigned i = 0; i < 256; ++i)
            for (int k = 1; k < 8; ++k)
                t[k][i] = static_cast<uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
        return t;
    }();
    uint32_t crc = seed;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        const uint8_t* p = data + i;
        const uint32_t x = crc ^ (uint32_t{p[0]} | (uint32_t{p[1]} << 8));
        crc = tables[7][x & 0xFF] ^ tables[6][(x >> 8) & 0xFF] ^ tables[5][p[2]] ^ tables[4][p[3]] ^
              tables[3][p[4]] ^ tables[2][p[5]] ^ tables[1][p[6]] ^ tables[0][p[7]];
    }
    for (; i < size; ++i)
        crc = (crc >> 8) ^ tables[0][(crc ^ data[i]) & 0xFF];
    return static_cast<uint16_t>(crc);
}

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
uint64_t Le64(const uint8_t* p) {
    return uint64_t{Le32(p)} | (uint64_t{Le32(p + 4)} << 32);
}

std::size_t LiteralLength(TDwgByteIn& in, uint8_t first) {
    if (first == 0) {
        std::size_t total = 0x0F;
        for (;;) {
            const uint8_t b = in.Next();
            if (b != 0) return total + b + 3;
            total += 0xFF;
        }
    }
    return std::size_t{first} + 3;
}

std::size_t LongCount(TDwgByteIn& in) {
    uint8_t b = in.Next();
    if (b != 0) return b;
    std::size_t total = 0xFF;
    for (;;) {
        b = in.Next();
        if (b != 0) return total + b;
        total += 0xFF;
    }
}

} // namespace

void TDwgByteOut::CopyBack(std::size_t distance, std::size_t count) {
    if (distance == 0 || distance > O) throw EDwgOverrun{};
    const uint8_t* from = P + O - distance;
    uint8_t* to = Reserve(count);
    if (distance >= count) {
        std::memcpy(to, from, count);
        return;
    }
    // Overlapping: the pattern of `distance` bytes repeats. Each step copies from the pattern's
    // start as much as lies written before the copy's end (a whole number of patterns), so the
    // stretch doubles and source and target never overlap.
    std::size_t done = 0;
    while (done < count) {
        const std::size_t n = std::min(done + distance, count - done);
        std::memcpy(to + done, from, n);
        done += n;
    }
}

std::size_t DwgDecompress(const uint8_t* inData, std::size_t inSize, uint8_t* outData,
                          std::size_t outSize) {
    TDwgByteIn in{inData, inSize};
    TDwgByteOut out{outData, outSize};
    const auto literal = [&](std::size_t n) { std::memcpy(out.Reserve(n), in.Take(n), n); };
    uint8_t op = in.Next();
    if (op < 0x10) {
        literal(LiteralLength(in, op));
        op = in.Next();
    }
    for (;;) {
        if (op == 0x11) break;
        std::size_t count, offset;
        unsigned lits;
        if (op >= 0x40) {
            count = ((op & 0xF0u) >> 4) - 1;
            const uint8_t op2 = in.Next();
            offset = (std::size_t{op2} << 2) | ((op & 0x0Cu) >> 2);
            lits = op & 3u;
        } else if (op >= 0x12 || op == 0x10) {
            if (op == 0x10)
                count = LongCount(in) + 9;
            else if (op < 0x20)
                count = (op & 0x0Fu) + 2;
            else if (op == 0x20)
                count = LongCount(in) + 0x21;
            else
                count = op - 0x1Eu;
            const uint8_t b1 = in.Next();
            const uint8_t b2 = in.Next();
            offset = (std::size_t{b1} >> 2) | (std::size_t{b2} << 6);
            if (op < 0x20) offset += 0x3FFF;
            lits = b1 & 3u;
        } else {
            throw EDwgOverrun{}; // 0x00..0x0F cannot start a back-reference
        }
        // The copy starts offset + 1 bytes back.
        out.CopyBack(offset + 1, count);
        if (lits == 0) {
            const uint8_t b = in.Next();
            if (b >= 0x10) {
                op = b;
                continue;
            }
            literal(LiteralLength(in, b));
        } else {
            literal(lits);
        }
        op = in.Next();
    }
    return out.O;
}

namespace {

struct TPagedReader {
    const uint8_t* Data;
    std::size_t Size;
    const std::string& FileName;
    std::size_t Cap; // the most bytes one section may unpack to

    // A system page (page map or section map) at `address`: its unpacked bytes.
    std::vector<uint8_t> SystemPage(uint64_t address, uint32_t type, const char* what) {
        if (address > Size || Size - address < 0x14)
            ThrowDwgDamaged(FileName,
                            std::string("the ") + what + " lies past the end of the file");
        const uint8_t* p = Data + address;
        if (Le32(p) != type) ThrowDwgDamaged(FileName, std::string("the ") + what + " is missing");
        const uint32_t unpacked = Le32(p + 4), packed = Le32(p + 8), method = Le32(p + 12);
        if (packed > Size - address - 0x14 || unpacked > Cap)
            ThrowDwgDamaged(FileName,
                            std::string("the ") + what + " ends at byte " + std::to_string(Size));
        std::vector<uint8_t> out(unpacked);
        if (method == 2) {
            try {
                out.resize(DwgDecompress(p + 0x14, packed, out.data(), out.size()));
            } catch (const EDwgOverrun&) {
                ThrowDwgDamaged(FileName, std::string("the ") + what + " cannot be unpacked");
            }
        } else {
            out.assign(p + 0x14, p + 0x14 + std::min<std::size_t>(packed, unpacked));
        }
        return out;
    }
};

TDwgSections OpenR2000(const uint8_t* data, std::size_t size, const std::string& fileName) {
    TDwgSections s;
    s.Version = TDwgVersion::R2000;
    if (size < 0x19 + 3 * 9)
        ThrowDwgDamaged(fileName, "the file header ends at byte " + std::to_string(size));
    s.Maintenance = data[0x0B];
    s.CodePage = data[0x13] | (data[0x14] << 8);
    const uint32_t count = Le32(data + 0x15);
    if (count < 3 || count > 16 || 0x19 + std::size_t{count} * 9 > size)
        ThrowDwgDamaged(fileName, "the file header lists " + std::to_string(count) + " sections");
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* r = data + 0x19 + i * 9;
        const uint32_t number = r[0], seeker = Le32(r + 1), length = Le32(r + 5);
        if (number > 2) continue;
        if (seeker > size || length > size - seeker)
            ThrowDwgDamaged(fileName, "section " + std::to_string(number) +
                                          " ends past the end of the file, at byte " +
                                          std::to_string(uint64_t{seeker} + length));
        const uint8_t* at = data + seeker;
        if (number == 0) {
            s.Header = at;
            s.HeaderSize = length;
        } else if (number == 1) {
            s.Classes = at;
            s.ClassesSize = length;
        } else {
            s.Handles = at;
            s.HandlesSize = length;
        }
    }
    if (!s.Header || !s.Classes || !s.Handles)
        ThrowDwgDamaged(fileName,
                        "the file header does not locate the header, classes and object map");
    s.Objects = data;
    s.ObjectsSize = size;
    return s;
}

TDwgSections OpenPaged(const uint8_t* data, std::size_t size, TDwgVersion version,
                       const std::string& fileName) {
    TDwgSections s;
    s.Version = version;
    if (size < 0x100)
        ThrowDwgDamaged(fileName, "the file header ends at byte " + std::to_string(size));
    s.Maintenance = data[0x0B];
    s.CodePage = data[0x13] | (data[0x14] << 8);
    const uint32_t security = Le32(data + 0x18);
    if (security & 0x3)
        throw EDxfError{ecDwg, fileName +
                                   " is protected by a password (its data is encrypted): open it "
                                   "in AutoCAD, remove the password and save it again, or save "
                                   "it as DXF."};
    uint8_t h[0x6C];
    uint32_t seed = 1;
    for (int i = 0; i < 0x6C; ++i) {
        seed = seed * 0x343FD + 0x269EC3;
        h[i] = static_cast<uint8_t>(data[0x80 + i] ^ (seed >> 16));
    }
    if (std::memcmp(h, "AcFssFcAJMB", 12) != 0)
        ThrowDwgDamaged(fileName, "the encrypted file header at byte 128 cannot be read");

    TPagedReader pr{data, size, fileName,
                    static_cast<std::size_t>(std::min<uint64_t>(uint64_t{size} * 64, 0x7FFFFFFFu))};
    const uint64_t pageMapAt = Le64(h + 0x54) + 0x100;
    const uint32_t sectionMapId = Le32(h + 0x5C);
    const std::vector<uint8_t> pageMap = pr.SystemPage(pageMapAt, 0x41630E3Bu, "page map");

    std::unordered_map<uint32_t, uint64_t> pages; // page number -> file address
    uint64_t address = 0x100;
    for (std::size_t i = 0; i + 8 <= pageMap.size();) {
        const int32_t number = static_cast<int32_t>(Le32(pageMap.data() + i));
        const uint32_t pageSize = Le32(pageMap.data() + i + 4);
        i += 8;
        if (number < 0)
            i += 16;
        else
            pages.emplace(static_cast<uint32_t>(number), address);
        address += pageSize;
    }
    const auto page = pages.find(sectionMapId);
    if (page == pages.end())
        ThrowDwgDamaged(fileName, "the page map does not hold the section map");
    const std::vector<uint8_t> map = pr.SystemPage(page->second, 0x4163003Bu, "section map");
    if (map.size() < 20) ThrowDwgDamaged(fileName, "the section map is empty");

    const uint32_t descriptions = Le32(map.data());
    std::size_t at = 20;
    TDwgSectionCollector wanted(s, fileName, pr.Cap);
    std::vector<uint8_t> scratch;
    for (uint32_t d = 0; d < descriptions; ++d) {
        if (map.size() - at < 0x60) ThrowDwgDamaged(fileName, "the section map ends early");
        const uint8_t* e = map.data() + at;
        const uint64_t sectionSize = Le64(e);
        const uint32_t pageCount = Le32(e + 8);
        const uint32_t maxPage = Le32(e + 12);
        const uint32_t compressed = Le32(e + 20);
        const uint32_t encrypted = Le32(e + 28);
        char name[65] = {};
        std::memcpy(name, e + 32, 64);
        at += 0x60;
        if (pageCount > (map.size() - at) / 16)
            ThrowDwgDamaged(fileName, "the section map ends early");
        const std::size_t firstPage = at;
        at += std::size_t{pageCount} * 16;
        std::vector<uint8_t>* taken = wanted.Take(name, encrypted == 1, sectionSize);
        if (!taken) continue;
        std::vector<uint8_t>& out = *taken;
        const std::size_t pageSize = maxPage == 0 ? 0x7400 : std::min<std::size_t>(maxPage, pr.Cap);
        scratch.resize(pageSize);
        for (uint32_t k = 0; k < pageCount; ++k) {
            const uint8_t* pe = map.data() + firstPage + std::size_t{k} * 16;
            const uint32_t number = Le32(pe);
            const uint32_t packed = Le32(pe + 4);
            const uint64_t start = Le64(pe + 8);
            const auto where = pages.find(number);
            if (where == pages.end() || where->second > size || size - where->second < 32 ||
                packed > size - where->second - 32)
                ThrowDwgDamaged(fileName, std::string("a page of the section ") + name +
                                              " lies past the end of the file");
            if (start >= out.size()) continue;
            const std::size_t room =
                std::min<std::size_t>(out.size() - static_cast<std::size_t>(start), pageSize);
            const uint8_t* src = data + where->second + 32;
            uint8_t* dst = out.data() + start;
            if (compressed == 2) {
                // A page unpacks to its full size even where the section ends inside it: only
                // such a page goes through the scratch buffer.
                try {
                    if (room == pageSize) {
                        DwgDecompress(src, packed, dst, room);
                        continue;
                    }
                    const std::size_t n =
                        DwgDecompress(src, packed, scratch.data(), scratch.size());
                    std::memcpy(dst, scratch.data(), std::min(n, room));
                } catch (const EDwgOverrun&) {
                    ThrowDwgDamaged(fileName, std::string("a page of the section ") + name +
                                                  " at byte " + std::to_string(where->second) +
                                                  " cannot be unpacked");
                }
            } else {
                std::memcpy(dst, src, std::min<std::size_t>(packed, room));
            }
        }
    }
    wanted.Finish();
    return s;
}

} // namespace

TDwgSections OpenDwgSections(const uint8_t* data, std::size_t size, TDwgVersion version,
                             const std::string& fileName) {
    if (version == TDwgVersion::R2000) return OpenR2000(data, size, fileName);
    if (version == TDwgVersion::R2007) return OpenDwg2007Sections(data, size, fileName);
    return OpenPaged(data, size, version, fileName);
}

} // namespace pad2
