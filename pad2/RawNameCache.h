// SPDX-License-Identifier: MIT
// Remembers the answer for names exactly as a file spells them (before decoding and case
// folding), so that the layer name every entity carries costs one short comparison when it was
// seen before. A fixed number of slots: names that collide or are long are simply looked up
// the long way again.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace pad2 {

class TRawNameCache {
public:
    static constexpr uint32_t kMissing = 0xFFFFFFFFu;

    // The value stored for `raw`, or kMissing.
    uint32_t Find(std::string_view raw) const {
        const TSlot* pair = Slots_ + 2 * PairOf(raw);
        if (Holds(pair[0], raw)) return pair[0].Value;
        if (Holds(pair[1], raw)) return pair[1].Value;
        return kMissing;
    }
    void Insert(std::string_view raw, uint32_t value) {
        if (raw.size() > sizeof(TSlot::Bytes)) return;
        // Two slots per hash, so that two names that meet there do not push each other out;
        // a third takes the place of the one stored longer ago.
        TSlot* pair = Slots_ + 2 * PairOf(raw);
        TSlot& slot = pair[0].Generation != Generation_ ? pair[0]
                      : pair[1].Generation != Generation_ || pair[1].Stamp < pair[0].Stamp
                          ? pair[1]
                          : pair[0];
        slot.Generation = Generation_;
        slot.Stamp = ++Stamp_;
        slot.Value = value;
        slot.Length = static_cast<uint8_t>(raw.size());
        if (!raw.empty()) std::memcpy(slot.Bytes, raw.data(), raw.size());
    }
    // Forgets every name at once (a new generation), however often it is called.
    void Clear() {
        if (++Generation_ != 0) return;
        for (TSlot& slot : Slots_)
            slot.Generation = 0;
        Generation_ = 1;
    }

private:
    static constexpr unsigned kPairBits = 8;
    struct TSlot {
        uint32_t Generation = 0; // the slot holds a name when it is the cache's
        uint32_t Value = kMissing;
        uint32_t Stamp = 0; // when it was stored
        uint8_t Length = 0;
        char Bytes[51];
    };

    bool Holds(const TSlot& slot, std::string_view raw) const {
        return slot.Generation == Generation_ && slot.Length == raw.size() &&
               (raw.empty() || std::memcmp(slot.Bytes, raw.data(), raw.size()) == 0);
    }

    // Mixes the length and the first and last eight bytes: names of one drawing mostly differ
    // in their numbers or suffixes.
    static uint32_t PairOf(std::string_view raw) {
        uint64_t head = 0, tail = 0;
        const std::size_t n = raw.size();
        if (n > 0) std::memcpy(&head, raw.data(), n < 8 ? n : 8);
        if (n > 8) std::memcpy(&tail, raw.data() + n - (n < 16 ? n - 8 : 8), n < 16 ? n - 8 : 8);
        const uint64_t h = (head * 0x9E3779B97F4A7C15ull) ^ (tail + n) * 0xC2B2AE3D27D4EB4Full;
        return static_cast<uint32_t>((h ^ (h >> 29)) >> (64 - kPairBits));
    }

    TSlot Slots_[2u << kPairBits];
    uint32_t Generation_ = 1;
    uint32_t Stamp_ = 0;
};

} // namespace pad2
