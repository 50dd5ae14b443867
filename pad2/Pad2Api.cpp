// SPDX-License-Identifier: MIT
// The exported eda functions (placeholder bodies until the reader lands).
#include "abi/Pad2Api.h"

using namespace dxfi::abi;

extern "C" {
int16_t edaConvertPlinesOnLoad(int16_t) { return 0; }
void edaSetupDxfRead() {}
void edaSetupDwgRead() {}
int16_t edaInitAd2(const char*, int32_t, int32_t* code) { if (code) *code = 1; return 0; }
void edaCloseAd2() {}
TDrawingHandle edaLoadFile(const char*, int16_t, int16_t) { return 0; }
int32_t edaError() { return 0; }
const char* edaErrorStr(int32_t) { return "Not implemented."; }
int16_t edaCloseFile(TDrawingHandle) { return 0; }
uint8_t* edaHeaderPointer(TDrawingHandle) { return nullptr; }
int16_t edaStartLayerGet(TDrawingHandle) { return 0; }
int16_t edaGetLayer(TDrawingHandle, uint8_t*) { return 0; }
int16_t edaSeekLayer(TDrawingHandle, TObjectHandle, uint8_t*) { return 0; }
int16_t edaSeekBlockheader(TDrawingHandle, TObjectHandle, uint8_t*) { return 0; }
int16_t edaFindBlockheaderByName(TDrawingHandle, const char*, TObjectHandle*) { return 0; }
TEntityListHandle edaEntityList(TDrawingHandle, TObjectHandle) { return 0; }
int16_t edaStartEntityGet(TEntityListHandle) { return 0; }
int16_t edaGetEntity(TEntityListHandle, uint8_t*, uint8_t*) { return 0; }
int16_t edaLwplineEnttype(TDrawingHandle) { return 77; }
TBlobReader edaStartBlobRead(uint32_t) { return 0; }
void edaEndBlobRead(TBlobReader) {}
int16_t edaReadBlobDouble(TBlobReader, double*) { return 0; }
int16_t edaReadBlob2Double(TBlobReader, double*) { return 0; }
int16_t edaReadBlob3Double(TBlobReader, double*) { return 0; }
int16_t edaReadBlobShort(TBlobReader, int16_t*) { return 0; }
int16_t edaCalcPlineArcCenter(double, double, double, double, double, double*, double*, double*) { return 0; }
void edaSetAd2LoadometerFn(TLoadometerFn) {}
}
