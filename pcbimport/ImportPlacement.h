// SPDX-License-Identifier: MIT
// The parts of an import run that work on the board alone: the engine's load-progress callback,
// the marks that tell the board's earlier objects from imported ones, moving the imported
// objects and their bounds, and the warning shown when they had to be moved into the board's
// valid region. Nothing here throws; a null board interface does nothing.
#pragma once

#include "abi/CallConv.h"
#include "abi/PcbServer.h"
#include "pcbclient/BoardUnits.h"

#include <cstdint>
#include <string>

namespace dxfi {

// Object kinds the run counts, marks, moves and bounds: bit n stands for kind n (kinds 1 to
// 14, 17, 18 and 20 to 22).
inline constexpr uint32_t kImportKindSet = 0x767FFE;

// The engine's load-progress callback: one progress step per percent gained since the last
// call. The last percentage is process-wide, starts at 0 and is remembered also when it falls.
void DXFI_CDECL LoadProgress(int16_t percent);
// Puts the last percentage back to 0, as a fresh library load does (for tests).
void ResetLoadProgress();

// Marks every object of the kind set that is on the board now.
void MarkExistingObjects(abi::IPCB_Board* board);
// Moves every unmarked object of the kind set that is not a child of a component by (dx, dy)
// (children travel with their component), one progress step per object visited.
void MoveImportedObjects(TBoardCoord dx, TBoardCoord dy, abi::IPCB_Board* board);

struct TImportedBounds {
    TBoardCoord Left = 0;
    TBoardCoord Bottom = 0;
    TBoardCoord Right = 0;
    TBoardCoord Top = 0;
};
// The smallest left and bottom of the unmarked objects, children included, and 0 when none
// lies left of or below 0; likewise their largest right and top, and 0 when none lies right
// of or above 0.
TImportedBounds ImportedBounds(abi::IPCB_Board* board);
// The move that brings `low` (at most 0) to 0, cut short where `high` (at least 0) would
// leave the board's coordinate range: a drawing wider than the range keeps its shape instead
// of being piled against the edge.
TBoardCoord PlacementMove(TBoardCoord low, TBoardCoord high);

// The text of the "Warning" box shown before imported objects are moved into the valid region.
std::string PlacementWarningText();

} // namespace dxfi
