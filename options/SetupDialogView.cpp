// SPDX-License-Identifier: MIT
#include "options/SetupDialogView.h"

#include "abi/ClientApi.h"
#include "pcbclient/PcbApiBinding.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWhatsThis>

#include <array>
#include <cstdio>

#ifndef DXFI_README_PATH
#define DXFI_README_PATH "README.md"
#endif

namespace dxfi {

namespace {

constexpr int kWindowWidth = 554;
constexpr int kWindowHeight = 634;
constexpr int kUpperBlockHeight = 250;
constexpr int kButtonRowHeight = 34;
const QColor kBandColour(242, 242, 237);
const QColor kSilver(192, 192, 192);
const QColor kAlternateRowColour(245, 245, 240); // a lighter tint of the band colour

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

// Sets a widget's text without letting the change flow back into the model.
void SetTextQuietly(QLineEdit* edit, const std::string& text) {
    if (edit->text() == Q(text)) return;
    const QSignalBlocker blocker(edit);
    edit->setText(Q(text));
}

QGroupBox* Group(QWidget* parent, const char* name, const char* caption, int x, int y, int width,
                 int height) {
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(name);
    group->setGeometry(x, y, width, height);
    return group;
}

template <class TWidget>
TWidget* Place(TWidget* widget, const char* name, int x, int y, int width, int height) {
    widget->setObjectName(name);
    widget->setGeometry(x, y, width, height);
    return widget;
}

// The two bands above the tree's column headers: "Layer Mappings" over the first two columns,
// "Donut To Pad Conversion" over the last two. They follow the columns' widths and scrolling.
class TBandHeader : public QWidget {
public:
    TBandHeader(QTreeWidget* tree, QWidget* parent) : QWidget(parent), Tree_(tree) {
        setObjectName("LayerTreeBands");
        setFixedHeight(fontMetrics().height() + 6);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QHeaderView* header = Tree_->header();
        const int left = Tree_->frameWidth() - header->offset();
        const std::array<const char*, 2> captions = {"Layer Mappings", "Donut To Pad Conversion"};
        int x = left;
        for (int band = 0; band < 2; ++band) {
            const int width = header->sectionSize(band * 2) + header->sectionSize(band * 2 + 1);
            const QRect rect(x, 0, band == 1 ? std::max(width, this->width() - x) : width,
                             height() - 1);
            painter.fillRect(rect, kBandColour);
            painter.setPen(QColor(200, 200, 195));
            painter.drawRect(rect.adjusted(0, 0, -1, 0));
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(rect, Qt::AlignCenter, captions[static_cast<std::size_t>(band)]);
            x += width;
        }
    }

private:
    QTreeWidget* Tree_;
};

class TLayerDelegate;

} // namespace

// The window: its controls, their wiring to the model's handlers, and the repainting from the
// model after each of them.
class TSetupWindow : public QDialog {
public:
    explicit TSetupWindow(TQtSetupDialog& dialog);

    void ShowAll();
    void ShowGeneral();
    void ShowSize();
    void ShowScale();
    void ShowRows();
    void ShowLayerMenus();
    void OpenHelp();

    // The handlers the controls raise (the model's, followed by repainting).
    void ScaleRadioClick(TScaleChoice choice);
    void ExtentsChange();
    void UnitsEditEnter();
    void UnitsEditExit();
    void LoadSettingsButtonClick();
    void SaveSettingsButtonClick();
    void LayerPopupMenuPopup();
    void LayerMenuItemClick(QAction* item);
    void ConvertDonutsClick(QAction* item);
    bool LayerTreeListKeyPress(QKeyEvent* event);
    void LayerTreeListSelectionChanged();
    // A committed cell edit: PCBLayerColumnValidate for the PCB Layer column, then
    // LayerTreeListEdited.
    void CommitCell(int row, TLayerColumn column, const std::string& text);

