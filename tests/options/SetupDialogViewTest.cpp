// SPDX-License-Identifier: MIT
// The options dialog's window on the offscreen platform: its layout (captions, items, columns,
// sizes, tab order) and what typing, clicking and the popup menu do to the model, over a
// processor stand-in and the real host module.
#include "options/SetupDialogView.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbBoard.h"
#include "support/BoardFixture.h"
#include "support/ProcessorDouble.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

using namespace dxfi;

// Qt's font setup leaves fontconfig's allocations to the end of the process; the leak checker
// of sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace {

// One application for the whole program, never destroyed: ending it while the process exits
// would race the platform's own teardown.
QApplication& App() {
    static int argc = 1;
    static char name[] = "options_view_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

template <class T> T* Find(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

std::vector<std::string> Texts(const QList<QAction*>& actions) {
    std::vector<std::string> texts;
    for (const QAction* action : actions)
        texts.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    return texts;
}

QAction* ActionNamed(QMenu* menu, const char* text) {
    for (QAction* action : menu->actions())
        if (action->text() == text) return action;
    ADD_FAILURE() << "no item " << text;
    return nullptr;
}

class TSetupViewTest : public test::TBoardFixture {
protected:
    TSetupViewTest() : TBoardFixture("view.board.json") { App(); }

    void SetUpBoard() override {
        Board = std::make_unique<TPcbBoard>(Handle);
        Board->DisplayUnit = true;
        for (const char* name : {"A", "B", "C", "D"})
            Processor.Map.SetMapping(name, TopLayer, ccAll, 0);
        Dialog = std::make_unique<TQtSetupDialog>(Board.get());
        Window = Dialog->Window();
        Dialog->LoadFromProcessor(Processor);
        Tree = Find<QTreeWidget>(Window, "LayerTreeList");
        Menu = Find<QMenu>(Window, "LayerPopupMenu");
    }
    void TearDownBoard() override {
        Dialog.reset();
        Board.reset();
    }
    // Shows the window and gives it the keyboard, as a user's click would.
    void Activate() {
        Window->show();
        Window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window));
    }
    void SelectRows(std::initializer_list<int> rows) {
        Tree->clearSelection();
        for (int row : rows)
            Tree->selectionModel()->select(Tree->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::string Cell(int row, int column) const {
        return Tree->topLevelItem(row)->text(column).toStdString();
    }

    std::unique_ptr<TPcbBoard> Board;
    test::TProcessorDouble Processor;
    std::unique_ptr<TQtSetupDialog> Dialog;
    QDialog* Window = nullptr;
    QTreeWidget* Tree = nullptr;
    QMenu* Menu = nullptr;
};

using TSetupLayoutTest = TSetupViewTest;
using TSetupTypingTest = TSetupViewTest;
using TSetupTreeTest = TSetupViewTest;

} // namespace

// ---- Layout ------------------------------------------------------------------------------------

TEST_F(TSetupLayoutTest, WindowCaptionSizeAndTitleBarButtons) {
    EXPECT_EQ(Window->windowTitle(), "Import from AutoCAD");
    EXPECT_EQ(Window->size(), QSize(554, 634));
    EXPECT_EQ(Window->minimumSize(), QSize(554, 634));
    const Qt::WindowFlags flags = Window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowContextHelpButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(TQtSetupDialog::HelpUrl().substr(0, 8), "file:///");
    EXPECT_EQ(TQtSetupDialog::HelpUrl().substr(TQtSetupDialog::HelpUrl().size() - 24),
              "README.md#import-options");
}

TEST_F(TSetupLayoutTest, GroupsCaptionsItemsAndSizes) {
    struct TGroup {
        const char* Name;
        const char* Title;
        QRect Geometry;
    };
    const TGroup groups[] = {
        {"BlocksRadioGroup", "Blocks", QRect(0, 0, 165, 82)},
        {"DrawingSpaceRadioGroup", "Drawing Space", QRect(0, 92, 165, 82)},
        {"LineWidthGroup", " Default Line &Width", QRect(0, 197, 165, 53)},
        {"ScaleGroup", "Scale", QRect(175, 0, 336, 174)},
        {"LocateGroup", "Locate AutoCAD (0,0) at", QRect(175, 197, 336, 53)},
    };
    for (const TGroup& group : groups) {
        auto* box = Find<QGroupBox>(Window, group.Name);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->title(), group.Title);
        EXPECT_EQ(box->geometry(), group.Geometry) << group.Name;
    }
    EXPECT_EQ(Find<QRadioButton>(Window, "BlocksComponents")->text(), "Import as &components");
    EXPECT_EQ(Find<QRadioButton>(Window, "BlocksPrimitives")->text(), "Import as &primitives");
    EXPECT_EQ(Find<QRadioButton>(Window, "SpaceModel")->text(), "&Model");
    EXPECT_EQ(Find<QRadioButton>(Window, "SpacePaper")->text(), "&Paper");
    EXPECT_EQ(Find<QRadioButton>(Window, "ScaleMm")->text(), "mm");
    EXPECT_EQ(Find<QRadioButton>(Window, "ScaleMil")->text(), "mil");
    EXPECT_EQ(Find<QRadioButton>(Window, "ScaleInch")->text(), "inch");
    EXPECT_EQ(Find<QRadioButton>(Window, "ScaleOther")->text(), "other");
    EXPECT_EQ(Find<QLabel>(Window, "UnitsLabel")->text(), "1 AutoCAD unit =");
    EXPECT_EQ(Find<QPushButton>(Window, "ButtonSelect")->text(), "&Select");
    EXPECT_EQ(Find<QWidget>(Window, "UpperBlock")->height(), 250);

    // A fresh window shows the placeholders until it is filled.
    TQtSetupDialog fresh(Board.get());
    EXPECT_EQ(Find<QLineEdit>(fresh.Window(), "UnitsEdit")->text(), "UnitsEdit");
    EXPECT_EQ(Find<QLabel>(fresh.Window(), "ExtentsLabel")->text(), "Extents");
}

