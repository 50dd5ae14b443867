// SPDX-License-Identifier: MIT
#include "pcbimport/ImportPlacement.h"

#include "base/Rounding.h"
#include "pcbclient/PcbApiBinding.h"

#include <algorithm>
#include <cstdint>

namespace dxfi {

namespace {

int LastLoadPercent = 0;

// An iterator over the run's kind set, destroyed on every path.
class TKindSetIterator {
public:
    explicit TKindSetIterator(abi::IPCB_Board* board)
        : Board_(board), Iterator_(board ? board->BoardIterator_Create() : nullptr) {
        if (Iterator_) Iterator_->AddFilter_ObjectSet(kImportKindSet);
    }
    ~TKindSetIterator() {
        if (Iterator_) Board_->BoardIterator_Destroy(Iterator_);
    }
    TKindSetIterator(const TKindSetIterator&) = delete;
    TKindSetIterator& operator=(const TKindSetIterator&) = delete;

    template <typename TVisit> void ForEach(TVisit visit) {
        if (!Iterator_) return;
        for (abi::IPCB_Primitive* object = Iterator_->FirstPCBObject(); object;
             object = Iterator_->NextPCBObject())
            visit(*object);
    }

private:
    abi::IPCB_Board* Board_;
    abi::IPCB_BoardIterator* Iterator_;
};

} // namespace

void DXFI_CDECL LoadProgress(int16_t percent) {
    const int step = percent - LastLoadPercent;
    for (int i = 0; i < step; ++i)
        host::PcbApi_Percent_Update();
    LastLoadPercent = percent;
}

void ResetLoadProgress() {
    LastLoadPercent = 0;
}

void MarkExistingObjects(abi::IPCB_Board* board) {
    TKindSetIterator(board).ForEach([](abi::IPCB_Primitive& object) { object.SetMark(true); });
}

void MoveImportedObjects(TBoardCoord dx, TBoardCoord dy, abi::IPCB_Board* board) {
    TKindSetIterator(board).ForEach([dx, dy](abi::IPCB_Primitive& object) {
        host::PcbApi_Percent_Update();
        if (object.GetMark() || object.InComponent()) return;
        object.BeginModify();
        object.MoveByXY(dx, dy);
        object.EndModify();
    });
}

TImportedBounds ImportedBounds(abi::IPCB_Board* board) {
    TImportedBounds bounds;
    TKindSetIterator(board).ForEach([&bounds](abi::IPCB_Primitive& object) {
        if (object.GetMark()) return;
        const abi::TCoordRect rect = object.BoundingRectangle();
        bounds.Left = std::min(bounds.Left, rect.Left);
        bounds.Bottom = std::min(bounds.Bottom, rect.Bottom);
        bounds.Right = std::max(bounds.Right, rect.Right);
        bounds.Top = std::max(bounds.Top, rect.Top);
    });
    return bounds;
}

TBoardCoord PlacementMove(TBoardCoord low, TBoardCoord high) {
    if (low >= 0) return 0;
    // -INT32_MIN does not exist: such a drawing moves as far as a coordinate can.
    return std::min(SaturatingSub(0, low),
                    SaturatingSub(INT32_MAX, std::max<TBoardCoord>(high, 0)));
}

std::string PlacementWarningText() {
    return "The imported file was not wholly contained in the valid PCB\n"
           "region (100inch x 100inch) and will be moved accordingly.\n"
           "\n"
           "To obtain a precise import location and prevent this warning\n"
           "in the future modify the \"locate AutoCAD (0,0) at\" option in\n"
           "the previous dialog.";
}

} // namespace dxfi