    TQtSetupDialog& Dialog;
    QLineEdit* LineWidthEdit = nullptr;
    QRadioButton* Blocks[2] = {};
    QRadioButton* Spaces[2] = {};
    QRadioButton* Scales[4] = {};
    QLineEdit* UnitsEdit = nullptr;
    QLabel* SizeLabel = nullptr;
    QLabel* UnitsNoteLabel = nullptr;
    QLineEdit* XEdit = nullptr;
    QLineEdit* YEdit = nullptr;
    QPushButton* SelectButton = nullptr;
    QTreeWidget* Tree = nullptr;
    TBandHeader* Bands = nullptr;
    TLayerDelegate* Delegate = nullptr;
    QMenu* PopupMenu = nullptr;
    QAction* RecentSeparator = nullptr;
    QAction* NotImportedItem = nullptr;
    QMenu* SignalMenu = nullptr;
    QMenu* MechanicalMenu = nullptr;
    QMenu* PlaneMenu = nullptr;
    QMenu* OtherMenu = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* LoadButton = nullptr;
    QPushButton* SaveButton = nullptr;
    QComboBox* SplinesCombo = nullptr;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildUpperBlock(QWidget* upper);
    void BuildTree(QWidget* panel);
    void BuildPopupMenu();
    void BuildButtons(QHBoxLayout* row);
    void SetTabOrder();
    void FillMenu(QMenu* menu, const std::vector<TLayerMenuItem>& items);
    QAction* LayerAction(QMenu* menu, const TLayerMenuItem& item, QAction* before = nullptr);
};

namespace {

// The layer tree's cells: the editors of Part "cell editing" (drop-down lists, the diameter
// history), the commit into the model, and the silver diameters of "All" and "None" rows.
class TLayerDelegate : public QStyledItemDelegate {
public:
    explicit TLayerDelegate(TSetupWindow& window)
        : QStyledItemDelegate(window.Tree), Window_(window) {}

    bool EditorOpen() const { return !OpenEditor_.isNull(); }
    // Enter in the diameter's text: the editable drop-down keeps the key to itself.
    void CommitAndClose(QWidget* editor) {
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    QWidget* OpenEditor() const { return OpenEditor_; }
    int OpenColumn() const { return OpenColumn_; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        const auto column = static_cast<TLayerColumn>(index.column());
        if (!TSetupDialog::LayerTreeListEditing(column)) return nullptr;
        auto* combo = new QComboBox(parent);
        combo->setFrame(false);
        const TSetupDialog& model = Window_.Dialog;
        const std::vector<std::string>& list = column == lcPcbLayer ? model.PcbLayerList()
                                               : column == lcConversionCondition
                                                   ? model.ConditionList()
                                                   : model.DiameterHistory();
        for (const std::string& entry : list)
            combo->addItem(Q(entry));
        if (column == lcOuterDiameter) {
            combo->setObjectName("OuterDiameterEditor");
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->lineEdit()->installEventFilter(&Window_);
            connect(combo->lineEdit(), &QLineEdit::textEdited, combo,
                    [combo] { combo->setProperty("touched", true); });
            connect(combo->lineEdit(), &QLineEdit::returnPressed, combo,
                    [combo] { combo->setProperty("touched", true); });
        } else {
            combo->setObjectName(column == lcPcbLayer ? "PCBLayerColumnEditor"
                                                      : "ConversionConditionEditor");
            // A choice from the list applies at once, as the user expects of a drop-down.
            connect(combo, &QComboBox::activated, combo, [this, combo] {
                combo->setProperty("touched", true);
                emit const_cast<TLayerDelegate*>(this)->commitData(combo);
            });
        }
        OpenEditor_ = combo;
        OpenColumn_ = index.column();
        return combo;
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        if (OpenEditor_ == editor) OpenEditor_ = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* combo = qobject_cast<QComboBox*>(editor);
        if (!combo) return;
        const QString text = index.data().toString();
        if (combo->isEditable()) {
            combo->setEditText(text);
            combo->lineEdit()->selectAll(); // typing replaces the value
        } else {
            const int at = combo->findText(text, Qt::MatchFixedString);
            if (at >= 0) combo->setCurrentIndex(at);
        }
    }

    // Only an editor the user touched commits: closing an untouched editor (the user clicked
    // another row to select it) must not copy this row's value onto the selected rows.
    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        auto* combo = qobject_cast<QComboBox*>(editor);
        if (!combo || !combo->property("touched").toBool()) return;
        combo->setProperty("touched", false);
        Window_.CommitCell(index.row(), static_cast<TLayerColumn>(index.column()),
                           S(combo->currentText()));
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (!LayerTreeListCustomDrawCell(painter, option, index))
            QStyledItemDelegate::paint(painter, option, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), option.fontMetrics.height() + 6));
        return size;
    }

private:
    // Diameters that no condition reads ("All", "None") are drawn in silver, 2 pixels right
    // and 1 down from the cell's corner, on the cell's own colour. True when it drew the cell.
    bool LayerTreeListCustomDrawCell(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
        if (index.column() != lcOuterDiameter) return false;
        const std::vector<TLayerRow>& rows = Window_.Dialog.Rows();
        if (index.row() < 0 || index.row() >= static_cast<int>(rows.size())) return false;
        const TConversionCondition condition =
            rows[static_cast<std::size_t>(index.row())].Condition;
        if (condition != ccAll && condition != ccNone) return false;
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        QColor background = cell.palette.color(QPalette::Base);
        if (cell.features & QStyleOptionViewItem::Alternate)
            background = cell.palette.color(QPalette::AlternateBase);
        if (cell.state & QStyle::State_Selected)
            background = cell.palette.color(QPalette::Highlight);
        painter->save();
        painter->fillRect(cell.rect, background);
        painter->setPen(kSilver);
        painter->setFont(cell.font);
        painter->drawText(cell.rect.adjusted(2, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, cell.text);
        painter->restore();
        return true;
    }

    TSetupWindow& Window_;
    mutable QPointer<QWidget> OpenEditor_;
    mutable int OpenColumn_ = -1;
};

} // namespace

