// SPDX-License-Identifier: MIT
// Shared pieces of the host module's tests: a fixture that opens a fresh board, and the
// wrapper-protocol steps for the kinds the import creates.
#pragma once

#include "abi/PcbApi.h"
#include "abi/PcbServer.h"
#include "host/korrin/KorrinHost.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace korrintest {

using namespace dxfi::abi;

struct TTrack {
    uint16_t Flags = 0, PrimWord = 0;
    uint32_t Layer = 0;
    int32_t PrimLongA = 0;
    uint8_t PrimByte = 0;
    int32_t PrimLongB = 0, X = 0, Y = 0, X2 = 0, Y2 = 0, Width = 0, V1 = 0, V2 = 0, V3 = 0;
    auto Tie() const {
        return std::tie(Flags, PrimWord, Layer, PrimLongA, PrimByte, PrimLongB, X, Y, X2, Y2, Width,
                        V1, V2, V3);
    }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryTrack(mode, h, &Flags, &PrimWord, &Layer, &PrimLongA, &PrimByte,
                                 &PrimLongB, &X, &Y, &X2, &Y2, &Width, &V1, &V2, &V3);
    }
};

struct TArc {
    uint16_t Flags = 0, PrimWord = 0;
    uint32_t Layer = 0;
    int32_t PrimLongA = 0;
    uint8_t PrimByte = 0;
    int32_t PrimLongB = 0, X = 0, Y = 0, Radius = 0;
    double Start = 0, End = 0;
    int32_t Width = 0, V1 = 0;
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryArc(mode, h, &Flags, &PrimWord, &Layer, &PrimLongA, &PrimByte,
                               &PrimLongB, &X, &Y, &Radius, &Start, &End, &Width, &V1);
    }
};

struct TText {
    uint16_t Flags = 0, PrimWord = 0;
    uint32_t Layer = 0;
    int32_t PrimLongA = 0;
    uint8_t PrimByte = 0;
    int32_t PrimLongB = 0, X = 0, Y = 0, Height = 0, V1 = 0;
    double Rotation = 0;
    uint8_t Mirror = 0;
    char Text[kText256] = {};
    int32_t Width = 0, V2 = 0, V3 = 0;
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryText(mode, h, &Flags, &PrimWord, &Layer, &PrimLongA, &PrimByte,
                                &PrimLongB, &X, &Y, &Height, &V1, &Rotation, &Mirror, Text, &Width,
                                &V2, &V3);
    }
};

struct TComponent {
    uint16_t Flags = 0, PrimWord = 0;
    uint8_t Layer = 0, PrimByte = 0;
    uint32_t NameText = 0, SecondText = 0;
    char Name[kText256] = {};
    uint8_t FlagA = 0, FlagB = 0;
    int32_t X = 0, Y = 0, V1 = 0;
    double Rotation = 0;
    uint8_t Byte1 = 0;
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryComponent(mode, h, &Flags, &PrimWord, &Layer, &PrimByte, &NameText,
                                     &SecondText, Name, &FlagA, &FlagB, &X, &Y, &V1, &Rotation,
                                     &Byte1);
    }
};

// A track made the way the import makes one: create, read, set, write, add.
inline uint32_t AddTrack(uint32_t container, int32_t x, int32_t y, int32_t x2, int32_t y2,
                         uint32_t layer = 1, int32_t width = 100000) {
    uint32_t h = PcbApi_CreateObject(kKindTrack);
    TTrack t;
    t.Query(ptRead, h);
    t.X = x, t.Y = y, t.X2 = x2, t.Y2 = y2, t.Layer = layer, t.Width = width;
    t.Query(ptWrite, h);
    PcbApi_AddObjectToContainer(container, h);
    return h;
}

inline IPCB_ServerInterface* Server() {
    void* out = nullptr;
    KorrinHost_GetServerModule()->QueryInterface(IID_IPCB_ServerInterface, &out);
    return static_cast<IPCB_ServerInterface*>(out);
}

inline IPCB_Board* BoardInterface(uint32_t board) {
    void* out = nullptr;
    if (Server()->GetPCBBoardByBoardHandle(board, IID_IPCB_Board, &out) != kOk) return nullptr;
    return static_cast<IPCB_Board*>(out);
}

// Every test gets a fresh current board, closed afterwards.
class TBoardTest : public ::testing::Test {
protected:
    void SetUp() override { Board = KorrinHost_NewBoard("test.json"); }
    void TearDown() override { KorrinHost_CloseBoard(Board); }
    uint32_t Board = 0;
};

} // namespace korrintest
