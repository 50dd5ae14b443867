// SPDX-License-Identifier: MIT
// The engine's process-wide state behind the eda functions: open drawings, entity list
// cursors, blob readers, the last error and the load-progress callback. Every operation
// checks its handles and fails with a result; none throws except EDxfError from Load.
#pragma once

#include "abi/Pad2Api.h"
#include "pad2/DxfError.h"
#include "pad2/DxfModel.h"

#include <memory>
#include <string>
#include <vector>

namespace pad2 {

class TEngine {
public:
    static TEngine& Instance();

    // Initialisation from the data file; false with the code set when it is unusable.
    bool Init(const char* initFile, int32_t& code);
    void Close();

    dxfi::abi::TDrawingHandle Load(const char* path);
    bool CloseDrawing(dxfi::abi::TDrawingHandle drawing);
    uint8_t* Header(dxfi::abi::TDrawingHandle drawing);
    bool StartLayerGet(dxfi::abi::TDrawingHandle drawing);
    bool GetLayer(dxfi::abi::TDrawingHandle drawing, uint8_t* record);
    bool SeekLayer(dxfi::abi::TDrawingHandle drawing, dxfi::abi::TObjectHandle layer,
                   uint8_t* record);
    bool SeekBlock(dxfi::abi::TDrawingHandle drawing, dxfi::abi::TObjectHandle block,
                   uint8_t* record);
    bool FindBlock(dxfi::abi::TDrawingHandle drawing, const char* name,
                   dxfi::abi::TObjectHandle* block);
    dxfi::abi::TEntityListHandle EntityList(dxfi::abi::TDrawingHandle drawing,
                                            dxfi::abi::TObjectHandle block);
    bool StartEntityGet(dxfi::abi::TEntityListHandle list);
    bool GetEntity(dxfi::abi::TEntityListHandle list, uint8_t* header, uint8_t* data);
    bool IsOpen(dxfi::abi::TDrawingHandle drawing) const { return Find(drawing) != nullptr; }

    dxfi::abi::TBlobReader StartBlobRead(uint32_t reference);
    void EndBlobRead(dxfi::abi::TBlobReader reader);
    // Copies `bytes` bytes of the blob into `out`; false (and nothing consumed) past its end.
    bool ReadBlob(dxfi::abi::TBlobReader reader, void* out, std::size_t bytes);

    void SetProgress(dxfi::abi::TLoadometerFn callback) { Progress_ = callback; }
    int16_t SetConvertPlines(int16_t on) {
        const int16_t previous = ConvertPlines_;
        ConvertPlines_ = on;
        return previous;
    }

    void Fail(TErrorCode code, std::string message);
    int32_t LastError() const { return LastError_; }
    const char* ErrorText(int32_t code);

private:
    static constexpr uint32_t kSlots = 63;
    struct TSlot {
        dxfi::abi::TDrawingHandle Handle = 0;
        std::unique_ptr<TDrawing> Drawing;
    };
    struct TReader {
        dxfi::abi::TDrawingHandle Drawing = 0; // 0 = free
        uint64_t Pos = 0;
        uint64_t End = 0;
    };

    TDrawing* Find(dxfi::abi::TDrawingHandle drawing, uint32_t* slot = nullptr) const;
    TDrawing* FindSlot(uint32_t slot) const;
    // The drawing and the index in it of the defined block that a block handle or an entity
    // list names; null when there is no such block.
    TDrawing* FindDefinedBlock(dxfi::abi::TDrawingHandle drawing, dxfi::abi::TObjectHandle block,
                               uint32_t& slot, uint32_t& index) const;
    TDrawing* FindListBlock(dxfi::abi::TEntityListHandle list, uint32_t& slot,
                            uint32_t& index) const;

    TSlot Slots_[kSlots];
    uint32_t Generation_ = 0;
    std::vector<TReader> Readers_;
    std::vector<uint32_t> FreeReaders_;
    dxfi::abi::TLoadometerFn Progress_ = nullptr;
    int16_t ConvertPlines_ = 0;
    int32_t LastError_ = 0;
    std::string Messages_[ecErrorCodeCount];
    std::string UnknownText_;
};

// Centre and radius of the arc from (x1, y1) to (x2, y2) turning by `includedAngle` radians,
// counter-clockwise when positive. False (and zeros) for degenerate or non-finite input.
bool CalcPlineArcCenter(double x1, double y1, double x2, double y2, double includedAngle,
                        double& cx, double& cy, double& radius);

} // namespace pad2
