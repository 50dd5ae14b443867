// SPDX-License-Identifier: MIT
// Throughput of the drawing engine on large drawings: edaLoadFile plus a walk of every entity,
// record and blob value, against two reference DXF readers that only count entities (dxflib,
// dime) and against the floor of splitting the mapped file into lines. Each measurement runs
// in a child process so that its peak memory (ru_maxrss) is its own.
// Usage: engine_bench [--engine-only] FILE.dxf...
//   --engine-only  measures the engine alone (for profiling it with perf)
#include "engine_data/EngineWalk.h"

#ifdef DXFI_HAVE_DXFLIB
#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#endif
#ifdef DXFI_HAVE_DIME
#include <dime/Input.h>
#include <dime/Model.h>
#endif

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

struct TResult {
    double Seconds = 0;
    double CpuSeconds = 0; // user + system time of the same work: steadier on a shared machine
    uint64_t Entities = 0; // what the reader counts as an entity (lines for the floor)
    bool Ok = false;
};

struct TMeasurement {
    std::string Reader;
    TResult Result;
    double PeakMB = 0;
};

using TReader = std::function<TResult(const std::string&)>;

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double CpuNow() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TResult SplitLines(const std::string& path) {
    TResult result;
    const int fd = open(path.c_str(), O_RDONLY);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0) return result;
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuNow();
    const size_t size = size_t(st.st_size);
    void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (map == MAP_FAILED) return result;
    const char* p = static_cast<const char*>(map);
    const char* end = p + size;
    while (const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)))) {
        ++result.Entities;
        p = nl + 1;
    }
    result.Seconds = Since(start);
    result.CpuSeconds = CpuNow() - cpu;
    munmap(map, size);
    close(fd);
    result.Ok = true;
    return result;
}

TResult Engine(const std::string& path) {
    TResult result;
    const std::string failure = dxfi::enginewalk::SetUpEngine(DXFI_BIN_DIR "/PADINIT.DAT");
    if (!failure.empty()) {
        std::fprintf(stderr, "edaInitAd2: %s\n", failure.c_str());
        return result;
    }
    // Small drawings load in about a millisecond: they are loaded again for up to a third of
    // a second and the fastest run counts, so that one cold start does not decide the figure.
    dxfi::enginewalk::TWalkCounts counts;
    double best = 0, total = 0, bestCpu = 0;
    for (int run = 0; run < 50 && (run == 0 || total < 0.3); ++run) {
        const auto start = std::chrono::steady_clock::now();
        const double cpu = CpuNow();
        const dxfi::abi::TDrawingHandle drawing = edaLoadFile(path.c_str(), 1, 0);
        if (drawing == 0) {
            std::fprintf(stderr, "edaLoadFile: %s\n", edaErrorStr(edaError()));
            return result;
        }
        counts = dxfi::enginewalk::TDrawingWalker(drawing).Run();
        edaCloseFile(drawing);
        const double seconds = Since(start);
        const double cpuSeconds = CpuNow() - cpu;
        total += seconds;
        if (run == 0 || seconds < best) best = seconds;
        if (run == 0 || cpuSeconds < bestCpu) bestCpu = cpuSeconds;
    }
    result.Seconds = best;
    result.CpuSeconds = bestCpu;
    result.Entities = counts.Entities;
    result.Ok = true;
    std::fprintf(stderr, "  engine: %llu entities, %llu layers, %llu lists, %llu blob values\n",
                 static_cast<unsigned long long>(counts.Entities),
                 static_cast<unsigned long long>(counts.Layers),
                 static_cast<unsigned long long>(counts.Lists),
                 static_cast<unsigned long long>(counts.BlobValues));
    edaCloseAd2();
    return result;
}

#ifdef DXFI_HAVE_DXFLIB
class TCountingAdapter : public DL_CreationAdapter {
public:
    uint64_t Count = 0;
    void addPoint(const DL_PointData&) override { ++Count; }
    void addLine(const DL_LineData&) override { ++Count; }
    void addArc(const DL_ArcData&) override { ++Count; }
    void addCircle(const DL_CircleData&) override { ++Count; }
    void addEllipse(const DL_EllipseData&) override { ++Count; }
    void addPolyline(const DL_PolylineData&) override { ++Count; }
    void addVertex(const DL_VertexData&) override { ++Count; }
    void addInsert(const DL_InsertData&) override { ++Count; }
    void addText(const DL_TextData&) override { ++Count; }
    void addMText(const DL_MTextData&) override { ++Count; }
    void addSolid(const DL_SolidData&) override { ++Count; }
    void addTrace(const DL_TraceData&) override { ++Count; }
};

TResult Dxflib(const std::string& path) {
    TResult result;
    TCountingAdapter adapter;
    DL_Dxf dxf;
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuNow();
    result.Ok = dxf.in(path, &adapter);
    result.Seconds = Since(start);
    result.CpuSeconds = CpuNow() - cpu;
    result.Entities = adapter.Count;
    return result;
}
#endif

#ifdef DXFI_HAVE_DIME
bool CountDime(const dimeState* const, dimeEntity*, void* count) {
    ++*static_cast<uint64_t*>(count);
    return true;
}

