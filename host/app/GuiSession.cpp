// SPDX-License-Identifier: MIT
#include "host/app/GuiSession.h"

#include "host/app/HostCommands.h"
#include "host/korrin/KorrinHost.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace dxfi::host {

namespace {

constexpr double kCoordPerMil = 10000.0;
// The picture shows at most this many objects; a pick needs their places, not all of them.
constexpr std::size_t kMaxDrawnObjects = 20000;

struct TRegion {
    double Left = 0, Bottom = 0, Right = 0, Top = 0;
};

void CollectText(void* context, const char* text, size_t length) {
    static_cast<std::string*>(context)->assign(text, length);
}

// What the board view shows: the board's extent with the origin, widened to at least one inch
// and by a tenth on each side.
TRegion ViewRegion(uint32_t board, TRegion& extent, bool& hasExtent) {
    std::string json;
    KorrinHost_BoardSummaryJson(board, CollectText, &json);
    const auto summary = nlohmann::json::parse(json, nullptr, false);
    hasExtent = false;
    if (summary.is_object() && summary.contains("Extent") && summary["Extent"].is_object()) {
        const auto& value = summary["Extent"];
        extent = {value.value("Left", 0.0), value.value("Bottom", 0.0), value.value("Right", 0.0),
                  value.value("Top", 0.0)};
        hasExtent = true;
    }
    TRegion region{std::min(0.0, extent.Left), std::min(0.0, extent.Bottom),
                   std::max(0.0, extent.Right), std::max(0.0, extent.Top)};
    region.Right = std::max(region.Right, region.Left + 1000 * kCoordPerMil);
    region.Top = std::max(region.Top, region.Bottom + 1000 * kCoordPerMil);
    const double marginX = (region.Right - region.Left) / 10;
    const double marginY = (region.Top - region.Bottom) / 10;
    return {region.Left - marginX, region.Bottom - marginY, region.Right + marginX,
            region.Top + marginY};
}

// The bounding rectangles of the board's objects, for the picture.
std::vector<dxfi::abi::TCoordRect> ObjectBoxes(uint32_t board) {
    std::vector<dxfi::abi::TCoordRect> boxes;
    void* server = nullptr;
    dxfi::abi::IInterface* module = KorrinHost_GetServerModule();
    if (!module ||
        module->QueryInterface(dxfi::abi::IID_IPCB_ServerInterface, &server) != dxfi::abi::kOk)
        return boxes;
    void* found = nullptr;
    if (static_cast<dxfi::abi::IPCB_ServerInterface*>(server)->GetPCBBoardByBoardHandle(
            board, dxfi::abi::IID_IPCB_Board, &found) != dxfi::abi::kOk)
        return boxes;
    auto* boardInterface = static_cast<dxfi::abi::IPCB_Board*>(found);
    dxfi::abi::IPCB_BoardIterator* iterator = boardInterface->BoardIterator_Create();
    if (!iterator) return boxes;
    for (dxfi::abi::IPCB_Primitive* object = iterator->FirstPCBObject();
         object && boxes.size() < kMaxDrawnObjects; object = iterator->NextPCBObject())
        boxes.push_back(object->BoundingRectangle());
    boardInterface->BoardIterator_Destroy(iterator);
    return boxes;
}

// The nearest whole mil as a board coordinate, within 32 bits.
int32_t SnapToMil(double coord) {
    const double mils = std::nearbyint(coord / kCoordPerMil) * kCoordPerMil;
    const double limit = static_cast<double>(std::numeric_limits<int32_t>::max());
    if (!(mils > -limit)) return -std::numeric_limits<int32_t>::max();
    if (!(mils < limit)) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(mils);
}

// The board seen from above: a mil grid, the axes through (0,0), the extent of what the board
// holds and the bounding box of each object. Reports the board point under the mouse and the point
// clicked.
class TBoardView : public QWidget {
public:
    TBoardView(TRegion region, TRegion extent, bool hasExtent,
               std::vector<dxfi::abi::TCoordRect> boxes)
        : Region_(region), Extent_(extent), HasExtent_(hasExtent), Boxes_(std::move(boxes)) {
        setObjectName("BoardView");
        setMouseTracking(true);
        setCursor(Qt::CrossCursor);
        setMinimumSize(320, 240);
    }