TEST_F(TSetupLayoutTest, LayerTreeColumnsBandsAndPopupMenu) {
    ASSERT_EQ(Tree->columnCount(), 4);
    const QTreeWidgetItem* header = Tree->headerItem();
    EXPECT_EQ(header->text(0), "Source Layer Name");
    EXPECT_EQ(header->text(1), "PCB Layer");
    EXPECT_EQ(header->text(2), "Conversion Condition");
    EXPECT_EQ(header->text(3), "Outer Diameter");
    EXPECT_EQ(Tree->columnWidth(0), 138);
    EXPECT_EQ(Tree->columnWidth(1), 131);
    EXPECT_EQ(Tree->columnWidth(2), 148);
    EXPECT_EQ(Tree->header()->minimumSectionSize(), 16);
    EXPECT_EQ(Tree->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(Tree->alternatingRowColors());
    EXPECT_FALSE(Tree->rootIsDecorated());
    EXPECT_TRUE(Tree->header()->styleSheet().contains("rgb(242, 242, 237)"));
    EXPECT_NE(Window->findChild<QWidget*>("LayerTreeBands"), nullptr);
    ASSERT_EQ(Tree->topLevelItemCount(), 4);
    EXPECT_EQ(Cell(0, 0), "A");
    EXPECT_EQ(Cell(0, 1), "Top Layer");
    EXPECT_EQ(Cell(0, 2), "All");
    EXPECT_EQ(Cell(0, 3), "0mm");

    EXPECT_EQ(Texts(Menu->actions()),
              (std::vector<std::string>{
                  "-", "Not Imported", "Signal Layers", "Mechanical Layers", "Internal Planes",
                  "Other Layers", "-", "Convert All Donuts", "Convert No Donuts",
                  "Convert Donuts Smaller Than", "Convert Donuts Greater Than"}));
}

TEST_F(TSetupLayoutTest, GrowingKeepsGroupsAndPutsButtonsInTheCorners) {
    Window->show();
    Window->resize(900, 800);
    QApplication::processEvents();
    EXPECT_EQ(Find<QGroupBox>(Window, "ScaleGroup")->size(), QSize(336, 174));
    EXPECT_EQ(Find<QWidget>(Window, "UpperBlock")->width(), 880);
    EXPECT_GT(Tree->height(), 400);
    const auto* load = Find<QPushButton>(Window, "LoadSettingsButton");
    const auto* save = Find<QPushButton>(Window, "SaveSettingsButton");
    const auto* ok = Find<QPushButton>(Window, "OKButton");
    const auto* cancel = Find<QPushButton>(Window, "CancelButton");
    for (const QPushButton* button : {load, save, ok, cancel})
        EXPECT_EQ(button->size(), QSize(75, 24));
    auto inWindow = [this](const QWidget* widget) { return widget->mapTo(Window, QPoint(0, 0)); };
    EXPECT_EQ(inWindow(load).x(), 10);
    EXPECT_LT(inWindow(load).x(), inWindow(save).x());
    EXPECT_EQ(inWindow(cancel).x() + 75, 890);
    EXPECT_LT(inWindow(ok).x(), inWindow(cancel).x());
    EXPECT_EQ(inWindow(cancel).y() + 24, 790);
    // The Splines choice sits between the two pairs, on the row's baseline.
    const auto* splines = Find<QComboBox>(Window, "SplinesComboBox");
    EXPECT_GT(inWindow(splines).x(), inWindow(save).x() + 75);
    EXPECT_LT(inWindow(splines).x() + splines->width(), inWindow(ok).x());
    EXPECT_EQ(inWindow(splines).y() + splines->height(), 790);
    EXPECT_TRUE(ok->isDefault());
    Window->resize(300, 300); // cannot shrink below the minimum
    QApplication::processEvents();
    EXPECT_EQ(Window->size(), QSize(554, 634));
}

TEST_F(TSetupLayoutTest, TabOrderSkipsTheScaleChoices) {
    std::vector<std::string> order;
    QWidget* start = Find<QWidget>(Window, "LineWidthEdit");
    QWidget* widget = start;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && !widget->objectName().isEmpty() &&
            widget->window() == Window && !widget->objectName().startsWith("qt_"))
            order.push_back(widget->objectName().toStdString());
        widget = widget->nextInFocusChain();
    } while (widget != start);
    EXPECT_EQ(order, (std::vector<std::string>{"LineWidthEdit", "XEdit", "YEdit", "ButtonSelect",
                                               "BlocksComponents", "BlocksPrimitives", "SpaceModel",
                                               "SpacePaper", "UnitsEdit", "LayerTreeList",
                                               "OKButton", "CancelButton", "SaveSettingsButton",
                                               "LoadSettingsButton", "SplinesComboBox"}));
    for (const char* name : {"ScaleMm", "ScaleMil", "ScaleInch", "ScaleOther"})
        EXPECT_FALSE(Find<QWidget>(Window, name)->focusPolicy() & Qt::TabFocus) << name;
}

