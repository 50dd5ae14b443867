// SPDX-License-Identifier: MIT
// Fuzz target of the engine's DWG reader: inputs that begin with the signature of a DWG
// version the engine reads are loaded as drawing files and walked through the flat
// functions, as the import walks them; other inputs are left to the general engine target.
// Seeded with the DWG sample drawings, whose mutations keep their signature.
#include "engine_data/EngineWalk.h"
#include "pad2/DwgReader.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int InputFile = -1;
std::string InputPath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    edaConvertPlinesOnLoad(1);
    edaSetupDxfRead();
    edaSetupDwgRead();
    int32_t code = 0;
    if (edaInitAd2(DXFI_BIN_DIR "/PADINIT.DAT", 0, &code) == 0) {
        std::fprintf(stderr, "edaInitAd2 failed: %s\n", edaErrorStr(code));
        std::abort();
    }
    InputFile = memfd_create("drawing.dwg", 0);
    if (InputFile < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    InputPath = "/proc/self/fd/" + std::to_string(InputFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!pad2::IsReadableDwg(reinterpret_cast<const char*>(data), size)) return -1;
    if (ftruncate(InputFile, 0) != 0 || pwrite(InputFile, data, size, 0) != ssize_t(size))
        std::abort();
    const dxfi::abi::TDrawingHandle drawing = edaLoadFile(InputPath.c_str(), 1, 0);
    if (drawing == 0) {
        const char* message = edaErrorStr(edaError());
        if (message == nullptr || *message == 0) std::abort(); // a failed load must say why
        return 0;
    }
    dxfi::enginewalk::TDrawingWalker(drawing).Run();
    if (edaCloseFile(drawing) == 0) std::abort();
    return 0;
}
