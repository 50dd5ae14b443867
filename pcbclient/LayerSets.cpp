// SPDX-License-Identifier: MIT
#include "pcbclient/LayerSets.h"

#include <string>

namespace dxfi {

namespace {

// Signal, internal-plane and mechanical index where the layer has one, else the value itself.
uint32_t OrderIndex(TV7_Layer L) {
    switch (L >> 16) {
    case 0:
        if (L == BottomLayer) return 65535;
        if (L >= 39 && L <= 54) return L - 38;
        if (L >= 57 && L <= 72) return L - 56;
        return L;
    case 0x0101:
    case 0x0104:
    case 0x0400:
        return L & 0xFFFF;
    default:
        return L;
    }
}

uint64_t OrderKey(TV7_Layer L) {
    return (static_cast<uint64_t>(OrderIndex(L)) << 32) | L;
}

} // namespace

bool TLayerOrder::operator()(TV7_Layer A, TV7_Layer B) const {
    return OrderKey(A) < OrderKey(B);
}

void TSetPartition::SetAll() {
    All = true;
    Included.clear();
    Excluded.clear();
}

bool TSetPartition::Contains(TV7_Layer Layer) const {
    return All ? Excluded.count(Layer) == 0 : Included.count(Layer) != 0;
}

TPCB_LayerSetBase::TPartitionIndex TPCB_LayerSetBase::PartitionFor(TV7_Layer L) {
    if ((L >> 24) == 0) {
        if (L >= TopLayer && L <= BottomLayer) return spSignal;
        if (L >= 39 && L <= 54) return spInternalPlane;
        if (L >= 57 && L <= 72) return spMechanical;
        return spOther;
    }
    if ((L & 0xFFFF) != 0) {
        switch (L >> 16) {
        case 0x0101:
            return spSignal;
        case 0x0104:
            return spInternalPlane;
        case 0x0400:
            return spMechanical;
        default:
            break;
        }
    }
    return spCount;
}

void TPCB_LayerSetBase::Include(TV7_Layer Layer) {
    switch (Layer) {
    case AllLayers:
        for (auto& P : Partitions_)
            P.SetAll();
        return;
    case ElectricalLayers:
        Partitions_[spSignal].SetAll();
        Partitions_[spInternalPlane].SetAll();
        return;
    case SignalLayers:
        Partitions_[spSignal].SetAll();
        return;
    case InternalPlaneLayers:
        Partitions_[spInternalPlane].SetAll();
        return;
    case MechanicalLayers:
        Partitions_[spMechanical].SetAll();
        return;
    case MidLayers: {
        const bool HadTop = Contains(TopLayer);
        const bool HadBottom = Contains(BottomLayer);
        TSetPartition& Signal = Partitions_[spSignal];
        Signal.SetAll();
        if (!HadTop) Signal.Excluded.insert(TopLayer);
        if (!HadBottom) Signal.Excluded.insert(BottomLayer);
        return;
    }
    default:
        break;
    }
    const TPartitionIndex Index = PartitionFor(Layer);
    if (Index == spCount)
        throw ELayerException("Could not find layer partition ID=" +
                              std::to_string(static_cast<int32_t>(Layer)));
    TSetPartition& P = Partitions_[Index];
    if (!P.All) P.Included.insert(Layer);
    P.Excluded.erase(Layer);
}

bool TPCB_LayerSetBase::Contains(TV7_Layer Layer) const {
    const auto Complete = [this](TPartitionIndex I) {
        return Partitions_[I].All && Partitions_[I].Excluded.empty();
    };
    switch (Layer) {
    case AllLayers:
        return Complete(spSignal) && Complete(spMechanical) && Complete(spInternalPlane) &&
               Complete(spOther);
    case ElectricalLayers:
        return Complete(spSignal) && Complete(spInternalPlane);
    case SignalLayers:
        return Complete(spSignal);
    case InternalPlaneLayers:
        return Complete(spInternalPlane);
    case MechanicalLayers:
        return Complete(spMechanical);
    case MidLayers: {
        const TSetPartition& Signal = Partitions_[spSignal];
        if (!Signal.All) return false;
        for (TV7_Layer L : Signal.Excluded)
            if (L != TopLayer && L != BottomLayer) return false;
        return true;
    }
    default:
        break;
    }
    const TPartitionIndex Index = PartitionFor(Layer);
    return Index != spCount && Partitions_[Index].Contains(Layer);
}

bool TPCB_LayerSetBase::IsEmpty() const {
    for (const auto& P : Partitions_)
        if (P.All || !P.Included.empty()) return false;
    return true;
}

bool TPCB_LayerSetBase::IsInfinite() const {
    for (const auto& P : Partitions_)
        if (P.All) return true;
    return false;
}

TLayerIterator TPCB_LayerSetBase::LayerIterator() const {
    if (IsInfinite()) throw EPCB_LayerSetException("Iterating an infinite layer set");
    std::vector<TV7_Layer> Layers;
    for (const auto& P : Partitions_)
        Layers.insert(Layers.end(), P.Included.begin(), P.Included.end());
    return TLayerIterator(std::move(Layers));
}

TLayerSetUtils& TLayerSetUtils::Instance() {
    static TLayerSetUtils Utils;
    return Utils;
}

} // namespace dxfi
