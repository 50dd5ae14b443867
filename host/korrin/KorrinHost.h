// SPDX-License-Identifier: MIT
// The host PCB module's private C interface for the pcbhost executable: opening, saving,
// rendering and summarising boards, the server module, and the callbacks through which the
// module reaches the application (progress display, interactive location pick).
//
// Conventions:
// - Texts are UTF-8, NUL-terminated. Board handles are the same values PcbApi_ functions use.
// - Error buffers: `error` may be null or `errorSize` 0 (no message); otherwise the message is
//   written NUL-terminated, cut (never inside a UTF-8 character) to fit errorSize bytes.
//   Messages name the file and the problem, e.g.
//   "Cannot load board 'x.json': the file is empty."
// - Status results are 0 on success, non-zero on failure. Nothing throws; every function
//   refuses a handle that names no open board.
// - Not thread-safe: call from the thread that runs the plug-in.
#pragma once

#include "abi/CallConv.h"
#include "abi/PcbServer.h"

#include <cstddef>
#include <cstdint>

extern "C" {

// Progress display behind PcbApi_Percent_Init/Update/Finish. `caption` is the decoded caption
// text (borrowed for the call). `context` is the value given to KorrinHost_SetProgressCallbacks.
typedef void(DXFI_CDECL* KorrinHost_ProgressInitFn)(void* context, const char* caption,
                                                    int32_t total);
typedef void(DXFI_CDECL* KorrinHost_ProgressStepFn)(void* context);
// Interactive location pick behind IPCB_Board::ChooseLocation: returns 1 and fills *x, *y
// (board units) when the user picked a point, 0 when not.
typedef int32_t(DXFI_CDECL* KorrinHost_LocationPickerFn)(void* context, const char* prompt,
                                                         int32_t* x, int32_t* y);
// Receives a text that the module produced (borrowed for the call; `length` bytes, also
// NUL-terminated).
typedef void(DXFI_CDECL* KorrinHost_TextSinkFn)(void* context, const char* text, size_t length);

// A new empty board with the host's defaults whose FileName is `fileName` (may be empty or
// null). It becomes the current board (PcbApi_GetCurrentBoardHandle). The module owns it
// until KorrinHost_CloseBoard. Returns its handle (never 0).
DXFI_EXPORT uint32_t DXFI_CDECL KorrinHost_NewBoard(const char* fileName);

// Loads a board document (JSON, see BOARD_FORMAT.md). On success the board becomes the current
// board, its FileName is `path`, and its handle is returned (module-owned until
// KorrinHost_CloseBoard). On failure returns 0, writes the message (a missing, unreadable or
// empty file, text that is not JSON, JSON of the wrong shape, with the place of the fault) and
// changes nothing: the current board stays as it was.
DXFI_EXPORT uint32_t DXFI_CDECL KorrinHost_LoadBoard(const char* path, char* error,
                                                     int32_t errorSize);

// Saves the board with every object and property to `path`: written to a temporary file in
// the same folder, then renamed over `path`, so a failure never leaves half a board and never
// harms an existing file. The board's FileName is not changed. 0 on success.
DXFI_EXPORT int32_t DXFI_CDECL KorrinHost_SaveBoard(uint32_t board, const char* path, char* error,
                                                    int32_t errorSize);

// Sets the board's FileName (what PcbApi_QueryBoard reports). 0 on success.
DXFI_EXPORT int32_t DXFI_CDECL KorrinHost_SetBoardFileName(uint32_t board, const char* fileName);

// Destroys the board with all its objects. Their handles (and the board's) then name nothing.
// When it was the current board there is no current board afterwards. 0 on success.
DXFI_EXPORT int32_t DXFI_CDECL KorrinHost_CloseBoard(uint32_t board);

// Makes an open board the current board; 0 clears the current board. 0 on success.
DXFI_EXPORT int32_t DXFI_CDECL KorrinHost_SetCurrentBoard(uint32_t board);

// Writes an SVG picture of the board (same temporary-file-and-rename rule as saving).
// 0 on success.
DXFI_EXPORT int32_t DXFI_CDECL KorrinHost_RenderSvg(uint32_t board, const char* path, char* error,
                                                    int32_t errorSize);

// Exports the board as a KiCad 6 board file (same temporary-file-and-rename rule as saving).
// `outlineLayer` is the layer that becomes KiCad's board outline (Edge.Cuts), 0 for none. Each
// thing KiCad cannot hold is handed to `lossSink` (may be null) as one line with its count,
// e.g. "3 dimensions: KiCad has no counterpart; not exported". 0 on success.
DXFI_EXPORT int32_t DXFI_CDECL KorrinHost_ExportKicad(uint32_t board, const char* path,
                                                      uint32_t outlineLayer,
                                                      KorrinHost_TextSinkFn lossSink, void* context,
                                                      char* error, int32_t errorSize);

// A JSON summary of the board for `pcbhost info`, handed to `sink` once:
//   {"FileName": "...", "ObjectCount": n,
//    "Kinds": {"Track": n, ...},            objects by kind name, children included
//    "Layers": {"Top Layer": n, ...},       objects by their layer's board name
//    "KindsByLayer": {"Top Layer": {"Track": n, ...}, ...}   the same split by kind
//    "Extent": {"Left": l, "Bottom": b, "Right": r, "Top": t}   board units; null when empty
//    "ExtentMils": {...}}                    the same in mils (doubles)
// Kinds and layers with no objects are left out. 0 on success.
DXFI_EXPORT int32_t DXFI_CDECL KorrinHost_BoardSummaryJson(uint32_t board,
                                                           KorrinHost_TextSinkFn sink,
                                                           void* context);

// The server module "PCB" for the host client's GetServerModuleByName. Borrowed: it lives as
// long as the module is loaded; AddRef/Release do not end it. QueryInterface with
// IID_IPCB_ServerInterface gives the IPCB_ServerInterface.
DXFI_EXPORT dxfi::abi::IInterface* DXFI_CDECL KorrinHost_GetServerModule(void);

// Installs the progress display; null functions (the default) make the calls do nothing.
DXFI_EXPORT void DXFI_CDECL KorrinHost_SetProgressCallbacks(KorrinHost_ProgressInitFn init,
                                                            KorrinHost_ProgressStepFn update,
                                                            KorrinHost_ProgressStepFn finish,
                                                            void* context);

// Installs the location picker; null (the default) makes ChooseLocation answer false.
DXFI_EXPORT void DXFI_CDECL KorrinHost_SetLocationPicker(KorrinHost_LocationPickerFn picker,
                                                         void* context);

// The user's name for a layer of the board (a TV7_Layer of the standard list). The name is
// saved with the board and returned by IPCB_Board::LayerName and the layer iterator. An empty
// name restores the layer's display name. Non-zero for a layer the board does not have.
DXFI_EXPORT int32_t DXFI_CDECL KorrinHost_SetLayerName(uint32_t board, uint32_t layer,
                                                       const char* name);

// The layer whose board name (or, failing that, display name) equals `name` ignoring ASCII
// letter case; 0 when none. For the app's options that name layers.
DXFI_EXPORT uint32_t DXFI_CDECL KorrinHost_LayerFromName(uint32_t board, const char* name);

} // extern "C"
