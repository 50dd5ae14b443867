// SPDX-License-Identifier: MIT
// A bit cursor over one stretch of a DWG file: the bit-packed numbers, texts and handle
// references the format is made of. Every read is checked against the stretch's end; running
// past it throws EDwgOverrun, which the reader turns into "this object is damaged".
#pragma once

#include "pad2/CodePages.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace pad2 {

struct EDwgOverrun {};

// A handle reference as stored: its code (owner/pointer kind or relative form) and value.
struct TDwgRef {
    uint8_t Code = 0;
    uint64_t Value = 0;
    // The absolute handle this reference names, relative to the handle of the object holding
    // it; 0 for a null reference.
    uint64_t Resolve(uint64_t own) const {
        switch (Code) {
        case 0x6:
            return own + 1;
        case 0x8:
            return own - 1;
        case 0xA:
            return own + Value;
        case 0xC:
            return own - Value;
        default:
            return Value;
        }
    }
};

class TDwgBits {
public:
    TDwgBits() = default;
    TDwgBits(const uint8_t* data, std::size_t bytes) : D_(data), End_(uint64_t{bytes} * 8) {}

    uint64_t Pos() const { return Pos_; }
    uint64_t End() const { return End_; }
    uint64_t Left() const { return End_ - Pos_; }
    void Seek(uint64_t bit) {
        if (bit > End_) throw EDwgOverrun{};
        Pos_ = bit;
    }
    // Ends the stretch earlier (never later than it was).
    void Limit(uint64_t endBit) {
        if (endBit < End_) End_ = endBit;
        if (Pos_ > End_) throw EDwgOverrun{};
    }
    void Skip(uint64_t bits) {
        if (bits > End_ - Pos_) throw EDwgOverrun{};
        Pos_ += bits;
    }
    void SkipBytes(uint64_t bytes) {
        if (bytes > (End_ - Pos_) / 8) throw EDwgOverrun{};
        Pos_ += bytes * 8;
    }

