// SPDX-License-Identifier: MIT
#include "ProcessorHost.h"

#include "engine/Pad2.h"
#include "pcbclient/PcbApiBinding.h"
#include "platform/DynamicLibrary.h"
#include "support/TestHost.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace dxfi::test {
namespace {

// Why the drawing engine could not be made ready.
std::string EngineLoadError;

bool EngineReady() {
    static const bool ready = [] {
        LoadEngineLibrary(DXFI_BIN_DIR "/libpad2.so");
        if (!EngineLibraryLoaded()) {
            EngineLoadError =
                DXFI_BIN_DIR "/libpad2.so cannot be loaded: " + platform::LastLoadError();
            return false;
        }
        if (!InitEngine(DXFI_BIN_DIR "/PADINIT.DAT")) {
            EngineLoadError =
                "the drawing engine refused " DXFI_BIN_DIR "/PADINIT.DAT (its message is above)";
            return false;
        }
        return true;
    }();
    return ready;
}

} // namespace

abi::IInterface* TTestClient::PcbModule() {
    return ServerModule();
}

void THostFixture::SetUp() {
    ASSERT_NE(KorrinModule(), nullptr) << KorrinLoadError();
    ASSERT_TRUE(EngineReady()) << EngineLoadError;
    Board = NewBoard("/boards/test.PcbDoc");
    ASSERT_NE(Board, 0u);
    SetHostClient(&Client);
    BoardWrapper = std::make_unique<TPcbBoard>(Board);
    BoardWrapper->TransferProperties(ptRead);
}

void THostFixture::TearDown() {
    BoardWrapper.reset();
    SetHostClient(nullptr);
    CloseBoard(Board);
}

std::vector<TBoardObject> THostFixture::Objects(uint32_t kindMask) const {
    std::vector<TBoardObject> objects;
    abi::IPCB_Board* board = BoardWrapper->GetBoardInterface();
    if (!board) {
        ADD_FAILURE() << "the board has no server interface";
        return objects;
    }
    abi::IPCB_BoardIterator* iterator = board->BoardIterator_Create();
    iterator->AddFilter_ObjectSet(kindMask);
    for (abi::IPCB_Primitive* object = iterator->FirstPCBObject(); object;
         object = iterator->NextPCBObject())
        objects.push_back(
            {object->Handle(), object->ObjectId(), object->Layer(), object->InComponent()});
    board->BoardIterator_Destroy(iterator);
    return objects;
}

std::vector<TBoardObject> THostFixture::LooseObjects(uint8_t kind) const {
    std::vector<TBoardObject> objects = Objects(1u << kind);
    std::erase_if(objects, [](const TBoardObject& o) { return o.InComponent; });
    return objects;
}

std::vector<uint32_t> THostFixture::Children(uint32_t container, uint8_t kind, uint32_t layer) {
    std::vector<uint32_t> children;
    const uint32_t iterator = host::PcbApi_CreateIterator(container, kind, 0, layer);
    for (uint32_t child = host::PcbApi_GetFirstObject(iterator); child != 0;
         child = host::PcbApi_GetNextObject(iterator))
        children.push_back(child);
    host::PcbApi_DestroyIterator(iterator);
    return children;
}

TPcbDxfProcessor&
TDrawingImportFixture::ImportTestDrawing(const std::string& file, double scale,
                                         const std::function<void(TPcbDxfProcessor&)>& adjust) {
    Processor = std::make_unique<TPcbDxfProcessor>(DXFI_TEST_DATA_DIR "/" + file, *BoardWrapper);
    Processor->ReportErrors = true;
    Processor->BeginImportReport();
    EXPECT_TRUE(Processor->LoadFile()) << file << ": " << Processor->LoadErrorText;
    Processor->SetDrawingScale(scale);
    if (adjust) adjust(*Processor);
    Processor->ProcessDrawing();
    Processor->CloseFile();
    Processor->EndImportReport();
    return *Processor;
}

void TDrawingImportFixture::TearDown() {
    Processor.reset();
    THostFixture::TearDown();
}

TLayerRecord MakeLayerRecord(std::string_view name, int16_t colour, bool frozen) {
    TLayerRecord record;
    uint8_t* bytes = record.Bytes();
    std::memcpy(bytes + abi::LayerRecord::Colour, &colour, sizeof colour);
    bytes[abi::LayerRecord::Flags] = frozen ? 1 : 0;
    std::memcpy(bytes + abi::LayerRecord::Name, name.data(),
                std::min<std::size_t>(name.size(), 255));
    return record;
}

TBlockHeaderRecord MakeBlockHeader(std::string_view name) {
    TBlockHeaderRecord record;
    std::memcpy(record.Bytes() + abi::BlockHeaderRecord::Name, name.data(),
                std::min<std::size_t>(name.size(), 255));
    return record;
}

} // namespace dxfi::test
