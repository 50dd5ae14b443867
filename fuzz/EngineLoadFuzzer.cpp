// SPDX-License-Identifier: MIT
// Fuzz target of the drawing engine: loads the input as a drawing file and walks every list,
// record and blob value through the flat functions, then closes the drawing.
#include "fuzz/EngineFuzzInput.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    enginefuzz::Initialize("drawing.dxf");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    enginefuzz::LoadAndWalk(data, size);
    return 0;
}
