// SPDX-License-Identifier: MIT
// Layer sets: the layers an import used, collected one per entity and switched on at the end.
// A set may hold whole groups; iterating such an infinite set raises EPCB_LayerSetException.
#pragma once

#include "pcbclient/Layers.h"

#include <array>
#include <set>
#include <stdexcept>

namespace dxfi {

class EPCB_LayerSetException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Orders layers by kind index (top, mid layers by number, bottom; planes and mechanical layers
// by number), so that sets iterate in board order.
struct TLayerOrder {
    bool operator()(TV7_Layer A, TV7_Layer B) const;
};

using TLayerSetStore = std::set<TV7_Layer, TLayerOrder>;

// One kind of layer within a set: with All clear exactly the Included layers, with All set
// every layer of the kind except the Excluded ones.
struct TSetPartition {
    bool All = false;
    TLayerSetStore Included;
    TLayerSetStore Excluded;

    void SetAll();
    bool Contains(TV7_Layer Layer) const;
};

// Include and Contains are O(log n) in the layers held.
class TPCB_LayerSetBase {
public:
    enum TPartitionIndex { spSignal, spMechanical, spInternalPlane, spOther, spCount };

    // A group sets the all-flags of its partitions (MidLayers: all signal layers but top and
    // bottom, unless those were in the set already); a single layer joins its partition. A
    // value whose high byte is not 0 and that is neither a signal, internal-plane or mechanical
    // layer nor a named group raises ELayerException "Could not find layer partition ID=...".
    void Include(TV7_Layer Layer);
    // Whether a single layer is in the set (groups: whether all their partitions are complete).
    bool Contains(TV7_Layer Layer) const;
    bool IsEmpty() const;
    bool IsInfinite() const;
    // Signal, mechanical, internal-plane, then other layers; EPCB_LayerSetException
    // "Iterating an infinite layer set" when any partition holds all layers of its kind.
    TLayerIterator LayerIterator() const;

    const TSetPartition& Partition(TPartitionIndex Index) const { return Partitions_[Index]; }

private:
    static TPartitionIndex PartitionFor(TV7_Layer Layer);

    std::array<TSetPartition, spCount> Partitions_;
};

// One per process, created on first use and kept until the library is unloaded.
class TLayerSetUtils {
public:
    static TLayerSetUtils& Instance();
    TPCB_LayerSetBase NewLayerSet() const { return {}; }

private:
    TLayerSetUtils() = default;
};

} // namespace dxfi
