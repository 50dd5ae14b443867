// SPDX-License-Identifier: MIT
#include "pcbimport/PhaseTimer.h"

#include "platform/Environment.h"

#include <cstdio>
#include <ctime>

namespace dxfi {

namespace {

// The processor time of the process; 0 where the platform does not keep it.
double ProcessCpuSeconds() {
    const std::clock_t used = std::clock();
    return used == static_cast<std::clock_t>(-1) ? 0.0 : static_cast<double>(used) / CLOCKS_PER_SEC;
}

} // namespace

TPhaseTimer::TPhaseTimer()
    : Enabled_(platform::GetEnv("DXFI_IMPORT_TIMING").value_or("") == "1"),
      LastWall_(std::chrono::steady_clock::now()), LastCpu_(Enabled_ ? ProcessCpuSeconds() : 0.0) {}

void TPhaseTimer::Lap(const char* phase) {
    if (!Enabled_) return;
    const auto wall = std::chrono::steady_clock::now();
    const double cpu = ProcessCpuSeconds();
    std::fprintf(stderr, "import timing: %s %.3f cpu %.3f\n", phase,
                 std::chrono::duration<double>(wall - LastWall_).count(), cpu - LastCpu_);
    std::fflush(stderr);
    LastWall_ = wall;
    LastCpu_ = cpu;
}

} // namespace dxfi
