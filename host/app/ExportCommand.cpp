// SPDX-License-Identifier: MIT
// pcbhost export: the board as a KiCad 6 board file, with what KiCad could not hold named.
#include "host/app/BoardDocument.h"
#include "host/app/HostCommands.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace dxfi::host {

void ExportKicadBoard(TBoardDocument& board, const std::string& path, const std::string& outline,
                      const std::vector<std::string>& keep) {
    namespace fs = std::filesystem;
    for (const std::string& other : keep) {
        std::error_code error;
        if (!other.empty() && (other == path || fs::equivalent(other, path, error)))
            throw EHostError(kExitUsage, "Cannot export the KiCad board to " + path + ": that is " +
                                             other +
                                             ", which it would overwrite. Choose another file "
                                             "with --kicad FILE.kicad_pcb.");
    }
    std::vector<std::string> losses = board.ExportKicad(path, outline);
    std::fprintf(stderr, "KiCad board saved to %s\n", path.c_str());
    for (const std::string& line : losses)
        std::fprintf(stderr, "KiCad export: %s\n", line.c_str());
}

int RunExport(const std::string& boardPath, const std::string& kicad, const std::string& outline) {
    TBoardDocument board =
        TBoardDocument::Open(boardPath, "Give a board file that pcbhost import saved.");
    ExportKicadBoard(board, kicad, outline, {boardPath});
    return kExitOk;
}

} // namespace dxfi::host
