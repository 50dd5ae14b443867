// SPDX-License-Identifier: MIT
// The import options dialog on Qt Widgets: a window over TSetupDialog's model that shows its
// values, forwards every user action to the model's handler of the same name and repaints
// from the model afterwards. Controls carry object names (UnitsEdit, LayerTreeList, ...) so
// that tests and scripts find them. Creating one needs a running QApplication.
#pragma once

#include "options/SetupDialogModel.h"

#include <memory>
#include <string>

class QDialog;

namespace dxfi {

class TSetupWindow;

class TQtSetupDialog : public TSetupDialog {
public:
    explicit TQtSetupDialog(TPcbBoard* board);
    ~TQtSetupDialog() override;

    // Applies the host's settings file and answers, centres the window and runs it modally:
    // 1 for OK, 2 for Cancel or closing (and after an "Error" box for a wrong answer).
    int32_t ShowModal() override;
    // Hides the window while the host lets the user pick the point on the board.
    void ButtonSelectClick() override;
    // The "Load Settings" or "Save Settings" file dialog; "" when the user cancels.
    std::string ChooseSettingsFile(bool forSaving) override;

    QDialog* Window() const;

    // Where F1 and the title bar's help button lead: the README's section on these options.
    static std::string HelpUrl();

protected:
    void Filled() override;
    void ShowError(const std::string& text) override;

private:
    std::unique_ptr<TSetupWindow> Window_;
};

// Makes the import run create TQtSetupDialog when the host shows dialogs to the user
// (IClient::InteractiveDialogs) and a QApplication runs; otherwise the widget-free model
// answers the dialog, with a line on standard error when the host wanted it shown.
void RegisterSetupDialogView();

} // namespace dxfi
