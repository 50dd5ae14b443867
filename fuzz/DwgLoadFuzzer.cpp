// SPDX-License-Identifier: MIT
// Fuzz target of the engine's DWG reader: inputs that begin with the signature of a DWG
// version the engine reads are loaded as drawing files and walked through the flat
// functions, as the import walks them; other inputs are left to the general engine target.
// Seeded with the DWG sample drawings, whose mutations keep their signature.
#include "fuzz/EngineFuzzInput.h"
#include "pad2/DwgReader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    enginefuzz::Initialize("drawing.dwg");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!pad2::IsReadableDwg(reinterpret_cast<const char*>(data), size)) return -1;
    enginefuzz::LoadAndWalk(data, size);
    return 0;
}