TSetupWindow::TSetupWindow(TQtSetupDialog& dialog)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                           Qt::WindowContextHelpButtonHint | Qt::WindowCloseButtonHint),
      Dialog(dialog) {
    setObjectName("SetupDialog");
    setWindowTitle("Import from AutoCAD");
    setFont(QFont("MS Sans Serif", 8));
    resize(kWindowWidth, kWindowHeight);
    setMinimumSize(kWindowWidth, kWindowHeight);
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    auto* upper = new QWidget(this);
    upper->setObjectName("UpperBlock");
    upper->setFixedHeight(kUpperBlockHeight);
    BuildUpperBlock(upper);
    layout->addWidget(upper);

    auto* panel = new QWidget(this);
    panel->setObjectName("LayerTreePanel");
    BuildTree(panel);
    layout->addWidget(panel, 1);

    auto* buttons = new QWidget(this);
    buttons->setObjectName("ButtonRow");
    buttons->setFixedHeight(kButtonRowHeight);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    BuildButtons(row);
    layout->addWidget(buttons);

    BuildPopupMenu();
    SetTabOrder();

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { OpenHelp(); });
}

void TSetupWindow::BuildUpperBlock(QWidget* upper) {
    // Left column, 165 wide.
    QGroupBox* blocks = Group(upper, "BlocksRadioGroup", "Blocks", 0, 0, 165, 82);
    Blocks[0] = Place(new QRadioButton("Import as &components", blocks), "BlocksComponents", 10, 22,
                      150, 20);
    Blocks[1] = Place(new QRadioButton("Import as &primitives", blocks), "BlocksPrimitives", 10, 48,
                      150, 20);
    QGroupBox* space = Group(upper, "DrawingSpaceRadioGroup", "Drawing Space", 0, 92, 165, 82);
    Spaces[0] = Place(new QRadioButton("&Model", space), "SpaceModel", 10, 22, 150, 20);
    Spaces[1] = Place(new QRadioButton("&Paper", space), "SpacePaper", 10, 48, 150, 20);
    QGroupBox* width = Group(upper, "LineWidthGroup", " Default Line &Width", 0, 197, 165, 53);
    LineWidthEdit = Place(new QLineEdit(width), "LineWidthEdit", 10, 22, 145, 21);

    // Right column, 336 wide, 175 from the left.
    QGroupBox* scale = Group(upper, "ScaleGroup", "Scale", 175, 0, 336, 174);
    const std::array<const char*, 4> captions = {"mm", "mil", "inch", "other"};
    const std::array<const char*, 4> names = {"ScaleMm", "ScaleMil", "ScaleInch", "ScaleOther"};
    for (int i = 0; i < 4; ++i) {
        Scales[i] = Place(new QRadioButton(captions[static_cast<std::size_t>(i)], scale),
                          names[static_cast<std::size_t>(i)], 10, 18 + 20 * i, 100, 20);
        Scales[i]->setFocusPolicy(Qt::ClickFocus); // not a tab stop
        connect(Scales[i], &QRadioButton::clicked, this,
                [this, i] { ScaleRadioClick(static_cast<TScaleChoice>(i)); });
    }
    Place(new QLabel("1 AutoCAD unit =", scale), "UnitsLabel", 10, 108, 96, 21)
        ->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    UnitsEdit = Place(new QLineEdit("UnitsEdit", scale), "UnitsEdit", 108, 108, 120, 21);
    UnitsEdit->installEventFilter(this);
    UnitsNoteLabel = Place(new QLabel("", scale), "DrawingUnitsLabel", 10, 131, 316, 18);
    SizeLabel = Place(new QLabel("Extents", scale), "ExtentsLabel", 10, 151, 316, 18);

    QGroupBox* locate = Group(upper, "LocateGroup", "Locate AutoCAD (0,0) at", 175, 197, 336, 53);
    Place(new QLabel("X", locate), "XLabel", 10, 22, 12, 21);
    XEdit = Place(new QLineEdit(locate), "XEdit", 24, 22, 100, 21);
    Place(new QLabel("Y", locate), "YLabel", 136, 22, 12, 21);
    YEdit = Place(new QLineEdit(locate), "YEdit", 150, 22, 100, 21);
    SelectButton = Place(new QPushButton("&Select", locate), "ButtonSelect", 258, 20, 68, 24);

    for (int i = 0; i < 2; ++i) {
        connect(Blocks[i], &QRadioButton::clicked, this, [this, i] { Dialog.ChooseBlocks(i); });
        connect(Spaces[i], &QRadioButton::clicked, this, [this, i] {
            Dialog.ClickDrawingSpace(i);
            ShowSize();
        });
    }
    // Every change of the units text applies the scale and refreshes the size.
    connect(UnitsEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        Dialog.SetUnitsText(S(text));
        ShowSize();
    });
    connect(LineWidthEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { Dialog.SetLineWidthText(S(text)); });
    connect(XEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { Dialog.SetXText(S(text)); });
    connect(YEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { Dialog.SetYText(S(text)); });
    connect(SelectButton, &QPushButton::clicked, this, [this] { Dialog.ButtonSelectClick(); });
}

