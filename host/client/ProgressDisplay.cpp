// SPDX-License-Identifier: MIT
#include "host/client/ProgressDisplay.h"

#include <algorithm>

namespace dxfi::host {

namespace {

constexpr std::size_t kCaptionWidth = 40;
constexpr int kBarWidth = 30;

// Long captions ("Loading /a/long/path.dxf") keep their start and their end.
std::string FitCaption(const std::string& caption) {
    if (caption.size() <= kCaptionWidth) return caption;
    std::size_t head = 12;
    std::size_t tail = kCaptionWidth - head - 3;
    std::size_t start = caption.size() - tail;
    // Do not begin the tail inside a UTF-8 character.
    while (start < caption.size() && (static_cast<unsigned char>(caption[start]) & 0xC0) == 0x80)
        ++start;
    while (head > 0 && (static_cast<unsigned char>(caption[head]) & 0xC0) == 0x80)
        --head;
    return caption.substr(0, head) + "..." + caption.substr(start);
}

} // namespace

TProgressDisplay::TProgressDisplay(std::FILE* out, bool terminal,
                                   std::chrono::milliseconds throttle)
    : Out_(out), Terminal_(terminal), Throttle_(throttle) {}

void TProgressDisplay::Init(const std::string& caption, int32_t total) {
    if (Active_) Finish();
    Caption_ = caption;
    Total_ = total;
    Steps_ = 0;
    LastPercent_ = -1;
    Active_ = true;
    if (Terminal_) {
        Draw();
    } else {
        std::fprintf(Out_, "%s\n", Caption_.c_str());
        std::fflush(Out_);
    }
}

void TProgressDisplay::Update() {
    if (!Active_) return;
    if (Steps_ < INT64_MAX) ++Steps_;
    if (!Terminal_) return;
    int percent = Total_ > 0 ? static_cast<int>(std::min<int64_t>(100, Steps_ * 100 / Total_)) : -1;
    auto now = std::chrono::steady_clock::now();
    bool changed = Total_ <= 0 || percent != LastPercent_;
    if (!LineOpen_ || (changed && now - LastDraw_ >= Throttle_)) Draw();
}

void TProgressDisplay::Finish() {
    if (!Active_) return;
    if (Terminal_) {
        if (Total_ > 0) Steps_ = std::max<int64_t>(Steps_, Total_);
        Draw();
        std::fputc('\n', Out_);
        std::fflush(Out_);
        LineOpen_ = false;
    }
    Active_ = false;
}

void TProgressDisplay::BreakLine() {
    if (!LineOpen_) return;
    std::fputc('\n', Out_);
    std::fflush(Out_);
    LineOpen_ = false;
}

void TProgressDisplay::Draw() {
    // Appended piece by piece: GCC 12 at -O3 warns wrongly about "literal" + std::string.
    std::string line(1, '\r');
    line.append(FitCaption(Caption_));
    if (Total_ > 0) {
        int percent = static_cast<int>(std::min<int64_t>(100, Steps_ * 100 / Total_));
        int filled = percent * kBarWidth / 100;
        line.append(" [");
        line.append(static_cast<std::size_t>(filled), '#');
        line.append(static_cast<std::size_t>(kBarWidth - filled), ' ');
        line.append("] ");
        line.append(std::to_string(percent));
        line.append(1, '%');
        LastPercent_ = percent;
    } else {
        line.append(1, ' ');
        line.append(std::to_string(Steps_));
    }
    line += "\033[K"; // clears what a longer earlier line left behind
    std::fputs(line.c_str(), Out_);
    std::fflush(Out_);
    LastDraw_ = std::chrono::steady_clock::now();
    LineOpen_ = true;
}

} // namespace dxfi::host
