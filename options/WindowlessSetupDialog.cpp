// SPDX-License-Identifier: MIT
#include "options/WindowlessSetupDialog.h"

#include "abi/ClientApi.h"
#include "options/SetupDialogModel.h"
#include "pcbclient/PcbApiBinding.h"

#include <memory>

namespace dxfi {
namespace {

class TWindowlessSetupDialog : public TSetupDialog {
public:
    using TSetupDialog::TSetupDialog;
    int32_t ShowModal() override {
        abi::IClient* client = HostClient();
        if (client && client->InteractiveDialogs()) {
            ShowError("The import options dialog cannot be shown: this build of the importer has "
                      "no options window. Nothing was imported. Run the import in test mode or "
                      "give the options as dialog answers or a settings file instead.");
            return abi::kIdCancel;
        }
        return TSetupDialog::ShowModal();
    }
};

} // namespace

void RegisterWindowlessSetupDialog() {
    SetSetupDialogFactory([](TPcbBoard& board) -> std::unique_ptr<TSetupDialog> {
        return std::make_unique<TWindowlessSetupDialog>(&board);
    });
}

} // namespace dxfi