// ---- Scale, units and size -----------------------------------------------------------------

TEST_F(TSetupTypingTest, ProcessorAsCreatedShowsMil) {
    EXPECT_TRUE(Find<QRadioButton>(Window, "ScaleMil")->isChecked());
    EXPECT_EQ(Find<QLineEdit>(Window, "UnitsEdit")->text(), "1mil");
    EXPECT_EQ(Find<QLineEdit>(Window, "LineWidthEdit")->text(), "0.127mm");
    EXPECT_EQ(Find<QLineEdit>(Window, "XEdit")->text(), "1000mil");
    EXPECT_TRUE(Find<QRadioButton>(Window, "BlocksPrimitives")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(Window, "SpaceModel")->isChecked());
    EXPECT_EQ(Find<QLabel>(Window, "ExtentsLabel")->text(),
              "Size = 1000mil (25.4mm) x 500mil (12.7mm)");
}

TEST_F(TSetupTypingTest, TypedUnitsApplyOnEveryKeyAndLeavingChecksTheChoice) {
    Activate();
    auto* units = Find<QLineEdit>(Window, "UnitsEdit");
    units->setFocus();
    EXPECT_TRUE(Find<QRadioButton>(Window, "ScaleOther")->isChecked());
    units->selectAll();
    QTest::keyClicks(units, "25.4MM");
    EXPECT_DOUBLE_EQ(Processor.Scale, 1.0 / 10000000);
    Find<QLineEdit>(Window, "XEdit")->setFocus();
    EXPECT_TRUE(Find<QRadioButton>(Window, "ScaleOther")->isChecked());

    units->setFocus();
    units->selectAll();
    QTest::keyClicks(units, "1MIL");
    Find<QLineEdit>(Window, "XEdit")->setFocus();
    EXPECT_TRUE(Find<QRadioButton>(Window, "ScaleMil")->isChecked());

    QTest::mouseClick(Find<QRadioButton>(Window, "ScaleInch"), Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_EQ(units->text(), "1000mil");
    EXPECT_DOUBLE_EQ(Processor.Scale, 1.0 / 10000000);
}

TEST_F(TSetupTypingTest, ClearedUnitsKeepTheScaleAndRefreshTheLabel) {
    auto* units = Find<QLineEdit>(Window, "UnitsEdit");
    const int recomputed = Processor.Recomputed;
    Processor.NextWidth = 20000000;
    units->selectAll();
    QTest::keyClick(units, Qt::Key_Backspace);
    EXPECT_EQ(units->text(), "");
    EXPECT_DOUBLE_EQ(Processor.Scale, 1.0 / 10000);
    EXPECT_EQ(Processor.Recomputed, recomputed + 1);
    EXPECT_EQ(Find<QLabel>(Window, "ExtentsLabel")->text(),
              "Size = 2000mil (50.8mm) x 500mil (12.7mm)");
}

TEST_F(TSetupTypingTest, SizeLabelTurnsRedAboveTheLimit) {
    auto* units = Find<QLineEdit>(Window, "UnitsEdit");
    auto* label = Find<QLabel>(Window, "ExtentsLabel");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    Processor.NextWidth = 999990001;
    QTest::keyClick(units, Qt::Key_0);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    Processor.NextWidth = 999990000;
    QTest::keyClick(units, Qt::Key_Backspace);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 0));
}

