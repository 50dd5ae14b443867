// SPDX-License-Identifier: MIT
// The walk's way to an entity's layer mapping: the mapping table is searched by name once per
// drawing layer, and the answer is kept under the engine's handle of that layer, so that the
// entities after the first on each layer cost no name search. Answers are always the table's
// own: a kept answer is given only for the same drawing, the same table content (its stamp) and
// the same name; anything else is searched afresh.
#pragma once

#include "abi/Pad2Api.h"
#include "pcbimport/LayerMappings.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace dxfi {

class TLayerLookup {
public:
    struct TAnswer {
        int Index = -1; // in the table; -1 when the name is not in it
        // A flag of the caller's that stays with this answer (cleared whenever the answer is
        // found afresh), e.g. "the layer has joined the used layers".
        bool* Noted = nullptr;
    };

    // `name` is the name of the layer `handle` in the drawing `file`, as the engine delivered it.
    TAnswer Find(const TLayerMappings& mappings, abi::TDrawingHandle file,
                 abi::TObjectHandle handle, std::string_view name);

private:
    struct TEntry {
        bool Known = false;
        bool Noted = false;
        int Index = -1;
        std::string Name;
    };
    std::unordered_map<abi::TObjectHandle, TEntry> Entries_;
    abi::TDrawingHandle File_ = 0;
    uint64_t Stamp_ = 0;
    // The entry asked for last: entities come in runs on one layer.
    abi::TObjectHandle LastHandle_ = 0;
    TEntry* Last_ = nullptr;
};

} // namespace dxfi
