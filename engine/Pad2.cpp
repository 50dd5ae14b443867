// SPDX-License-Identifier: MIT
#include "engine/Pad2.h"

#include "base/Assertion.h"
#include "platform/DynamicLibrary.h"

#include <cstdio>

namespace dxfi {
namespace {

constexpr const char* kModule = "Pad2";

platform::TModuleHandle Library = nullptr;
bool Loaded = false;
TPad2Functions Functions;
TEngineMessageFn MessageFn;

void ShowMessage(const std::string& caption, const std::string& text) {
    if (MessageFn)
        MessageFn(caption, text);
    else
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

template <typename TFn> void Bind(TFn& target, const char* name) {
    target = reinterpret_cast<TFn>(platform::FindSymbol(Library, name));
    Assert(target != nullptr, kModule);
}

void BindAll() {
    TPad2Functions& f = Functions;
    Bind(f.ConvertPlinesOnLoad, "edaConvertPlinesOnLoad");
    Bind(f.SetupDxfRead, "edaSetupDxfRead");
    Bind(f.SetupDwgRead, "edaSetupDwgRead");
    Bind(f.InitAd2, "edaInitAd2");
    Bind(f.CloseAd2, "edaCloseAd2");
    Bind(f.LoadFile, "edaLoadFile");
    Bind(f.Error, "edaError");
    Bind(f.ErrorStr, "edaErrorStr");
    Bind(f.CloseFile, "edaCloseFile");
    Bind(f.HeaderPointer, "edaHeaderPointer");
    Bind(f.StartLayerGet, "edaStartLayerGet");
    Bind(f.GetLayer, "edaGetLayer");
    Bind(f.SeekLayer, "edaSeekLayer");
    Bind(f.SeekBlockheader, "edaSeekBlockheader");
    Bind(f.FindBlockheaderByName, "edaFindBlockheaderByName");
    Bind(f.EntityList, "edaEntityList");
    Bind(f.StartEntityGet, "edaStartEntityGet");
    Bind(f.GetEntity, "edaGetEntity");
    Bind(f.LwplineEnttype, "edaLwplineEnttype");
    Bind(f.StartBlobRead, "edaStartBlobRead");
    Bind(f.EndBlobRead, "edaEndBlobRead");
    Bind(f.ReadBlobDouble, "edaReadBlobDouble");
    Bind(f.ReadBlob2Double, "edaReadBlob2Double");
    Bind(f.ReadBlob3Double, "edaReadBlob3Double");
    Bind(f.ReadBlobShort, "edaReadBlobShort");
    Bind(f.CalcPlineArcCenter, "edaCalcPlineArcCenter");
    Bind(f.SetAd2LoadometerFn, "edaSetAd2LoadometerFn");
}

} // namespace

void SetEngineMessageFunction(TEngineMessageFn fn) {
    MessageFn = std::move(fn);
}

void LoadEngineLibrary(const std::string& path) {
    if (Loaded) return;
    Library = platform::LoadModule(path);
    if (!Library) Library = platform::LoadModule(path);
    if (!Library) return;
    Loaded = true;
    try {
        BindAll();
    } catch (...) {
        UnloadEngineLibrary();
        throw;
    }
}

bool EngineLibraryLoaded() {
    return Loaded;
}

void UnloadEngineLibrary() {
    if (Loaded && Library) platform::UnloadModule(Library);
    Library = nullptr;
    Loaded = false;
    Functions = TPad2Functions{};
}

bool InitEngine(const std::string& initFile) {
    const TPad2Functions& f = Pad2();
    int32_t code = 0;
    if (f.InitAd2(initFile.c_str(), 0, &code) != 0) return true;
    const char* text = f.ErrorStr(code);
    ShowMessage("Error", text ? text : "");
    return false;
}

void CloseEngine() {
    if (Loaded) Functions.CloseAd2();
    UnloadEngineLibrary();
}

const TPad2Functions& Pad2() {
    Assert(Loaded, kModule);
    return Functions;
}

} // namespace dxfi