TEST_F(TSetupTypingTest, ControlsWriteBackOnOk) {
    Find<QLineEdit>(Window, "LineWidthEdit")->setText("10mil");
    Find<QLineEdit>(Window, "YEdit")->setText("2mm");
    QTest::mouseClick(Find<QRadioButton>(Window, "BlocksComponents"), Qt::LeftButton, {},
                      QPoint(8, 10));
    QTest::mouseClick(Find<QRadioButton>(Window, "SpacePaper"), Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_EQ(Processor.Spaces, 1); // a click on the space re-applies it at once
    Dialog->SaveToProcessor(Processor);
    EXPECT_EQ(Processor.LineWidth, 100000);
    EXPECT_EQ(Processor.Y, 787402);
    EXPECT_FALSE(Processor.Explode);
}

TEST_F(TSetupTypingTest, SplinesChoiceOffersDiscardFirstAndWritesBack) {
    auto* combo = Find<QComboBox>(Window, "SplinesComboBox");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "Discard");
    EXPECT_EQ(combo->itemText(1), "Approximate");
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_TRUE(combo->focusPolicy() & Qt::TabFocus);
    const auto* label = Find<QLabel>(Window, "SplinesLabel");
    EXPECT_EQ(label->text(), "Spli&nes:");
    EXPECT_EQ(label->buddy(), combo);

    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(Dialog->SplinesIndex(), 1);
    Dialog->SaveToProcessor(Processor);
    EXPECT_TRUE(Processor.Splines);

    // A refill from the processor shows its choice.
    Processor.Splines = false;
    Dialog->LoadFromProcessor(Processor);
    EXPECT_EQ(combo->currentIndex(), 0);
}

