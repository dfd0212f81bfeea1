#include "MonitorWindow.h"

#include "CameraScene.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace ModuleSim {

namespace {

constexpr int kStatusHeight = 22;
// The smallest picture the window shrinks to, so that it still fits beside
// the wizard on a small screen: two thirds of the module's pixels.
constexpr int kSmallestWidth = 2 * CameraScene::kWidth / 3;
constexpr int kLargestWidth = 3 * CameraScene::kWidth / 2;
// The setup program's wizard opens in the middle of the screen, this wide
// inside its frame at the start (on X11 with the DejaVu fonts), pixels; the
// window keeps this far clear of it, for the frames window managers draw.
constexpr int kWizardWidth = 640;
constexpr int kClearance = 24;
// The window manager's frame is not known before the window is mapped, and
// managers differ in whether a position places the frame or the window
// inside it: room for a side border and a title bar either way, pixels.
constexpr int kBorderAllowance = 8;
constexpr int kTitleAllowance = 32;

QString ScreenName(int screen)
{
    switch (screen) {
    case kTransferScreen: return QCoreApplication::translate("MonitorWindow", "приём картинки: только камера");
    case kNormalScreen: return QCoreApplication::translate("MonitorWindow", "обычный режим");
    case kGridScreen: return QCoreApplication::translate("MonitorWindow", "калибровочная сетка");
    case kWarningScreen: return QCoreApplication::translate("MonitorWindow", "предупреждение");
    default: return QCoreApplication::translate("MonitorWindow", "экран %1").arg(screen);
    }
}

} // namespace

MonitorWindow::MonitorWindow()
{
    setWindowTitle(QCoreApplication::translate("MonitorWindow", "Монитор автомобиля — симулятор модуля TRX-G-K4"));
    setMinimumSize(kSmallestWidth, kSmallestWidth * CameraScene::kHeight / CameraScene::kWidth + kStatusHeight);
}

QSize MonitorWindow::sizeHint() const
{
    // One and a half times the picture: large enough to read the grid.
    return QSize(kLargestWidth, kLargestWidth * CameraScene::kHeight / CameraScene::kWidth + kStatusHeight);
}

void MonitorWindow::ShowPicture(const QImage &picture, const MonitorState &state)
{
    picture_ = picture;
    status_ = ScreenName(state.settings.screen) + QStringLiteral("   ") + state.Summary();
    update();
}

void MonitorWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QRect area(0, 0, width(), height() - kStatusHeight);
    if (!picture_.isNull()) {
        QSize size = picture_.size().scaled(area.size(), Qt::KeepAspectRatio);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size),
                          picture_);
    }
    QFont small = font();
    small.setPixelSize(11);
    painter.setFont(small);
    painter.setPen(QColor(200, 200, 200));
    const QRect line(6, height() - kStatusHeight, width() - 12, kStatusHeight);
    painter.drawText(line, Qt::AlignVCenter | Qt::AlignLeft,
                     QFontMetrics(small).elidedText(status_, Qt::ElideRight, line.width()));
}

void MonitorWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (placed_ || screen() == nullptr)
        return;
    placed_ = true;
    // Right of the wizard, which opens in the middle of the screen: as wide
    // as the room there allows, within two thirds and one and a half times
    // the picture, at the top right corner.
    const QRect free = screen()->availableGeometry();
    const int room = (free.width() - kWizardWidth) / 2 - kClearance;
    const int width = std::clamp(room, kSmallestWidth, kLargestWidth);
    resize(width, width * CameraScene::kHeight / CameraScene::kWidth + kStatusHeight);
    move(std::max(free.left(), free.right() + 1 - width - kBorderAllowance), free.top() + kTitleAllowance);
}

} // namespace ModuleSim
