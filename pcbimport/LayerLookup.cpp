// SPDX-License-Identifier: MIT
#include "pcbimport/LayerLookup.h"

namespace dxfi {

TLayerLookup::TAnswer TLayerLookup::Find(const TLayerMappings& mappings, abi::TDrawingHandle file,
                                         abi::TObjectHandle handle, std::string_view name) {
    if (file != File_ || mappings.Stamp() != Stamp_) {
        Entries_.clear();
        Last_ = nullptr;
        File_ = file;
        Stamp_ = mappings.Stamp();
    }
    if (!Last_ || LastHandle_ != handle) {
        Last_ = &Entries_[handle];
        LastHandle_ = handle;
    }
    TEntry& entry = *Last_;
    if (!entry.Known || entry.Name != name) {
        entry.Known = true;
        entry.Noted = false;
        entry.Name.assign(name);
        entry.Index = mappings.IndexOf(name);
    }
    return TAnswer{entry.Index, &entry.Noted};
}

} // namespace dxfi
