// SPDX-License-Identifier: MIT
#include "options/ImportOptions.h"

#include "options/SetupDialogModel.h"
#include "pcbimport/ImportOptionsDialog.h"

#include <memory>
#include <string>
#include <utility>

namespace dxfi {

namespace {

// The setup dialog behind the run's small interface.
class TSetupDialogForImport : public IImportOptionsDialog {
public:
    explicit TSetupDialogForImport(std::unique_ptr<TSetupDialog> dialog)
        : Dialog_(std::move(dialog)) {}
    void LoadFromProcessor(TPcbDxfProcessor& processor) override {
        Dialog_->LoadFromProcessor(processor);
    }
    int32_t ShowModal() override { return Dialog_->ShowModal(); }
    void SaveToProcessor(TPcbDxfProcessor& processor) override {
        Dialog_->SaveToProcessor(processor);
    }
    std::string PresetsRefusal() const override { return Dialog_->PresetsRefusal(); }

private:
    std::unique_ptr<TSetupDialog> Dialog_;
};

} // namespace

void UseSetupDialogForImports() {
    SetImportOptionsDialogFactory([](TPcbBoard& board) -> std::unique_ptr<IImportOptionsDialog> {
        return std::make_unique<TSetupDialogForImport>(CreateSetupDialog(board));
    });
}

} // namespace dxfi
