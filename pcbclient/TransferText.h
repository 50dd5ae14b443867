// SPDX-License-Identifier: MIT
// Text fields exchanged with the host through fixed-size buffers: the buffer starts with the
// field's text, so that a host function that is missing leaves the field as it was.
#pragma once

#include "abi/PcbApi.h"
#include "base/ShortString.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace dxfi {

// A NUL-terminated buffer of Capacity bytes.
template <std::size_t Capacity> class TTextBuffer {
public:
    explicit TTextBuffer(const std::string& Text) { CopyToBuffer(Data, Capacity, Text); }

    // Copies the buffer back into the field after a read, cut to MaxBytes.
    void Store(abi::TPropertyTransfer Mode, std::string& Text, std::size_t MaxBytes) const {
        if (Mode == abi::ptRead) Text = CutUtf8(FromBuffer(Data, Capacity), MaxBytes);
    }

    char Data[Capacity];
};

using TText256 = TTextBuffer<abi::kText256>;
using TText21 = TTextBuffer<abi::kText21>;

} // namespace dxfi
