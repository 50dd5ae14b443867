// SPDX-License-Identifier: MIT
// Saves a picture of the options dialog filled from a real drawing, for checking its layout by
// eye (tools/screenshot-dialog.sh), and beside it OUT-menu.png with the layer popup menu after
// two layers were applied from it. Usage: options_dialog_screenshot DRAWING OUT.png
// Runs on any Qt platform; the offscreen one needs no display.
#include "engine/Pad2.h"
#include "options/SetupDialogView.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbBoard.h"
#include "pcbimport/PcbDxfProcessor.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPixmap>
#include <QTreeWidget>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    using namespace dxfi;
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DRAWING OUT.png\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    if (!test::KorrinModule()) {
        std::fprintf(stderr, "Cannot load %s/libkorrin.so: build the korrin target first.\n",
                     DXFI_BIN_DIR);
        return 1;
    }
    test::TFakeClient client;
    SetHostClient(&client);
    const uint32_t handle = test::NewBoard("screenshot.board.json");
    TPcbBoard board(handle);
    board.DisplayUnit = true;
    LoadEngineLibrary(DXFI_BIN_DIR "/libpad2.so");
    if (!EngineLibraryLoaded() || !InitEngine(DXFI_BIN_DIR "/PADINIT.DAT")) {
        std::fprintf(stderr, "Cannot load the drawing engine from %s: build the pad2 target.\n",
                     DXFI_BIN_DIR);
        return 1;
    }
    int result = 0;
    {
        TPcbDxfProcessor processor(argv[1], board);
        if (!processor.LoadFile()) {
            std::fprintf(stderr, "Cannot load the drawing %s.\n", argv[1]);
            result = 1;
        } else {
            TQtSetupDialog dialog(&board);
            dialog.LoadFromProcessor(processor);
            QDialog* window = dialog.Window();
            window->show();
            // Two rows selected, so that the picture shows the selection drawing too.
            if (auto* tree = window->findChild<QTreeWidget*>("LayerTreeList");
                tree && tree->topLevelItemCount() > 2) {
                tree->topLevelItem(0)->setSelected(true);
                tree->topLevelItem(2)->setSelected(true);
            }
            QApplication::processEvents();
            if (!window->grab().save(QString::fromLocal8Bit(argv[2]), "PNG")) {
                std::fprintf(stderr, "Cannot write %s: check that its folder exists.\n", argv[2]);
                result = 1;
            }
            if (auto* menu = window->findChild<QMenu*>("LayerPopupMenu")) {
                auto* mechanical = window->findChild<QMenu*>("MechanicalLayersMenu");
                if (mechanical && mechanical->actions().size() > 1) {
                    mechanical->actions()[0]->trigger();
                    mechanical->actions()[1]->trigger();
                }
                menu->popup(window->mapToGlobal(QPoint(120, 320)));
                QApplication::processEvents();
                QString menuPng = QString::fromLocal8Bit(argv[2]);
                if (menuPng.endsWith(".png", Qt::CaseInsensitive)) menuPng.chop(4);
                menuPng += "-menu.png";
                if (!menu->grab().save(menuPng, "PNG")) result = 1;
                menu->hide();
            }
            window->hide();
        }
        processor.CloseFile();
    }
    CloseEngine();
    test::CloseBoard(handle);
    SetHostClient(nullptr);
    return result;
}
