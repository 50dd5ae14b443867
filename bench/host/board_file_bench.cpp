// SPDX-License-Identifier: MIT
// Times saving and loading a large board file through the host module: a board of mixed
// objects in the proportions an import of a drawing makes (tracks, arcs, texts, components
// with children, a few pads and regions), or a board file given on the command line. Prints
// megabytes and objects per second of each, from wall time and from the process's CPU time
// (steadier on a shared machine; the save's wall time includes syncing the file to disk).
//
// Usage: board_file_bench [--objects N] [--board FILE.json] [--rounds R] [--folder DIR]
#include "abi/PcbApi.h"
#include "abi/PcbServer.h"
#include "host/korrin/KorrinHost.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

using namespace dxfi::abi;

namespace {

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long CountObjects(uint32_t board) {
    void* server = nullptr;
    KorrinHost_GetServerModule()->QueryInterface(IID_IPCB_ServerInterface, &server);
    void* out = nullptr;
    static_cast<IPCB_ServerInterface*>(server)->GetPCBBoardByBoardHandle(board, IID_IPCB_Board,
                                                                         &out);
    return static_cast<IPCB_Board*>(out)->GetPrimitiveCounter(0xFFFFFFFEu);
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The properties every object here shares: all zero but its place and layer.
struct TBase {
    TBase(uint32_t layer, int32_t x, int32_t y) : Layer(layer), X(x), Y(y) {}
    uint16_t Flags = 0, Word = 0;
    uint32_t Layer;
    int32_t LongA = 0, LongB = 0;
    uint8_t Byte = 0;
    int32_t X, Y;
};

// Creates an object of `kind`, writes it through write(handle, base) and adds it to `container`.
template <class TWrite> void Add(uint32_t container, uint8_t kind, TBase base, TWrite write) {
    uint32_t h = PcbApi_CreateObject(kind);
    write(h, base);
    PcbApi_AddObjectToContainer(container, h);
}

void Track(uint32_t container, int32_t x, int32_t y, uint32_t layer) {
    Add(container, kKindTrack, TBase(layer, x, y), [&](uint32_t h, TBase& b) {
        int32_t x2 = x + 254000, y2 = y - 127000, width = 100000, v1 = 0, v2 = 0, v3 = 0;
        PcbApi_QueryTrack(ptWrite, h, &b.Flags, &b.Word, &b.Layer, &b.LongA, &b.Byte, &b.LongB,
                          &b.X, &b.Y, &x2, &y2, &width, &v1, &v2, &v3);
    });
}

void Arc(uint32_t container, int32_t x, int32_t y, uint32_t layer, long i) {
    Add(container, kKindArc, TBase(layer, x, y), [&](uint32_t h, TBase& b) {
        int32_t radius = 50000 + static_cast<int32_t>(i % 977) * 1000, width = 100000, v1 = 0;
        double start = static_cast<double>(i % 360) + 0.125, end = start + 97.3;
        PcbApi_QueryArc(ptWrite, h, &b.Flags, &b.Word, &b.Layer, &b.LongA, &b.Byte, &b.LongB, &b.X,
                        &b.Y, &radius, &start, &end, &width, &v1);
    });
}

void Text(uint32_t container, int32_t x, int32_t y, uint32_t layer, long i) {
    Add(container, kKindText, TBase(layer, x, y), [&](uint32_t h, TBase& b) {
        int32_t height = 900000, v1 = 0, width = 50000, v2 = 0, v3 = 0;
        uint8_t mirror = 0;
        double rotation = (i % 4) * 90.0;
        char text[kText256];
        std::snprintf(text, sizeof text, "R%ld 10k 0603 \"TOP\"", i);
        PcbApi_QueryText(ptWrite, h, &b.Flags, &b.Word, &b.Layer, &b.LongA, &b.Byte, &b.LongB, &b.X,
                         &b.Y, &height, &v1, &rotation, &mirror, text, &width, &v2, &v3);
    });
}

// About `count` objects on a new board: per 100, 45 tracks, 40 arcs, 13 texts, one
// component with two tracks and two arcs (counted as its children), and now and then a pad.
uint32_t MakeBoard(long count) {
    const uint32_t layers[5] = {1, 32, 33, 57, 0x0400001E};
    uint32_t board = KorrinHost_NewBoard("bench.json");
    long made = 0;
    for (long i = 0; made < count; ++i) {
        int32_t x = static_cast<int32_t>(i % 20000) * 50000;
        int32_t y = static_cast<int32_t>(i / 20000) * 50000 - 100000000;
        uint32_t layer = layers[i % 5];
        long slot = i % 100;
        if (slot < 45) {
            Track(board, x, y, layer);
            ++made;
        } else if (slot < 85) {
            Arc(board, x, y, layer, i);
            ++made;
        } else if (slot < 98) {
            Text(board, x, y, layer, i);
            ++made;
        } else if (slot == 98) {
            uint32_t c = PcbApi_CreateObject(kKindComponent);
            for (int k = 0; k < 2; ++k) {
                Track(c, x + k * 1000, y, 33);
                Arc(c, x, y + k * 1000, 33, i + k);
            }
            PcbApi_AddObjectToContainer(board, c);
            made += 5;
        } else {
            uint32_t p = PcbApi_CreateObject(kKindPad);
            const int32_t size[2] = {1200000, 800000};
            PcbApi_SetPadSizeOnLayer(p, 1, size);
            PcbApi_AddObjectToContainer(board, p);
            ++made;
        }
    }
    return board;
}

struct TBest {
    double Wall = 1e300, Cpu = 1e300;
    void Add(double wall, double cpu) {
        Wall = std::min(Wall, wall);
        Cpu = std::min(Cpu, cpu);
    }
};

void Print(const char* what, const TBest& t, double megabytes, long objects) {
    std::printf("%-6s %8.3f s wall %8.3f s CPU   %7.1f MB/s %10.0f objects/s (CPU: %7.1f MB/s "
                "%10.0f objects/s)\n",
                what, t.Wall, t.Cpu, megabytes / t.Wall, static_cast<double>(objects) / t.Wall,
                megabytes / t.Cpu, static_cast<double>(objects) / t.Cpu);
}

} // namespace

int main(int argc, char** argv) {
    long count = 1000000;
    int rounds = 3;
    std::string source, folder = std::filesystem::temp_directory_path().string();
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--objects"))
            count = std::atol(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--board"))
            source = argv[i + 1];
        else if (!std::strcmp(argv[i], "--rounds"))
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--folder"))
            folder = argv[i + 1];
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    char error[1024] = {};
    uint32_t board = 0;
    if (source.empty()) {
        board = MakeBoard(count);
    } else {
        board = KorrinHost_LoadBoard(source.c_str(), error, sizeof error);
        if (!board) {
            std::fprintf(stderr, "%s\n", error);
            return 1;
        }
    }
    const std::string path = folder + "/board-file-bench.json";
    TBest save, load;
    for (int r = 0; r < rounds; ++r) {
        double w = WallSeconds(), c = CpuSeconds();
        if (KorrinHost_SaveBoard(board, path.c_str(), error, sizeof error) != 0) {
            std::fprintf(stderr, "%s\n", error);
            return 1;
        }
        save.Add(WallSeconds() - w, CpuSeconds() - c);
    }
    KorrinHost_CloseBoard(board);
    if (!source.empty()) {
        // A board read and written again gives the same bytes.
        auto text = [](const std::string& name) {
            std::string t;
            if (std::FILE* f = std::fopen(name.c_str(), "rb")) {
                char block[1 << 16];
                size_t n = 0;
                while ((n = std::fread(block, 1, sizeof block, f)) > 0)
                    t.append(block, n);
                std::fclose(f);
            }
            return t;
        };
        std::printf("saved again: %s\n", text(source) == text(path) ? "the same bytes" : "DIFFERS");
    }
    const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    long objects = 0;
    for (int r = 0; r < rounds; ++r) {
        double w = WallSeconds(), c = CpuSeconds();
        uint32_t loaded = KorrinHost_LoadBoard(path.c_str(), error, sizeof error);
        load.Add(WallSeconds() - w, CpuSeconds() - c);
        if (!loaded) {
            std::fprintf(stderr, "%s\n", error);
            return 1;
        }
        objects = CountObjects(loaded);
        KorrinHost_CloseBoard(loaded);
    }
    std::filesystem::remove(path);
    std::printf("board file %.1f MB, %ld objects (components' children included), best of %d\n",
                megabytes, objects, rounds);
    Print("save", save, megabytes, objects);
    Print("load", load, megabytes, objects);
    std::printf("peak memory %.1f MB\n", PeakKilobytes() / 1024.0);
    return 0;
}