TResult Dime(const std::string& path) {
    TResult result;
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuNow();
    dimeInput in;
    if (!in.setFile(path.c_str())) return result;
    dimeModel model;
    result.Ok = model.read(&in);
    model.traverseEntities(CountDime, &result.Entities, false, false, true);
    result.Seconds = Since(start);
    result.CpuSeconds = CpuNow() - cpu;
    return result;
}
#endif

// Runs one reader in a child process; its peak memory comes back through wait4.
TMeasurement Measure(const std::string& name, const TReader& reader, const std::string& path) {
    TMeasurement m{name, {}, 0};
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return m;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        const TResult r = reader(path);
        const ssize_t written = write(pipeFds[1], &r, sizeof r);
        _exit(written == ssize_t(sizeof r) ? 0 : 1);
    }
    close(pipeFds[1]);
    TResult r;
    const bool got = child > 0 && read(pipeFds[0], &r, sizeof r) == ssize_t(sizeof r);
    close(pipeFds[0]);
    int status = 0;
    struct rusage usage {};
    if (child > 0) wait4(child, &status, 0, &usage);
    if (got) m.Result = r;
    m.PeakMB = double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    return m;
}

} // namespace

int main(int argc, char** argv) {
    const bool engineOnly = argc > 1 && std::strcmp(argv[1], "--engine-only") == 0;
    const int first = engineOnly ? 2 : 1;
    if (argc <= first) {
        std::fprintf(stderr, "usage: %s [--engine-only] FILE.dxf|FILE.dwg...\n", argv[0]);
        return 2;
    }
    std::vector<std::pair<std::string, TReader>> readers = {{"drawing engine", Engine}};
    if (!engineOnly) {
        readers.insert(readers.begin(), {"memchr lines (floor)", SplitLines});
#ifdef DXFI_HAVE_DXFLIB
        readers.emplace_back("dxflib (count only)", Dxflib);
#endif
#ifdef DXFI_HAVE_DIME
        readers.emplace_back("dime (count only)", Dime);
#endif
    }

    std::printf("seconds: wall time of the reader's work (the engine: its fastest load and walk);"
                "\ncpu s: user + system time of the same work; peak MB: the largest resident"
                "\nsize of the reader's own child process (ru_maxrss from wait4).\n");
    int failures = 0;
    double previousMB = 0, previousSeconds = 0;
    for (int i = first; i < argc; ++i) {
        const std::string path = argv[i];
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) {
            std::fprintf(stderr, "%s: cannot read the file; run bench/run.sh to generate it\n",
                         path.c_str());
            return 1;
        }
        const double mb = double(st.st_size) / 1e6;
        std::printf("\n%s: %.1f MB\n", path.c_str(), mb);
        std::printf("%-22s %10s %14s %9s %9s %10s %12s\n", "reader", "MB/s", "entities/s",
                    "seconds", "cpu s", "peak MB", "count");
        double engineSpeed = 0, bestReference = 0, enginePeak = 0, engineSeconds = 0;
        double engineCpu = 0, bestReferenceCpu = 0;
        // DWG files: the engine only (the reference readers read DXF).
        const bool dwg = path.size() > 4 && (path.ends_with(".dwg") || path.ends_with(".DWG"));
        for (const auto& [name, reader] : readers) {
            if (dwg && name != "drawing engine") continue;
            const TMeasurement m = Measure(name, reader, path);
            if (!m.Result.Ok || m.Result.Seconds <= 0) {
                std::printf("%-22s %10s\n", name.c_str(), "failed");
                ++failures;
                continue;
            }
            const double speed = mb / m.Result.Seconds;
            std::printf("%-22s %10.1f %14.0f %9.3f %9.3f %10.1f %12llu\n", name.c_str(), speed,
                        double(m.Result.Entities) / m.Result.Seconds, m.Result.Seconds,
                        m.Result.CpuSeconds, m.PeakMB,
                        static_cast<unsigned long long>(m.Result.Entities));
            if (name == "drawing engine") {
                engineSpeed = speed;
                enginePeak = m.PeakMB;
                engineSeconds = m.Result.Seconds;
                engineCpu = m.Result.CpuSeconds;
            } else if (name.find("count only") != std::string::npos && speed > bestReference) {
                bestReference = speed;
                bestReferenceCpu = m.Result.CpuSeconds;
            }
        }
        if (engineSpeed > 0 && bestReference > 0)
            std::printf("engine / faster reference: %.1fx wall, %.1fx cpu (target >= 10x)\n",
                        engineSpeed / bestReference,
                        engineCpu > 0 ? bestReferenceCpu / engineCpu : 0.0);
        if (engineCpu > 0 && !dwg)
            std::printf("engine on cpu time: %.1f MB/s (target >= 400)\n", mb / engineCpu);
        if (enginePeak > 0 && !dwg)
            std::printf("engine peak memory / file size: %.2f (target <= 0.6)\n", enginePeak / mb);
        if (previousSeconds > 0 && engineSeconds > 0 && !dwg)
            std::printf("engine time ratio %.2f for size ratio %.2f (linear: at most 1.1 times "
                        "the size ratio)\n",
                        engineSeconds / previousSeconds, mb / previousMB);
        if (!dwg) {
            previousMB = mb;
            previousSeconds = engineSeconds;
        }
    }
    return failures == 0 ? 0 : 1;
}
