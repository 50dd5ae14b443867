// SPDX-License-Identifier: MIT
// The exported eda functions: thin, exception-proof doors into TEngine. Nothing thrown inside
// crosses them; a failure becomes a 0 result with edaError set.
#include "abi/Pad2Api.h"

#include "pad2/Engine.h"
#include "pad2/EntityCodes.h"

#include <exception>
#include <new>

using namespace dxfi::abi;
using pad2::TEngine;

namespace {

template <typename TResult, typename TFn> TResult Guarded(TResult failure, TFn&& fn) noexcept {
    try {
        return fn();
    } catch (const pad2::EDxfError& e) {
        TEngine::Instance().Fail(e.Code, e.Message);
    } catch (const std::bad_alloc&) {
        TEngine::Instance().Fail(pad2::ecTooLarge,
                                 "The drawing engine ran out of memory: the drawing is too large.");
    } catch (const std::exception& e) {
        TEngine::Instance().Fail(pad2::ecInternal,
                                 std::string("The drawing engine failed: ") + e.what());
    } catch (...) {
        TEngine::Instance().Fail(pad2::ecInternal, "The drawing engine failed.");
    }
    return failure;
}

} // namespace

extern "C" {

DXFI_EXPORT int16_t DXFI_STDCALL edaConvertPlinesOnLoad(int16_t on) {
    return TEngine::Instance().SetConvertPlines(on);
}

// Both readers are always enabled; DWG files are recognised and refused with a message.
DXFI_EXPORT void DXFI_STDCALL edaSetupDxfRead(void) {}
DXFI_EXPORT void DXFI_STDCALL edaSetupDwgRead(void) {}

DXFI_EXPORT int16_t DXFI_STDCALL edaInitAd2(const char* initFile, int32_t, int32_t* code) {
    return Guarded<int16_t>(0, [&]() -> int16_t {
        int32_t result = 0;
        const bool ok = TEngine::Instance().Init(initFile, result);
        if (code) *code = result;
        return ok ? 1 : 0;
    });
}

DXFI_EXPORT void DXFI_STDCALL edaCloseAd2(void) {
    Guarded<int>(0, [] {
        TEngine::Instance().Close();
        return 0;
    });
}

DXFI_EXPORT TDrawingHandle DXFI_STDCALL edaLoadFile(const char* path, int16_t, int16_t) {
    return Guarded<TDrawingHandle>(0, [&] { return TEngine::Instance().Load(path); });
}

DXFI_EXPORT int32_t DXFI_STDCALL edaError(void) {
    return TEngine::Instance().LastError();
}

DXFI_EXPORT const char* DXFI_STDCALL edaErrorStr(int32_t code) {
    return Guarded<const char*>("The drawing engine failed.",
                                [&] { return TEngine::Instance().ErrorText(code); });
}

DXFI_EXPORT int16_t DXFI_STDCALL edaCloseFile(TDrawingHandle drawing) {
    return Guarded<int16_t>(
        0, [&]() -> int16_t { return TEngine::Instance().CloseDrawing(drawing) ? 1 : 0; });
}

DXFI_EXPORT uint8_t* DXFI_STDCALL edaHeaderPointer(TDrawingHandle drawing) {
    return Guarded<uint8_t*>(nullptr, [&] { return TEngine::Instance().Header(drawing); });
}

DXFI_EXPORT int16_t DXFI_STDCALL edaStartLayerGet(TDrawingHandle drawing) {
    return Guarded<int16_t>(
        0, [&]() -> int16_t { return TEngine::Instance().StartLayerGet(drawing) ? 1 : 0; });
}

DXFI_EXPORT int16_t DXFI_STDCALL edaGetLayer(TDrawingHandle drawing, uint8_t* layerRecord) {
    return Guarded<int16_t>(
        0, [&]() -> int16_t { return TEngine::Instance().GetLayer(drawing, layerRecord) ? 1 : 0; });
}

DXFI_EXPORT int16_t DXFI_STDCALL edaSeekLayer(TDrawingHandle drawing, TObjectHandle layer,
                                              uint8_t* layerRecord) {
    return Guarded<int16_t>(0, [&]() -> int16_t {
        return TEngine::Instance().SeekLayer(drawing, layer, layerRecord) ? 1 : 0;
    });
}

DXFI_EXPORT int16_t DXFI_STDCALL edaSeekBlockheader(TDrawingHandle drawing, TObjectHandle block,
                                                    uint8_t* blockHeaderRecord) {
    return Guarded<int16_t>(0, [&]() -> int16_t {
        return TEngine::Instance().SeekBlock(drawing, block, blockHeaderRecord) ? 1 : 0;
    });
}

DXFI_EXPORT int16_t DXFI_STDCALL edaFindBlockheaderByName(TDrawingHandle drawing, const char* name,
                                                          TObjectHandle* block) {
    return Guarded<int16_t>(0, [&]() -> int16_t {
        return TEngine::Instance().FindBlock(drawing, name, block) ? 1 : 0;
    });
}

DXFI_EXPORT TEntityListHandle DXFI_STDCALL edaEntityList(TDrawingHandle drawing,
                                                         TObjectHandle block) {
    return Guarded<TEntityListHandle>(
        0, [&] { return TEngine::Instance().EntityList(drawing, block); });
}

DXFI_EXPORT int16_t DXFI_STDCALL edaStartEntityGet(TEntityListHandle list) {
    return Guarded<int16_t>(
        0, [&]() -> int16_t { return TEngine::Instance().StartEntityGet(list) ? 1 : 0; });
}

DXFI_EXPORT int16_t DXFI_STDCALL edaGetEntity(TEntityListHandle list, uint8_t* header,
                                              uint8_t* data) {
    return Guarded<int16_t>(
        0, [&]() -> int16_t { return TEngine::Instance().GetEntity(list, header, data) ? 1 : 0; });
}

DXFI_EXPORT int16_t DXFI_STDCALL edaLwplineEnttype(TDrawingHandle drawing) {
    return TEngine::Instance().IsOpen(drawing) ? static_cast<int16_t>(pad2::kCodeLwPolyline) : 0;
}

DXFI_EXPORT TBlobReader DXFI_STDCALL edaStartBlobRead(uint32_t reference) {
    return Guarded<TBlobReader>(0, [&] { return TEngine::Instance().StartBlobRead(reference); });
}

DXFI_EXPORT void DXFI_STDCALL edaEndBlobRead(TBlobReader reader) {
    Guarded<int>(0, [&] {
        TEngine::Instance().EndBlobRead(reader);
        return 0;
    });
}

DXFI_EXPORT int16_t DXFI_STDCALL edaReadBlobDouble(TBlobReader reader, double* value) {
    return TEngine::Instance().ReadBlob(reader, value, sizeof(double)) ? 1 : 0;
}

DXFI_EXPORT int16_t DXFI_STDCALL edaReadBlob2Double(TBlobReader reader, double* values2) {
    return TEngine::Instance().ReadBlob(reader, values2, 2 * sizeof(double)) ? 1 : 0;
}

DXFI_EXPORT int16_t DXFI_STDCALL edaReadBlob3Double(TBlobReader reader, double* values3) {
    return TEngine::Instance().ReadBlob(reader, values3, 3 * sizeof(double)) ? 1 : 0;
}

DXFI_EXPORT int16_t DXFI_STDCALL edaReadBlobShort(TBlobReader reader, int16_t* value) {
    return TEngine::Instance().ReadBlob(reader, value, sizeof(int16_t)) ? 1 : 0;
}

DXFI_EXPORT int16_t DXFI_STDCALL edaCalcPlineArcCenter(double x1, double y1, double x2, double y2,
                                                       double includedAngle, double* cx, double* cy,
                                                       double* radius) {
    double x = 0, y = 0, r = 0;
    const bool ok = pad2::CalcPlineArcCenter(x1, y1, x2, y2, includedAngle, x, y, r);
    if (cx) *cx = x;
    if (cy) *cy = y;
    if (radius) *radius = r;
    return ok && cx && cy && radius ? 1 : 0;
}

DXFI_EXPORT void DXFI_STDCALL edaSetAd2LoadometerFn(TLoadometerFn callback) {
    TEngine::Instance().SetProgress(callback);
}
}
