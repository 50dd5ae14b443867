// SPDX-License-Identifier: MIT
#include "pcbclient/PcbComponent.h"

#include "base/Assertion.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/TransferText.h"

#include <algorithm>

namespace dxfi {
namespace {

constexpr const char* kModule = "RT_PCB";
constexpr int kLastIteratedKind = 25;
constexpr int kLastClassicLayer = kClassicLayerCount - 1;

} // namespace

TClassicLayerSet ClassicLayerRange(int First, int Last) {
    TClassicLayerSet Set;
    const int Size = static_cast<int>(Set.size());
    for (int Layer = std::max(First, 0); Layer <= std::min(Last, Size - 1); ++Layer)
        Set.set(static_cast<std::size_t>(Layer));
    return Set;
}

int32_t TPcbComponent::TransferProperties(TPropertyTransfer Mode) {
    TransferBitFields(Mode);
    host::PcbApi_QueryComponentChannelOffset(Mode, Handle, &ChannelOffset);
    host::PcbApi_QueryComponentKind(Mode, Handle, &ComponentKind);

    auto ClassicByte = static_cast<uint8_t>(GetClassicLayer());
    uint8_t FlagAByte = FlagA ? 1 : 0;
    uint8_t FlagBByte = FlagB ? 1 : 0;
    TText256 NameBuffer(std::string(CutUtf8(Name, kComponentNameMax)));
    const int32_t Result = host::PcbApi_QueryComponent(
        Mode, Handle, &Flags, &PrimWord, &ClassicByte, &PrimByte, &NameText, &SecondText,
        NameBuffer.Data, &FlagAByte, &FlagBByte, &X, &Y, &Value1, &Rotation, &Byte1);
    SetLayer(static_cast<TClassicLayer>(ClassicByte));
    NameBuffer.Store(Mode, Name, kComponentNameMax);
    if (Mode == ptRead) {
        FlagA = FlagAByte != 0;
        FlagB = FlagBByte != 0;
    }

    host::PcbApi_QueryComponentEx(Mode, Handle, &ExValue1, &ExByte1, &ExByte2, &ExValue2);

    std::array<TText256, 8> Links{TText256(SourceLinks[0]), TText256(SourceLinks[1]),
                                  TText256(SourceLinks[2]), TText256(SourceLinks[3]),
                                  TText256(SourceLinks[4]), TText256(SourceLinks[5]),
                                  TText256(SourceLinks[6]), TText256(SourceLinks[7])};
    host::PcbApi_QueryComponentSourceLinks(Mode, Handle, Links[0].Data, Links[1].Data,
                                           Links[2].Data, Links[3].Data, Links[4].Data,
                                           Links[5].Data, Links[6].Data, Links[7].Data);
    for (std::size_t Index = 0; Index < Links.size(); ++Index)
        Links[Index].Store(Mode, SourceLinks[Index], kShortStringMax);

    TText256 Model(DefaultPCB3DModel);
    host::PcbApi_QueryDefaultPCB3DModel(Mode, Handle, Model.Data);
    Model.Store(Mode, DefaultPCB3DModel, kShortStringMax);
    return Result;
}

void TPcbComponent::ForEachChild(const std::function<void(THandle)>& Callback, uint32_t KindMask,
                                 const TClassicLayerSet& Layers) const {
    Assert(static_cast<bool>(Callback), kModule);
    for (int Kind = 0; Kind <= kLastIteratedKind; ++Kind) {
        if ((KindMask & (1u << Kind)) == 0) continue;
        for (int Classic = 0; Classic <= kLastClassicLayer; ++Classic) {
            if (!Layers.test(static_cast<std::size_t>(Classic))) continue;
            const THandle Iterator =
                host::PcbApi_CreateIterator(Handle, static_cast<uint8_t>(Kind), 0,
                                            ClassicToLayer(static_cast<TClassicLayer>(Classic)));
            for (THandle Child = host::PcbApi_GetFirstObject(Iterator); Child != 0;
                 Child = host::PcbApi_GetNextObject(Iterator))
                Callback(Child);
            host::PcbApi_DestroyIterator(Iterator);
        }
    }
}

} // namespace dxfi
