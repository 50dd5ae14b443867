// SPDX-License-Identifier: MIT
// The time each phase of an import takes, for the benchmarks: with DXFI_IMPORT_TIMING=1 every
// lap prints "import timing: <phase> <wall seconds> cpu <process CPU seconds>" to standard
// error (phases: load, options, walk, layers_and_close, placement, second_move,
// report_and_cleanup). The CPU time counts this process alone, so that figures taken on a busy
// machine stay comparable. Off by default; then a lap costs one test.
#pragma once

#include <chrono>

namespace dxfi {

class TPhaseTimer {
public:
    TPhaseTimer();
    // Ends the phase running since the last lap (or since construction) under `phase`.
    void Lap(const char* phase);

private:
    bool Enabled_;
    std::chrono::steady_clock::time_point LastWall_;
    double LastCpu_ = 0.0;
};

} // namespace dxfi
