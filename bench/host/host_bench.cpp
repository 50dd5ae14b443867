// SPDX-License-Identifier: MIT
// Times the host PCB module on 100 000 and 1 000 000 tracks: creation through the wrapper
// protocol (create, read every field, set, write, add to the board), iteration by kind and
// layer, counting, marking and moving through the board interface, bounds, saving and
// loading. Prints operations per second per phase and the peak memory; per-object times of
// the two sizes should match when every phase is linear.
#include "abi/PcbApi.h"
#include "abi/PcbServer.h"
#include "host/korrin/KorrinHost.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

using namespace dxfi::abi;

namespace {

using TClock = std::chrono::steady_clock;

struct TPhase {
    std::string Name;
    double Seconds;
    long Ops;
};

double Since(TClock::time_point start) {
    return std::chrono::duration<double>(TClock::now() - start).count();
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

IPCB_Board* BoardInterface(uint32_t board) {
    void* server = nullptr;
    KorrinHost_GetServerModule()->QueryInterface(IID_IPCB_ServerInterface, &server);
    void* out = nullptr;
    static_cast<IPCB_ServerInterface*>(server)->GetPCBBoardByBoardHandle(board, IID_IPCB_Board,
                                                                         &out);
    return static_cast<IPCB_Board*>(out);
}

std::vector<TPhase> Run(long count, const std::string& folder) {
    std::vector<TPhase> phases;
    const uint32_t layers[4] = {1, 32, 33, 57};
    uint32_t board = KorrinHost_NewBoard("bench.json");

    auto start = TClock::now();
    for (long i = 0; i < count; ++i) {
        uint32_t h = PcbApi_CreateObject(kKindTrack);
        uint8_t bf2 = 0;
        uint16_t bf3 = 0, flags = 0, word = 0;
        uint32_t layer = 0;
        int32_t la = 0, lb = 0, x = 0, y = 0, x2 = 0, y2 = 0, width = 0, v1 = 0, v2 = 0, v3 = 0;
        uint8_t pb = 0;
        PcbApi_GetObjectBitField2(ptRead, h, &bf2);
        PcbApi_GetObjectBitField3(ptRead, h, &bf3);
        PcbApi_QueryTrack(ptRead, h, &flags, &word, &layer, &la, &pb, &lb, &x, &y, &x2, &y2, &width,
                          &v1, &v2, &v3);
        x = static_cast<int32_t>(i % 10000) * 1000;
        y = static_cast<int32_t>(i / 10000) * 1000;
        x2 = x + 800;
        y2 = y + 300;
        width = 100000;
        layer = layers[i % 4];
        PcbApi_GetObjectBitField2(ptWrite, h, &bf2);
        PcbApi_GetObjectBitField3(ptWrite, h, &bf3);
        PcbApi_QueryTrack(ptWrite, h, &flags, &word, &layer, &la, &pb, &lb, &x, &y, &x2, &y2,
                          &width, &v1, &v2, &v3);
        PcbApi_AddObjectToContainer(board, h);
    }
    phases.push_back({"create/read/set/write/add", Since(start), count});

    start = TClock::now();
    long seen = 0;
    for (uint32_t layer : layers) {
        uint32_t it = PcbApi_CreateIterator(board, kKindTrack, 0, layer);
        for (uint32_t h = PcbApi_GetFirstObject(it); h != 0; h = PcbApi_GetNextObject(it))
            ++seen;
        PcbApi_DestroyIterator(it);
    }
    phases.push_back({"flat iteration by kind and layer", Since(start), seen});

    // Exploding components asks 9 kinds x 75 layers of each; nearly all of them are empty.
    start = TClock::now();
    uint32_t component = PcbApi_CreateObject(kKindComponent);
    PcbApi_AddObjectToContainer(component, PcbApi_CreateObject(kKindTrack));
    long iterators = 0;
    const uint8_t kinds[9] = {1, 2, 3, 4, 5, 6, 11, 12, 21};
    for (long round = 0; round < count / 675; ++round)
        for (uint8_t kind : kinds)
            for (uint32_t layer = 1; layer <= 75; ++layer) {
                uint32_t it = PcbApi_CreateIterator(component, kind, 0, layer);
                for (uint32_t h = PcbApi_GetFirstObject(it); h != 0; h = PcbApi_GetNextObject(it)) {
                }
                PcbApi_DestroyIterator(it);
                ++iterators;
            }
    PcbApi_DestroyObject(component);
    phases.push_back({"child iterators (9 kinds x 75 layers)", Since(start), iterators});

    IPCB_Board* b = BoardInterface(board);
    constexpr uint32_t kRunKinds = 0x767FFE;
    start = TClock::now();
    long counted = b->GetPrimitiveCounter(kRunKinds);
    IPCB_BoardIterator* it = b->BoardIterator_Create();
    it->AddFilter_ObjectSet(kRunKinds);
    for (IPCB_Primitive* p = it->FirstPCBObject(); p; p = it->NextPCBObject())
        p->SetMark(true);
    b->BoardIterator_Destroy(it);
    phases.push_back({"count and mark (board interface)", Since(start), counted});

    start = TClock::now();
    long moved = 0;
    it = b->BoardIterator_Create();
    it->AddFilter_ObjectSet(kRunKinds);
    for (IPCB_Primitive* p = it->FirstPCBObject(); p; p = it->NextPCBObject()) {
        if (!p->GetMark() || p->InComponent()) continue;
        p->BeginModify();
        p->MoveByXY(1000, -1000);
        p->EndModify();
        ++moved;
    }
    b->BoardIterator_Destroy(it);
    phases.push_back({"move (board interface)", Since(start), moved});

    start = TClock::now();
    long bounded = 0;
    int32_t left = 0, bottom = 0;
    it = b->BoardIterator_Create();
    it->AddFilter_ObjectSet(kRunKinds);
    for (IPCB_Primitive* p = it->FirstPCBObject(); p; p = it->NextPCBObject()) {
        TCoordRect r = p->BoundingRectangle();
        left = std::min(left, r.Left);
        bottom = std::min(bottom, r.Bottom);
        ++bounded;
    }
    b->BoardIterator_Destroy(it);
    phases.push_back({"bounding rectangles", Since(start), bounded});

    std::string path = folder + "/bench-" + std::to_string(count) + ".json";
    char error[512] = {};
    start = TClock::now();
    if (KorrinHost_SaveBoard(board, path.c_str(), error, sizeof error) != 0)
        std::fprintf(stderr, "%s\n", error);
    phases.push_back({"save", Since(start), count});
    auto bytes = std::filesystem::file_size(path);

    KorrinHost_CloseBoard(board);
    start = TClock::now();
    uint32_t loaded = KorrinHost_LoadBoard(path.c_str(), error, sizeof error);
    if (!loaded) std::fprintf(stderr, "%s\n", error);
    phases.push_back({"load", Since(start), count});
    std::printf("  %ld tracks: board file %.1f MB, left/bottom %d/%d\n", count,
                static_cast<double>(bytes) / 1e6, left, bottom);
    start = TClock::now();
    KorrinHost_CloseBoard(loaded);
    phases.push_back({"close", Since(start), count});
    std::filesystem::remove(path);
    return phases;
}

} // namespace

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    std::map<long, std::vector<TPhase>> results;
    for (long n : {100000L, 1000000L}) {
        results[n] = Run(n, folder);
        std::printf("  peak memory after %ld tracks: %.1f MB\n", n, PeakKilobytes() / 1024.0);
    }
    std::printf("\n%-38s %14s %14s %10s\n", "phase", "100k ops/s", "1M ops/s", "1M/100k");
    const auto& small = results[100000L];
    const auto& large = results[1000000L];
    for (size_t i = 0; i < small.size(); ++i) {
        double a = small[i].Ops / std::max(small[i].Seconds, 1e-9);
        double b = large[i].Ops / std::max(large[i].Seconds, 1e-9);
        // Time per object at 1M over time per object at 100k: about 1 when linear.
        std::printf("%-38s %14.0f %14.0f %10.2f\n", small[i].Name.c_str(), a, b, a / b);
    }
    return 0;
}
