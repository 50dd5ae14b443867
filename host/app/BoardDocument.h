// SPDX-License-Identifier: MIT
// A board of the host PCB module held for one command: opened or started, saved, rendered,
// summarised, and closed when the holder goes. Failures throw EHostError with the module's
// message (which names the file) and what to do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dxfi::host {

class TBoardDocument {
public:
    // Loads a board file; it becomes the current board. `whatToDo` ends the failure message.
    static TBoardDocument Open(const std::string& path, const std::string& whatToDo);
    // Starts an empty board named `fileName`; it becomes the current board.
    static TBoardDocument New(const std::string& fileName);

    TBoardDocument(TBoardDocument&& other) noexcept;
    TBoardDocument& operator=(TBoardDocument&&) = delete;
    TBoardDocument(const TBoardDocument&) = delete;
    ~TBoardDocument();

    uint32_t Handle() const { return Handle_; }
    void SetFileName(const std::string& fileName);
    void Save(const std::string& path);
    void RenderSvg(const std::string& path);
    // Writes a KiCad 6 board file; `outline` names the layer that becomes its board outline
    // (empty: none). Returns the lines naming what KiCad could not hold.
    std::vector<std::string> ExportKicad(const std::string& path, const std::string& outline);
    // The layer a user's name (the board's name or display name) stands for; 0 for none.
    uint32_t LayerFromName(const std::string& name) const;
    // Objects on the board, components' children included (the summary's ObjectCount).
    int64_t ObjectCount() const;
    // The module's JSON summary (kinds, layers, extent).
    std::string SummaryJson() const;

private:
    explicit TBoardDocument(uint32_t handle) : Handle_(handle) {}
    uint32_t Handle_ = 0;
};

} // namespace dxfi::host