    std::function<void(double, double)> Moved;
    std::function<void(double, double)> Picked;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        const double range = std::max(Region_.Right - Region_.Left, Region_.Top - Region_.Bottom);
        double step = kCoordPerMil;
        while (range / step > 40)
            step *= 10;
        painter.setPen(QColor(230, 230, 230));
        for (double x = std::ceil(Region_.Left / step) * step; x <= Region_.Right; x += step)
            painter.drawLine(ToScreen(x, Region_.Bottom), ToScreen(x, Region_.Top));
        for (double y = std::ceil(Region_.Bottom / step) * step; y <= Region_.Top; y += step)
            painter.drawLine(ToScreen(Region_.Left, y), ToScreen(Region_.Right, y));
        painter.setPen(QPen(QColor(120, 120, 120), 1));
        painter.drawLine(ToScreen(Region_.Left, 0), ToScreen(Region_.Right, 0));
        painter.drawLine(ToScreen(0, Region_.Bottom), ToScreen(0, Region_.Top));
        if (HasExtent_) {
            const QRectF box(ToScreen(Extent_.Left, Extent_.Top),
                             ToScreen(Extent_.Right, Extent_.Bottom));
            painter.setPen(QPen(QColor(0, 90, 200), 1));
            painter.setBrush(QColor(0, 90, 200, 40));
            painter.drawRect(box);
        }
        painter.setPen(QPen(QColor(200, 60, 0), 1));
        painter.setBrush(Qt::NoBrush);
        for (const dxfi::abi::TCoordRect& object : Boxes_)
            painter.drawRect(
                QRectF(ToScreen(object.Left, object.Top), ToScreen(object.Right, object.Bottom)));
        painter.setPen(Qt::black);
        painter.drawText(ToScreen(0, 0) + QPointF(4, -4), "(0,0)");
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (Moved) Moved(ToBoardX(event->position().x()), ToBoardY(event->position().y()));
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && Picked)
            Picked(ToBoardX(event->position().x()), ToBoardY(event->position().y()));
    }

private:
    double Scale() const {
        return std::min(width() / (Region_.Right - Region_.Left),
                        height() / (Region_.Top - Region_.Bottom));
    }
    double OffsetX() const { return (width() - Scale() * (Region_.Right - Region_.Left)) / 2; }
    double OffsetY() const { return (height() - Scale() * (Region_.Top - Region_.Bottom)) / 2; }
    QPointF ToScreen(double x, double y) const {
        return {OffsetX() + (x - Region_.Left) * Scale(), OffsetY() + (Region_.Top - y) * Scale()};
    }
    double ToBoardX(double px) const { return Region_.Left + (px - OffsetX()) / Scale(); }
    double ToBoardY(double py) const { return Region_.Top - (py - OffsetY()) / Scale(); }

    TRegion Region_;
    TRegion Extent_;
    bool HasExtent_;
    std::vector<dxfi::abi::TCoordRect> Boxes_;
};

QString MilText(int32_t coord) {
    return QString::number(coord / 10000) + "mil";
}

int32_t DXFI_CDECL PickLocation(void* context, const char* prompt, int32_t* x, int32_t* y) {
    const uint32_t board = *static_cast<uint32_t*>(context);
    TRegion extent;
    bool hasExtent = false;
    const TRegion region = ViewRegion(board, extent, hasExtent);

    QDialog window;
    window.setObjectName("BoardPicker");
    window.setWindowTitle(prompt && *prompt ? prompt : "Select a location");
    auto* layout = new QVBoxLayout(&window);
    auto* hint = new QLabel(
        window.windowTitle() + ": click the point on the board; Escape picks none.", &window);
    auto* view = new TBoardView(region, extent, hasExtent, ObjectBoxes(board));
    auto* where = new QLabel(" ", &window);
    layout->addWidget(hint);
    layout->addWidget(view, 1);
    layout->addWidget(where);
    window.resize(640, 520);

    bool picked = false;
    int32_t pickedX = 0, pickedY = 0;
    view->Moved = [where](double bx, double by) {
        where->setText("X " + MilText(SnapToMil(bx)) + "   Y " + MilText(SnapToMil(by)));
    };
    view->Picked = [&](double bx, double by) {
        pickedX = SnapToMil(bx);
        pickedY = SnapToMil(by);
        picked = true;
        window.accept();
    };
    window.exec();
    if (!picked || !x || !y) return 0;
    *x = pickedX;
    *y = pickedY;
    return 1;
}

bool HasDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

} // namespace

struct TGuiSession::TImpl {
    int Argc = 1;
    char Name[8] = "pcbhost";
    char* Argv[2] = {Name, nullptr};
    QApplication Application{Argc, Argv};
    uint32_t Board = 0;
};

TGuiSession::TGuiSession() {
    if (!HasDisplay())
        throw EHostError(kExitUsage,
                         "--gui needs a display: set DISPLAY (X11) or WAYLAND_DISPLAY, or leave "
                         "out --gui and give the dialog's values with --answer NAME=VALUE.");
    Impl_ = std::make_unique<TImpl>();
}

TGuiSession::~TGuiSession() {
    KorrinHost_SetLocationPicker(nullptr, nullptr);
}

void TGuiSession::InstallLocationPicker(uint32_t board) {
    Impl_->Board = board;
    KorrinHost_SetLocationPicker(PickLocation, &Impl_->Board);
}

} // namespace dxfi::host