TEST_F(TSetupTypingTest, SelectHidesTheWindowForThePickAndShowsThePoint) {
    struct TPick {
        bool WindowVisible = true;
        std::string Prompt;
        QDialog* Window = nullptr;
    } pick;
    pick.Window = Window;
    auto picker = [](void* context, const char* prompt, int32_t* x, int32_t* y) -> int32_t {
        auto* state = static_cast<TPick*>(context);
        state->WindowVisible = state->Window->isVisible();
        state->Prompt = prompt;
        *x = 20000;
        *y = 3937010; // 10mm
        return 1;
    };
    auto setPicker =
        test::Korrin<decltype(&KorrinHost_SetLocationPicker)>("KorrinHost_SetLocationPicker");
    ASSERT_NE(setPicker, nullptr);
    ASSERT_NE(GetPcbServer(), nullptr);
    setPicker(picker, &pick);
    Window->show();
    QTest::mouseClick(Find<QPushButton>(Window, "ButtonSelect"), Qt::LeftButton);
    setPicker(nullptr, nullptr);
    EXPECT_FALSE(pick.WindowVisible);
    EXPECT_TRUE(Window->isVisible());
    EXPECT_EQ(pick.Prompt, "Select Insertion Point");
    EXPECT_EQ(Find<QLineEdit>(Window, "XEdit")->text(), "2mil");
    EXPECT_EQ(Find<QLineEdit>(Window, "YEdit")->text(), "393.701mil");
}

TEST_F(TSetupTypingTest, OkAndCancelAnswerTheModalShow) {
    QTimer::singleShot(0, Window, [this] {
        QTest::mouseClick(Find<QPushButton>(Window, "OKButton"), Qt::LeftButton);
    });
    EXPECT_EQ(Dialog->ShowModal(), 1);
    QTimer::singleShot(0, Window, [this] {
        QTest::mouseClick(Find<QPushButton>(Window, "CancelButton"), Qt::LeftButton);
    });
    EXPECT_EQ(Dialog->ShowModal(), 2);
    // Answers prefill the window; a wrong one cancels before it is shown.
    Client.Answers = "space=paper";
    QTimer::singleShot(0, Window, [this] {
        EXPECT_TRUE(Find<QRadioButton>(Window, "SpacePaper")->isChecked());
        Window->reject();
    });
    EXPECT_EQ(Dialog->ShowModal(), 2);
}

// ---- Layer tree --------------------------------------------------------------------------------

TEST_F(TSetupTreeTest, ConvertItemSetsTheSelectedRowsOnly) {
    SelectRows({0, 1, 3});
    ASSERT_EQ(Dialog->SelectedRows(), (std::vector<int>{0, 1, 3}));
    QImage before = Tree->viewport()->grab().toImage();
    QAction* item = ActionNamed(Menu, "Convert Donuts Smaller Than");
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_EQ(Cell(0, 2), "Smaller Than");
    EXPECT_EQ(Cell(1, 2), "Smaller Than");
    EXPECT_EQ(Cell(2, 2), "All");
    EXPECT_EQ(Cell(3, 2), "Smaller Than");
    EXPECT_EQ(Dialog->Rows()[3].Condition, ccSmallerThan);

    // Diameters of "All" rows are drawn in silver; the converted rows' are not.
    Tree->clearSelection();
    QApplication::processEvents();
    const QImage image = Tree->viewport()->grab().toImage();
    auto hasSilver = [&image, this](int row) {
        const QRect cell = Tree->visualRect(Tree->model()->index(row, 3));
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (image.pixelColor(x * image.width() / Tree->viewport()->width(),
                                     y * image.height() / Tree->viewport()->height()) ==
                    QColor(192, 192, 192))
                    return true;
        return false;
    };
    EXPECT_TRUE(hasSilver(2));
    EXPECT_FALSE(hasSilver(0));
}