    unsigned B() {
        Need(1);
        const unsigned v = (D_[Pos_ >> 3] >> (7 - (Pos_ & 7))) & 1u;
        ++Pos_;
        return v;
    }
    unsigned BB() {
        const unsigned hi = B();
        return (hi << 1) | B();
    }
    uint8_t RC() {
        Need(8);
        const std::size_t i = static_cast<std::size_t>(Pos_ >> 3);
        const unsigned s = static_cast<unsigned>(Pos_ & 7);
        Pos_ += 8;
        if (s == 0) return D_[i];
        return static_cast<uint8_t>((D_[i] << s) | (D_[i + 1] >> (8 - s)));
    }
    uint16_t RS() {
        uint8_t b[2];
        Bytes(b, 2);
        return static_cast<uint16_t>(b[0] | (b[1] << 8));
    }
    uint32_t RL() {
        uint8_t b[4];
        Bytes(b, 4);
        return uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) |
               (uint32_t{b[3]} << 24);
    }
    double RD() {
        uint8_t b[8];
        Bytes(b, 8);
        double v;
        std::memcpy(&v, b, 8);
        return v;
    }
    uint16_t BS() {
        switch (BB()) {
        case 0:
            return RS();
        case 1:
            return RC();
        case 2:
            return 0;
        default:
            return 256;
        }
    }
    uint32_t BL() {
        switch (BB()) {
        case 0:
            return RL();
        case 1:
            return RC();
        case 2:
            return 0;
        default:
            throw EDwgOverrun{}; // no such long
        }
    }
    uint64_t BLL() {
        const unsigned n = (B() << 2) | BB();
        uint64_t v = 0;
        for (unsigned i = 0; i < n; ++i)
            v |= uint64_t{RC()} << (8 * i);
        return v;
    }
    double BD() {
        switch (BB()) {
        case 0:
            return RD();
        case 1:
            return 1.0;
        case 2:
            return 0.0;
        default:
            throw EDwgOverrun{}; // no such double
        }
    }
    // A double stored as the change against `def`.
    double DD(double def) {
        uint8_t b[8];
        std::memcpy(b, &def, 8);
        switch (BB()) {
        case 0:
            return def;
        case 1:
            for (int i = 0; i < 4; ++i)
                b[i] = RC();
            break;
        case 2:
            b[4] = RC();
            b[5] = RC();
            for (int i = 0; i < 4; ++i)
                b[i] = RC();
            break;
        default:
            return RD();
        }
        double v;
        std::memcpy(&v, b, 8);
        return v;
    }
    double BT() { return B() ? 0.0 : BD(); }
    void BE(double out[3]) {
        if (B()) {
            out[0] = out[1] = 0.0;
            out[2] = 1.0;
        } else {
            BD3(out);
        }
    }
    void BD3(double out[3]) {
        out[0] = BD();
        out[1] = BD();
        out[2] = BD();
    }
    void RD2(double out[2]) {
        out[0] = RD();
        out[1] = RD();
    }
    // Modular char: 7 bits a byte, low group first.
    uint64_t MC() { return Modular<7, 63>(); }
    int64_t MCSigned() {
        uint64_t v = 0;
        for (int shift = 0; shift < 63; shift += 7) {
            const uint8_t b = RC();
            if (!(b & 0x80)) {
                v |= uint64_t{b & 0x3Fu} << shift;
                const int64_t s = static_cast<int64_t>(v);
                return (b & 0x40) ? -s : s;
            }
            v |= uint64_t{b & 0x7Fu} << shift;
        }
        throw EDwgOverrun{};
    }
    // Modular short: 15 bits a word, low group first.
    uint64_t MS() { return Modular<15, 60>(); }
    TDwgRef H() {
        const uint8_t b = RC();
        TDwgRef r;
        r.Code = static_cast<uint8_t>(b >> 4);
        const unsigned n = b & 0x0F;
        if (n > 8) throw EDwgOverrun{};
        for (unsigned i = 0; i < n; ++i)
            r.Value = (r.Value << 8) | RC();
        return r;
    }
    // An 8-bit text (R13-R2004): the bytes as stored, trailing NULs dropped.
    void T8(std::string& out) {
        const unsigned n = BS();
        out.clear();
        if (uint64_t{n} * 8 > Left()) throw EDwgOverrun{};
        out.reserve(n);
        for (unsigned i = 0; i < n; ++i)
            out.push_back(static_cast<char>(RC()));
        while (!out.empty() && out.back() == '\0')
            out.pop_back();
    }
    // A UTF-16 text (R2007+), as UTF-8; unpaired surrogates become U+FFFD.
    void TU(std::string& out) {
        const unsigned n = BS();
        out.clear();
        if (uint64_t{n} * 16 > Left()) throw EDwgOverrun{};
        for (unsigned i = 0; i < n; ++i) {
            uint32_t c = RS();
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) {
                const uint64_t at = Pos_;
                const uint32_t low = RS();
                if (low >= 0xDC00 && low < 0xE000) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                } else {
                    Pos_ = at;
                    c = 0xFFFD;
                }
            } else if (c >= 0xD800 && c < 0xE000) {
                c = 0xFFFD;
            }
            if (c == 0) continue;
            AppendCodePoint(c, out);
        }
    }

private:
    // A modular number in units of kBits value bits and a flag bit above them (bytes or
    // words), low group first; the flag says another unit follows. Groups reach below
    // kMaxShift bits.
    template <unsigned kBits, unsigned kMaxShift> uint64_t Modular() {
        uint64_t v = 0;
        for (unsigned shift = 0; shift < kMaxShift; shift += kBits) {
            unsigned unit;
            if constexpr (kBits == 7)
                unit = RC();
            else
                unit = RS();
            v |= uint64_t{unit & ((1u << kBits) - 1)} << shift;
            if (!(unit >> kBits)) return v;
        }
        throw EDwgOverrun{};
    }
    // n whole bytes from the bit position, checked once.
    void Bytes(uint8_t* out, unsigned n) {
        Need(uint64_t{n} * 8);
        const std::size_t i = static_cast<std::size_t>(Pos_ >> 3);
        const unsigned s = static_cast<unsigned>(Pos_ & 7);
        Pos_ += uint64_t{n} * 8;
        if (s == 0) {
            for (unsigned k = 0; k < n; ++k)
                out[k] = D_[i + k];
            return;
        }
        // Unaligned: the bits lie in n + 1 bytes, all inside the stretch.
        for (unsigned k = 0; k < n; ++k)
            out[k] = static_cast<uint8_t>((D_[i + k] << s) | (D_[i + k + 1] >> (8 - s)));
    }
    void Need(uint64_t bits) const {
        if (bits > End_ - Pos_) throw EDwgOverrun{};
    }
    const uint8_t* D_ = nullptr;
    uint64_t Pos_ = 0;
    uint64_t End_ = 0;
};

// The 16-bit CRC of objects and sections (reflected polynomial 0xA001).
uint16_t DwgCrc16(uint16_t seed, const uint8_t* data, std::size_t size);

} // namespace pad2
