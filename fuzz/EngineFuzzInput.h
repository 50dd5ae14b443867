// SPDX-License-Identifier: MIT
// What the engine's fuzz targets share: the engine set up as the import sets it up, and the
// in-memory file (memfd) each input is loaded from, since the engine reads paths. Each input is
// loaded, every list, record and blob value walked through the flat functions, and the drawing
// closed.
#pragma once

#include "engine_data/EngineWalk.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace enginefuzz {

inline int InputFile = -1;
inline std::string InputPath;

// Sets the engine up and creates the input file under `fileName`; aborts when either fails.
inline void Initialize(const char* fileName) {
    const std::string failure = dxfi::enginewalk::SetUpEngine(DXFI_BIN_DIR "/PADINIT.DAT");
    if (!failure.empty()) {
        std::fprintf(stderr, "edaInitAd2 failed: %s\n", failure.c_str());
        std::abort();
    }
    InputFile = memfd_create(fileName, 0);
    if (InputFile < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    InputPath = "/proc/self/fd/" + std::to_string(InputFile);
}

// Loads `data` as a drawing, walks it and closes it; a failed load must say why.
inline void LoadAndWalk(const uint8_t* data, size_t size) {
    if (ftruncate(InputFile, 0) != 0 || pwrite(InputFile, data, size, 0) != ssize_t(size))
        std::abort();
    const dxfi::abi::TDrawingHandle drawing = edaLoadFile(InputPath.c_str(), 1, 0);
    if (drawing == 0) {
        const char* message = edaErrorStr(edaError());
        if (message == nullptr || *message == 0) std::abort();
        return;
    }
    dxfi::enginewalk::TDrawingWalker(drawing).Run();
    if (edaCloseFile(drawing) == 0) std::abort();
}

} // namespace enginefuzz