TEST_F(TSetupTreeTest, SixLayersFromTheMenuLeaveFiveRecentNewestFirst) {
    SelectRows({1});
    auto* mechanical = Find<QMenu>(Window, "MechanicalLayersMenu");
    ASSERT_EQ(mechanical->actions().size(), 32);
    for (int n = 0; n < 6; ++n)
        mechanical->actions()[n]->trigger();
    EXPECT_EQ(Cell(1, 1), mechanical->actions()[5]->text().toStdString());
    EXPECT_EQ(Cell(0, 1), "Top Layer");
    emit Menu->aboutToShow();
    std::vector<std::string> recent;
    for (int n = 5; n >= 1; --n)
        recent.push_back(mechanical->actions()[n]->text().toStdString());
    recent.push_back("-");
    std::vector<std::string> texts = Texts(Menu->actions());
    texts.resize(6);
    EXPECT_EQ(texts, recent);

    mechanical->actions()[3]->trigger(); // already recent: moves to the top
    emit Menu->aboutToShow();
    texts = Texts(Menu->actions());
    ASSERT_EQ(texts.size(), 16u);
    EXPECT_EQ(texts[0], mechanical->actions()[3]->text().toStdString());
    EXPECT_EQ(texts[1], mechanical->actions()[5]->text().toStdString());
    EXPECT_EQ(texts[5], "-");
    Menu->actions()[1]->trigger(); // a recent item applies its layer too
    EXPECT_EQ(Cell(1, 1), mechanical->actions()[5]->text().toStdString());
}

TEST_F(TSetupTreeTest, TypedDiameterGoesToEverySelectedRowInLowerCase) {
    Activate();
    Tree->setFocus();
    SelectRows({0, 2});
    Tree->selectionModel()->setCurrentIndex(Tree->model()->index(0, 3),
                                            QItemSelectionModel::NoUpdate);
    Tree->closePersistentEditor(Tree->currentItem(), 3);
    auto type = [this](const char* text) {
        QWidget* editor = Tree->indexWidget(Tree->currentIndex());
        if (!editor) { // idle: the first key opens the editor
            QTest::keyClick(Tree, text[0]);
            ++text;
            editor = Tree->indexWidget(Tree->currentIndex());
        }
        ASSERT_NE(editor, nullptr);
        auto* combo = qobject_cast<QComboBox*>(editor);
        ASSERT_NE(combo, nullptr);
        ASSERT_TRUE(combo->isEditable());
        QTest::keyClicks(combo->lineEdit(), text);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    };
    type("5MIL");
    EXPECT_EQ(Cell(0, 3), "5mil");
    EXPECT_EQ(Cell(2, 3), "5mil");
    EXPECT_EQ(Cell(1, 3), "0mm");
    EXPECT_EQ(Dialog->DiameterHistory(), (std::vector<std::string>{"5mil"}));

    Tree->selectionModel()->setCurrentIndex(Tree->model()->index(2, 3),
                                            QItemSelectionModel::NoUpdate);
    type("5MIL");
    EXPECT_EQ(Dialog->DiameterHistory(), (std::vector<std::string>{"5mil"}));
    Tree->edit(Tree->currentIndex());
    auto* combo = qobject_cast<QComboBox*>(Tree->indexWidget(Tree->currentIndex()));
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->count(), 1); // the history is the drop-down list
    EXPECT_EQ(combo->itemText(0), "5mil");
}

TEST_F(TSetupTreeTest, PcbLayerAndConditionEditorsOfferTheirListsOnly) {
    SelectRows({1, 2});
    const QModelIndex layerCell = Tree->model()->index(1, 1);
    Tree->setCurrentIndex(layerCell);
    Tree->selectionModel()->select(Tree->model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Tree->edit(layerCell);
    auto* combo = qobject_cast<QComboBox*>(Tree->indexWidget(layerCell));
    ASSERT_NE(combo, nullptr);
    EXPECT_FALSE(combo->isEditable());
    EXPECT_EQ(combo->count(), 91);
    EXPECT_EQ(combo->itemText(0), "Not Imported");
    const int bottom = combo->findText("Bottom Layer");
    ASSERT_GE(bottom, 0);
    combo->setCurrentIndex(bottom);
    emit combo->activated(bottom);
    EXPECT_EQ(Cell(1, 1), "Bottom Layer");
    EXPECT_EQ(Cell(2, 1), "Bottom Layer");
    EXPECT_EQ(Cell(0, 1), "Top Layer");

    const QModelIndex conditionCell = Tree->model()->index(2, 2);
    Tree->setCurrentIndex(conditionCell);
    SelectRows({1, 2});
    Tree->edit(conditionCell);
    combo = qobject_cast<QComboBox*>(Tree->indexWidget(conditionCell));
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->itemText(2), "Larger Than");
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    EXPECT_EQ(Dialog->Rows()[1].Condition, ccLargerThan);
    EXPECT_EQ(Cell(2, 2), "Larger Than");
    EXPECT_EQ(Cell(3, 2), "All");

    Tree->setCurrentIndex(Tree->model()->index(0, 0));
    Tree->edit(Tree->currentIndex());
    EXPECT_EQ(Tree->indexWidget(Tree->currentIndex()), nullptr); // names are read-only
}