void TSetupWindow::BuildTree(QWidget* panel) {
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Tree = new QTreeWidget(panel);
    Tree->setObjectName("LayerTreeList");
    Bands = new TBandHeader(Tree, panel);
    layout->addWidget(Bands);
    layout->addWidget(Tree, 1);

    Tree->setColumnCount(4);
    Tree->setHeaderLabels(
        {"Source Layer Name", "PCB Layer", "Conversion Condition", "Outer Diameter"});
    Tree->setRootIsDecorated(false);
    Tree->setItemsExpandable(false);
    Tree->setIndentation(0);
    Tree->setUniformRowHeights(true);
    Tree->setAlternatingRowColors(true);
    QPalette palette = Tree->palette();
    palette.setColor(QPalette::AlternateBase, kAlternateRowColour);
    Tree->setPalette(palette);
    Tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    Tree->setAllColumnsShowFocus(false); // the focus frame marks the cell, not the row
    Tree->setTabKeyNavigation(true);
    Tree->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::SelectedClicked |
                          QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    Tree->setContextMenuPolicy(Qt::CustomContextMenu);
    QHeaderView* header = Tree->header();
    header->setObjectName("LayerTreeHeader");
    header->setSectionsMovable(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    header->setMinimumSectionSize(16);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStyleSheet("QHeaderView::section { background-color: rgb(242, 242, 237); "
                          "border: none; border-right: 1px solid rgb(200, 200, 195); "
                          "border-bottom: 1px solid rgb(200, 200, 195); padding: 2px 4px; }");
    Tree->setColumnWidth(lcSourceLayerName, 138);
    Tree->setColumnWidth(lcPcbLayer, 131);
    Tree->setColumnWidth(lcConversionCondition, 148);
    Tree->setColumnWidth(lcOuterDiameter, 98);
    Delegate = new TLayerDelegate(*this);
    Tree->setItemDelegate(Delegate);
    Tree->installEventFilter(this);

    connect(header, &QHeaderView::sectionResized, Bands, [this] { Bands->update(); });
    connect(Tree->horizontalScrollBar(), &QScrollBar::valueChanged, Bands,
            [this] { Bands->update(); });
    connect(Tree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { LayerTreeListSelectionChanged(); });
    connect(Tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { Dialog.SetFocusedRow(current.row()); });
    connect(Tree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu->popup(Tree->viewport()->mapToGlobal(at)); });
}

