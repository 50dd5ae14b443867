// SPDX-License-Identifier: MIT
// The wrapper of a host component: its placement, name, the handles of its name and comment
// texts, the extension values, source links and default 3D model, and the walk over its
// children by kind and layer.
#pragma once

#include "pcbclient/PcbObject.h"

#include <array>
#include <bitset>
#include <functional>
#include <string>

namespace dxfi {

// A set of classic layer numbers 0..87.
using TClassicLayerSet = std::bitset<88>;

// The classic layers First..Last (clipped to 0..87).
TClassicLayerSet ClassicLayerRange(int First, int Last);

inline constexpr std::size_t kComponentNameMax = 250;

class TPcbComponent : public TPcbGroupObject {
public:
    explicit TPcbComponent(THandle Handle) : TPcbGroupObject(Handle, abi::kKindComponent) {}
    // Channel offset and component kind, the component's properties (its layer exchanged as a
    // classic layer), the extension values, the source links and the default 3D model. Written
    // with ptUpdate the host carries the children to the new location and rotation.
    int32_t TransferProperties(TPropertyTransfer Mode) override;

    // Calls Callback with every child handle whose kind bit is set in KindMask (kinds 0..25)
    // and whose classic layer (0..82) is in Layers: kind by kind, layer by layer, in the
    // host's order within one layer. The callback must not add or remove children of this
    // component; collect the handles and change them afterwards.
    void ForEachChild(const std::function<void(THandle)>& Callback, uint32_t KindMask,
                      const TClassicLayerSet& Layers) const;

    int32_t ChannelOffset = 0;
    int32_t ComponentKind = 0;
    THandle NameText = 0;   // the designator text child
    THandle SecondText = 0; // the comment text child
    std::string Name;       // at most 250 bytes
    bool FlagA = false;
    bool FlagB = false;
    int32_t Value1 = 0;
    double Rotation = 0; // degrees
    uint8_t Byte1 = 0;

    // Extension values.
    int32_t ExValue1 = 0;
    uint8_t ExByte1 = 0;
    uint8_t ExByte2 = 0;
    int32_t ExValue2 = 0;

    std::array<std::string, 8> SourceLinks; // at most 255 bytes each
    std::string DefaultPCB3DModel;          // at most 255 bytes
};

} // namespace dxfi