TEST_F(TSetupTreeTest, LoadingSettingsTwiceKeepsEachLayerOnceInEachSubmenu) {
    const std::string path = ::testing::TempDir() + "view_settings.ini";
    std::string error;
    ASSERT_TRUE(Dialog->SaveSettingsFile(path, error)) << error;
    Dialog->LoadSettingsFile(path);
    Dialog->LoadSettingsFile(path);
    EXPECT_EQ(Find<QMenu>(Window, "SignalLayersMenu")->actions().size(), 32);
    EXPECT_EQ(Find<QMenu>(Window, "MechanicalLayersMenu")->actions().size(), 32);
    EXPECT_EQ(Find<QMenu>(Window, "InternalPlanesMenu")->actions().size(), 16);
    EXPECT_EQ(Find<QMenu>(Window, "OtherLayersMenu")->actions().size(), 10);
    EXPECT_EQ(Tree->topLevelItemCount(), 4);
    EXPECT_EQ(Menu->actions().size(), 11);
    std::remove(path.c_str());
}

// ---- Which dialog the import run gets ------------------------------------------------------

TEST_F(TSetupViewTest, TheRunGetsTheWindowOnlyWhenTheHostShowsDialogs) {
    test::TInteractiveClient client;
    SetHostClient(&client);
    RegisterSetupDialogView();
    std::unique_ptr<TSetupDialog> shown = CreateSetupDialog(*Board);
    EXPECT_NE(dynamic_cast<TQtSetupDialog*>(shown.get()), nullptr);
    client.Interactive = false;
    std::unique_ptr<TSetupDialog> answered = CreateSetupDialog(*Board);
    EXPECT_EQ(dynamic_cast<TQtSetupDialog*>(answered.get()), nullptr);
    SetSetupDialogFactory(nullptr);
    SetHostClient(&Client);
}

TEST_F(TSetupViewTest, SettingsButtonsAskForAnIniFile) {
    const std::string base = ::testing::TempDir() + "view_buttons";
    std::remove((base + ".ini").c_str());
    QStringList filters;
    QString title, suffix;
    // Answers the file dialog the button opens with `base` (no extension).
    auto answer = [&](const char* name) {
        QTimer::singleShot(0, Window, [&, name] {
            auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(chooser, nullptr);
            EXPECT_EQ(chooser->objectName(), name);
            title = chooser->windowTitle();
            suffix = chooser->defaultSuffix();
            filters = chooser->nameFilters();
            chooser->selectFile(QString::fromStdString(base));
            QMetaObject::invokeMethod(chooser, "accept"); // as the Save or Open button does
        });
    };
    Processor.LineWidth = 39370;
    answer("SaveSettingsDialog");
    QTest::mouseClick(Find<QPushButton>(Window, "SaveSettingsButton"), Qt::LeftButton);
    EXPECT_EQ(title, "Save Settings");
    EXPECT_EQ(suffix, "ini");
    EXPECT_EQ(filters, (QStringList{"ini files (*.ini)", "All files (*)"}));
    ASSERT_TRUE(std::filesystem::exists(base + ".ini")); // the default extension was added

    Processor.LineWidth = 1;
    answer("LoadSettingsDialog");
    QTest::mouseClick(Find<QPushButton>(Window, "LoadSettingsButton"), Qt::LeftButton);
    EXPECT_EQ(title, "Load Settings");
    EXPECT_EQ(Processor.LineWidth, 39370);
    EXPECT_EQ(Find<QLineEdit>(Window, "LineWidthEdit")->text(), "0.1mm"); // refilled
    std::remove((base + ".ini").c_str());
}