void TSetupWindow::BuildPopupMenu() {
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName("LayerPopupMenu");
    RecentSeparator = PopupMenu->addSeparator(); // recent layers go above it
    NotImportedItem = PopupMenu->addAction("Not Imported");
    NotImportedItem->setObjectName("NotImportedItem");
    NotImportedItem->setData(static_cast<uint>(NoLayer));
    connect(NotImportedItem, &QAction::triggered, this,
            [this] { LayerMenuItemClick(NotImportedItem); });
    auto submenu = [this](const char* caption, const char* name) {
        QMenu* menu = PopupMenu->addMenu(caption);
        menu->setObjectName(name);
        return menu;
    };
    SignalMenu = submenu("Signal Layers", "SignalLayersMenu");
    MechanicalMenu = submenu("Mechanical Layers", "MechanicalLayersMenu");
    PlaneMenu = submenu("Internal Planes", "InternalPlanesMenu");
    OtherMenu = submenu("Other Layers", "OtherLayersMenu");
    PopupMenu->addSeparator();
    const std::array<std::pair<const char*, TConversionCondition>, 4> converts = {{
        {"Convert All Donuts", ccAll},
        {"Convert No Donuts", ccNone},
        {"Convert Donuts Smaller Than", ccSmallerThan},
        {"Convert Donuts Greater Than", ccLargerThan},
    }};
    for (const auto& [caption, condition] : converts) {
        QAction* item = PopupMenu->addAction(caption);
        item->setData(static_cast<int>(condition));
        connect(item, &QAction::triggered, this, [this, item] { ConvertDonutsClick(item); });
    }
    connect(PopupMenu, &QMenu::aboutToShow, this, [this] { LayerPopupMenuPopup(); });
}

