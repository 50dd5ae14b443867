// SPDX-License-Identifier: MIT
// A stand-in for the host PCB module that records every call it receives. Built twice: with
// every host function, and (FAKE_PCB_HOST_PARTIAL) as a host that lacks most of them.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct TFakePcbHost {
    // "Name arg arg ...": the function name without its prefix, then the arguments that tell
    // calls apart (mode, handle, layer or index; written layers as L<n>).
    std::vector<std::string> Calls;

    std::map<uint32_t, uint8_t> Kinds; // handle -> kind
    uint32_t ObjectLayer = 1;          // the layer every object reports when read
    uint8_t ComponentLayer = 1;        // a component's classic layer when read
    int32_t QueryPadResult = 0;
    uint8_t PadStackMode = 0;
    std::array<uint8_t, 83> Shapes{};
    std::array<uint8_t, 83> Percentages{};
    // (kind, layer) -> the container's children there, for every container.
    std::map<std::pair<uint8_t, uint32_t>, std::vector<uint32_t>> Children;

    std::string FileName = "board.json";
    uint32_t CurrentLayer = 1;
    int32_t LayerPairCount = 0;
    int32_t LayerPairCountResult = 0;
};

using TFakePcbHostState = TFakePcbHost* (*)();
// Exported by the fake module: its state, to configure and inspect.
extern "C" TFakePcbHost* FakePcbHost_State();
