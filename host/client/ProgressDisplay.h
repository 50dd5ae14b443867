// SPDX-License-Identifier: MIT
// The host's progress display behind PcbApi_Percent_Init/Update/Finish. On a terminal it is
// a bar with its caption, redrawn in place (carriage return) at most once per throttle
// interval; elsewhere (a log, a pipe) it writes one line per caption and nothing per step.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace dxfi::host {

class TProgressDisplay {
public:
    TProgressDisplay(std::FILE* out, bool terminal,
                     std::chrono::milliseconds throttle = std::chrono::milliseconds(100));

    // Starts a new display (ending one still open); `total` steps make 100 %. A total of 0 or
    // less shows a step count instead of a bar.
    void Init(const std::string& caption, int32_t total);
    void Update();
    void Finish();
    // Ends a bar line in progress so that other output starts on a line of its own; the bar
    // is drawn again on the next step.
    void BreakLine();

    int64_t Steps() const { return Steps_; }

private:
    void Draw();

    std::FILE* Out_;
    bool Terminal_;
    std::chrono::milliseconds Throttle_;
    std::chrono::steady_clock::time_point LastDraw_{};
    std::string Caption_;
    int32_t Total_ = 0;
    int64_t Steps_ = 0;
    int LastPercent_ = -1;
    bool Active_ = false;
    bool LineOpen_ = false;
};

} // namespace dxfi::host