void TSetupWindow::BuildButtons(QHBoxLayout* row) {
    auto button = [this, row](const char* caption, const char* name) {
        auto* created = new QPushButton(caption, this);
        created->setObjectName(name);
        created->setFixedSize(75, 24);
        created->setAutoDefault(false);
        row->addWidget(created, 0, Qt::AlignBottom);
        return created;
    };
    LoadButton = button("Load Settings", "LoadSettingsButton");
    SaveButton = button("Save Settings", "SaveSettingsButton");
    // The Splines choice sits in the row's free middle, clear of the other controls.
    row->addSpacing(12);
    auto* splinesLabel = new QLabel("Spli&nes:", this);
    splinesLabel->setObjectName("SplinesLabel");
    row->addWidget(splinesLabel, 0, Qt::AlignBottom);
    SplinesCombo = new QComboBox(this);
    SplinesCombo->setObjectName("SplinesComboBox");
    SplinesCombo->addItems({"Discard", "Approximate"});
    SplinesCombo->setFixedHeight(24);
    SplinesCombo->setFocusPolicy(Qt::StrongFocus);
    SplinesCombo->setToolTip("Discard splines and list them in the error report, or draw them "
                             "as arcs and tracks within 0.005 mm of the curve");
    splinesLabel->setBuddy(SplinesCombo);
    row->addWidget(SplinesCombo, 0, Qt::AlignBottom);
    connect(SplinesCombo, &QComboBox::activated, this,
            [this](int index) { Dialog.ChooseSplines(index); });
    row->addStretch(1);
    OkButton = button("&OK", "OKButton");
    CancelButton = button("Cancel", "CancelButton");
    OkButton->setDefault(true);
    connect(LoadButton, &QPushButton::clicked, this, [this] { LoadSettingsButtonClick(); });
    connect(SaveButton, &QPushButton::clicked, this, [this] { SaveSettingsButtonClick(); });
    connect(OkButton, &QPushButton::clicked, this, [this] { accept(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { reject(); });
}

void TSetupWindow::SetTabOrder() {
    const std::vector<QWidget*> order = {LineWidthEdit, XEdit,      YEdit,       SelectButton,
                                         Blocks[0],     Blocks[1],  Spaces[0],   Spaces[1],
                                         UnitsEdit,     Tree,       OkButton,    CancelButton,
                                         SaveButton,    LoadButton, SplinesCombo};
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

bool TSetupWindow::event(QEvent* event) {
    // The title bar's help button asks for "What's This?" mode; the options' help is a page.
    if (event->type() == QEvent::EnterWhatsThisMode) {
        QWhatsThis::leaveWhatsThisMode();
        OpenHelp();
        return true;
    }
    return QDialog::event(event);
}

bool TSetupWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == UnitsEdit) {
        // Focus moving inside the window, not the window losing or regaining activation.
        const bool inside =
            (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason;
        if (inside && event->type() == QEvent::FocusIn) UnitsEditEnter();
        if (inside && event->type() == QEvent::FocusOut) UnitsEditExit();
    } else if (event->type() == QEvent::KeyPress &&
               (watched == Tree ||
                (Delegate->EditorOpen() && watched->parent() == Delegate->OpenEditor()))) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched != Tree && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (auto* combo = qobject_cast<QComboBox*>(Delegate->OpenEditor()))
                combo->setProperty("touched", true);
            Delegate->CommitAndClose(Delegate->OpenEditor());
            return true;
        }
        if (LayerTreeListKeyPress(key)) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TSetupWindow::OpenHelp() {
    QDesktopServices::openUrl(QUrl(Q(TQtSetupDialog::HelpUrl())));
}

// ---- Showing the model ----------------------------------------------------------------------

void TSetupWindow::ShowAll() {
    ShowGeneral();
    ShowRows();
    Tree->clearSelection(); // a fill starts without a selection
    ShowLayerMenus();
}

void TSetupWindow::ShowGeneral() {
    SetTextQuietly(LineWidthEdit, Dialog.LineWidthText());
    SetTextQuietly(XEdit, Dialog.XText());
    SetTextQuietly(YEdit, Dialog.YText());
    Blocks[Dialog.BlocksIndex() == 1 ? 1 : 0]->setChecked(true);
    Spaces[Dialog.SpaceIndex() == 1 ? 1 : 0]->setChecked(true);
    {
        const QSignalBlocker quiet(SplinesCombo);
        SplinesCombo->setCurrentIndex(Dialog.SplinesIndex() == 1 ? 1 : 0);
    }
    SetTextQuietly(UnitsEdit, Dialog.UnitsText());
    UnitsNoteLabel->setText(Q(Dialog.UnitsNoteText()));
    ShowScale();
    ShowSize();
}

void TSetupWindow::ShowScale() {
    Scales[Dialog.Scale()]->setChecked(true);
}

void TSetupWindow::ShowSize() {
    SizeLabel->setText(Q(Dialog.SizeText()));
    QPalette palette = SizeLabel->palette();
    palette.setColor(QPalette::WindowText, Dialog.SizeRed() ? QColor(255, 0, 0) : QColor(0, 0, 0));
    SizeLabel->setPalette(palette);
}

void TSetupWindow::ShowRows() {
    const std::vector<TLayerRow>& rows = Dialog.Rows();
    if (Tree->topLevelItemCount() != static_cast<int>(rows.size())) {
        const QSignalBlocker blocker(Tree->selectionModel());
        Tree->clear();
        QList<QTreeWidgetItem*> items;
        items.reserve(static_cast<qsizetype>(rows.size()));
        for (std::size_t i = 0; i < rows.size(); ++i) {
            auto* item = new QTreeWidgetItem;
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
            items.append(item);
        }
        Tree->addTopLevelItems(items);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QTreeWidgetItem* item = Tree->topLevelItem(static_cast<int>(i));
        const TLayerRow& row = rows[i];
        item->setText(lcSourceLayerName, Q(row.SourceLayerName));
        item->setText(lcPcbLayer, Q(row.PcbLayer));
        item->setText(lcConversionCondition, Q(row.ConversionCondition));
        item->setText(lcOuterDiameter, Q(row.OuterDiameter));
    }
    Tree->viewport()->update();
}

QAction* TSetupWindow::LayerAction(QMenu* menu, const TLayerMenuItem& item, QAction* before) {
    auto* action = new QAction(Q(item.Caption), menu);
    action->setData(static_cast<uint>(item.Layer));
    connect(action, &QAction::triggered, this, [this, action] { LayerMenuItemClick(action); });
    menu->insertAction(before, action);
    return action;
}

void TSetupWindow::FillMenu(QMenu* menu, const std::vector<TLayerMenuItem>& items) {
    menu->clear(); // deletes the items it owns
    for (const TLayerMenuItem& item : items)
        LayerAction(menu, item);
}

void TSetupWindow::ShowLayerMenus() {
    NotImportedItem->setText(Q(Dialog.NotImportedItem().Caption));
    NotImportedItem->setData(static_cast<uint>(Dialog.NotImportedItem().Layer));
    FillMenu(SignalMenu, Dialog.SignalLayersMenu());
    FillMenu(MechanicalMenu, Dialog.MechanicalLayersMenu());
    FillMenu(PlaneMenu, Dialog.InternalPlanesMenu());
    FillMenu(OtherMenu, Dialog.OtherLayersMenu());
}

// ---- Handlers ----------------------------------------------------------------------------------

void TSetupWindow::ScaleRadioClick(TScaleChoice choice) {
    Dialog.ClickScale(choice);
    SetTextQuietly(UnitsEdit, Dialog.UnitsText());
    ShowScale();
    ShowSize();
}

void TSetupWindow::ExtentsChange() {
    Dialog.ExtentsChange();
    ShowSize();
}

void TSetupWindow::UnitsEditEnter() {
    Dialog.UnitsEditEnter();
    ShowScale();
}

void TSetupWindow::UnitsEditExit() {
    Dialog.UnitsEditExit();
    ShowScale();
}

void TSetupWindow::LoadSettingsButtonClick() {
    Dialog.LoadSettingsButtonClick(); // a refill shows itself (Filled)
}

void TSetupWindow::SaveSettingsButtonClick() {
    Dialog.SaveSettingsButtonClick();
}

void TSetupWindow::LayerPopupMenuPopup() {
    const QList<QAction*> actions = PopupMenu->actions();
    for (QAction* action : actions) {
        if (action == RecentSeparator) break;
        PopupMenu->removeAction(action);
        delete action;
    }
    // RecentLayerItems is newest first: each goes above the separator in that order.
    for (const TLayerMenuItem& item : Dialog.RecentLayerItems())
        LayerAction(PopupMenu, item, RecentSeparator)->setParent(PopupMenu);
}

void TSetupWindow::LayerMenuItemClick(QAction* item) {
    if (!item) return;
    Dialog.LayerMenuItemClick(static_cast<TV7_Layer>(item->data().toUInt()));
    ShowRows();
}

void TSetupWindow::ConvertDonutsClick(QAction* item) {
    if (!item) return;
    Dialog.ConvertDonutsClick(static_cast<TConversionCondition>(item->data().toInt()));
    ShowRows();
}

bool TSetupWindow::LayerTreeListKeyPress(QKeyEvent* event) {
    const QString text = event->text();
    if (text.size() != 1 || !text[0].isPrint()) return false;
    // Diameters are written in lower case ("5mil"), whatever the keyboard gives.
    if (Delegate->EditorOpen()) {
        const char16_t c = text[0].unicode();
        if (Delegate->OpenColumn() == lcOuterDiameter && c >= u'A' && c <= u'Z') {
            auto* combo = qobject_cast<QComboBox*>(Delegate->OpenEditor());
            if (combo && combo->lineEdit()) {
                combo->lineEdit()->insert(text.toLower());
                combo->setProperty("touched", true);
                return true;
            }
        }
        return false;
    }
    // An idle tree opens the focused cell's editor and hands it the character.
    const QModelIndex current = Tree->currentIndex();
    if (!current.isValid() ||
        !TSetupDialog::LayerTreeListEditing(static_cast<TLayerColumn>(current.column())))
        return false;
    Tree->edit(current);
    auto* combo = qobject_cast<QComboBox*>(Delegate->OpenEditor());
    if (!combo) return false;
    QWidget* target = combo->isEditable() ? static_cast<QWidget*>(combo->lineEdit()) : combo;
    if (combo->isEditable()) combo->lineEdit()->clear();
    QKeyEvent copy(QEvent::KeyPress, event->key(), event->modifiers(), text);
    if (!LayerTreeListKeyPress(&copy)) QApplication::sendEvent(target, &copy);
    return true;
}

void TSetupWindow::LayerTreeListSelectionChanged() {
    std::vector<int> rows;
    for (const QModelIndex& index : Tree->selectionModel()->selectedRows())
        rows.push_back(index.row());
    Dialog.SelectRows(std::move(rows));
}

void TSetupWindow::CommitCell(int row, TLayerColumn column, const std::string& text) {
    Dialog.SetFocusedRow(row);
    Dialog.SetCellText(row, column, text);
    if (column == lcPcbLayer) Dialog.PCBLayerColumnValidate(text);
    Dialog.LayerTreeListEdited(column);
    ShowRows();
}

// ---- The dialog ---------------------------------------------------------------------------

TQtSetupDialog::TQtSetupDialog(TPcbBoard* board)
    : TSetupDialog(board), Window_(std::make_unique<TSetupWindow>(*this)) {}

TQtSetupDialog::~TQtSetupDialog() = default;

QDialog* TQtSetupDialog::Window() const {
    return Window_.get();
}

std::string TQtSetupDialog::HelpUrl() {
    QUrl url = QUrl::fromLocalFile(DXFI_README_PATH);
    url.setFragment("import-options");
    return S(url.toString());
}

void TQtSetupDialog::Filled() {
    Window_->ShowAll();
}

void TQtSetupDialog::ShowError(const std::string& text) {
    QMessageBox::critical(Window_->isVisible() ? Window_.get() : nullptr, "Error", Q(text));
}

int32_t TQtSetupDialog::ShowModal() {
    std::string error;
    if (!ApplyHostPresets(error)) {
        ShowError(error + " Nothing was imported.");
        return abi::kIdCancel;
    }
    Window_->ShowAll();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        Window_->move(screen->availableGeometry().center() - Window_->rect().center());
    // An own loop rather than exec(): hiding the window for the location pick must not end it.
    QEventLoop loop;
    int result = QDialog::Rejected;
    const auto connection =
        QObject::connect(Window_.get(), &QDialog::finished, &loop, [&loop, &result](int code) {
            result = code;
            loop.quit();
        });
    Window_->setWindowModality(Qt::ApplicationModal);
    Window_->show();
    loop.exec();
    QObject::disconnect(connection);
    Window_->hide();
    return result == QDialog::Accepted ? abi::kIdOk : abi::kIdCancel;
}

void TQtSetupDialog::ButtonSelectClick() {
    const bool shown = Window_->isVisible();
    Window_->hide();
    TSetupDialog::ButtonSelectClick();
    if (shown) Window_->show();
    Window_->ShowGeneral();
}

std::string TQtSetupDialog::ChooseSettingsFile(bool forSaving) {
    QFileDialog chooser(Window_.get(), forSaving ? "Save Settings" : "Load Settings", QString(),
                        "ini files (*.ini);;All files (*)");
    chooser.setObjectName(forSaving ? "SaveSettingsDialog" : "LoadSettingsDialog");
    chooser.setDefaultSuffix("ini");
    chooser.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    chooser.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return {};
    return S(chooser.selectedFiles().front());
}

void RegisterSetupDialogView() {
    SetSetupDialogFactory([](TPcbBoard& board) -> std::unique_ptr<TSetupDialog> {
        abi::IClient* client = HostClient();
        if (client && client->InteractiveDialogs()) {
            if (qobject_cast<QApplication*>(QCoreApplication::instance()))
                return std::make_unique<TQtSetupDialog>(&board);
            std::fprintf(stderr, "The import options dialog cannot be shown: the host runs no Qt "
                                 "application. The dialog is answered as without a display "
                                 "(saved settings and the host's answers).\n");
        }
        return std::make_unique<TSetupDialog>(&board);
    });
}

} // namespace dxfi
