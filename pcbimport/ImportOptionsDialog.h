// SPDX-License-Identifier: MIT
// The options dialog as the import run sees it: filled from the processor, shown, and on OK
// written back to it. The dialog itself lives in options/, which builds on this folder; the
// plug-in hands the run its dialogs through SetImportOptionsDialogFactory, so that this folder
// needs nothing of options/.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace dxfi {

class TPcbBoard;
class TPcbDxfProcessor;

class IImportOptionsDialog {
public:
    virtual ~IImportOptionsDialog() = default;
    virtual void LoadFromProcessor(TPcbDxfProcessor& processor) = 0;
    // kIdOk or kIdCancel (abi/ClientApi.h).
    virtual int32_t ShowModal() = 0;
    virtual void SaveToProcessor(TPcbDxfProcessor& processor) = 0;
    // Why the last ShowModal answered Cancel without the user: the host's settings file or
    // dialog answers could not be taken. Empty when it did not refuse them.
    virtual std::string PresetsRefusal() const { return {}; }
};

// Makes the dialog of one import for the board (not owned; it outlives the dialog). An empty
// function removes it; a run without one is a programming error (EAssertionFailure).
using TImportOptionsDialogFactory =
    std::function<std::unique_ptr<IImportOptionsDialog>(TPcbBoard& board)>;
void SetImportOptionsDialogFactory(TImportOptionsDialogFactory factory);

} // namespace dxfi
