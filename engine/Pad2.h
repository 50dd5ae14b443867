// SPDX-License-Identifier: MIT
// The drawing engine library, loaded at run time: loading, binding its 27 flat functions by
// name, initialising it from its data file, and closing it. A library that lacks one of the
// functions raises EAssertionFailure (module "Pad2"); other failures are results.
#pragma once

#include "abi/Pad2Api.h"

#include <functional>
#include <string>

namespace dxfi {

// The engine's functions as bound from the loaded library.
struct TPad2Functions {
    abi::PFN_edaConvertPlinesOnLoad ConvertPlinesOnLoad = nullptr;
    abi::PFN_edaSetupDxfRead SetupDxfRead = nullptr;
    abi::PFN_edaSetupDwgRead SetupDwgRead = nullptr;
    abi::PFN_edaInitAd2 InitAd2 = nullptr;
    abi::PFN_edaCloseAd2 CloseAd2 = nullptr;
    abi::PFN_edaLoadFile LoadFile = nullptr;
    abi::PFN_edaError Error = nullptr;
    abi::PFN_edaErrorStr ErrorStr = nullptr;
    abi::PFN_edaCloseFile CloseFile = nullptr;
    abi::PFN_edaHeaderPointer HeaderPointer = nullptr;
    abi::PFN_edaStartLayerGet StartLayerGet = nullptr;
    abi::PFN_edaGetLayer GetLayer = nullptr;
    abi::PFN_edaSeekLayer SeekLayer = nullptr;
    abi::PFN_edaSeekBlockheader SeekBlockheader = nullptr;
    abi::PFN_edaFindBlockheaderByName FindBlockheaderByName = nullptr;
    abi::PFN_edaEntityList EntityList = nullptr;
    abi::PFN_edaStartEntityGet StartEntityGet = nullptr;
    abi::PFN_edaGetEntity GetEntity = nullptr;
    abi::PFN_edaLwplineEnttype LwplineEnttype = nullptr;
    abi::PFN_edaStartBlobRead StartBlobRead = nullptr;
    abi::PFN_edaEndBlobRead EndBlobRead = nullptr;
    abi::PFN_edaReadBlobDouble ReadBlobDouble = nullptr;
    abi::PFN_edaReadBlob2Double ReadBlob2Double = nullptr;
    abi::PFN_edaReadBlob3Double ReadBlob3Double = nullptr;
    abi::PFN_edaReadBlobShort ReadBlobShort = nullptr;
    abi::PFN_edaCalcPlineArcCenter CalcPlineArcCenter = nullptr;
    abi::PFN_edaSetAd2LoadometerFn SetAd2LoadometerFn = nullptr;
};

// Shows a modal message (caption "Error" or "Warning", text). The host binding installs the
// real one; until then messages go to standard error.
using TEngineMessageFn = std::function<void(const std::string& caption, const std::string& text)>;
void SetEngineMessageFunction(TEngineMessageFn fn); // an empty function restores the default

// Nothing if already loaded. Otherwise loads the library at `path` (one retry), binds every
// function and marks the engine loaded; an unloadable library leaves it unloaded. Raises
// EAssertionFailure ("Pad2") when a function is missing (the library is then unloaded).
void LoadEngineLibrary(const std::string& path);
bool EngineLibraryLoaded();
void UnloadEngineLibrary();

// edaInitAd2(initFile, 0, &code); on failure shows edaErrorStr(code) in an "Error" box and
// returns false.
bool InitEngine(const std::string& initFile);
// edaCloseAd2, then UnloadEngineLibrary.
void CloseEngine();

// The bound functions; raises EAssertionFailure ("Pad2") when the engine is not loaded.
const TPad2Functions& Pad2();

} // namespace dxfi
