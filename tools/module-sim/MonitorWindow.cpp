#include "MonitorWindow.h"

#include "CameraScene.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace ModuleSim {

namespace {

constexpr int kStatusHeight = 22;

QString ScreenName(int screen)
{
    switch (screen) {
    case kTransferScreen: return QStringLiteral("taking a picture: camera only");
    case kNormalScreen: return QStringLiteral("normal display");
    case kGridScreen: return QStringLiteral("calibration grid");
    case kWarningScreen: return QStringLiteral("warning screen");
    default: return QStringLiteral("screen %1").arg(screen);
    }
}

} // namespace

MonitorWindow::MonitorWindow()
{
    setWindowTitle(QStringLiteral("Car monitor - TRX-G-K4 simulator"));
    setMinimumSize(CameraScene::kWidth, CameraScene::kHeight + kStatusHeight);
}

QSize MonitorWindow::sizeHint() const
{
    // One and a half times the picture: large enough to read the grid, small
    // enough to stand beside the wizard, which opens in the middle.
    return QSize(3 * CameraScene::kWidth / 2, 3 * CameraScene::kHeight / 2 + kStatusHeight);
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
    // The wizard opens in the middle of the screen, about 700 pixels wide:
    // take the room to its right, within one to one and a half times the
    // picture.
    const QRect free = screen()->availableGeometry();
    const int width = std::clamp((free.width() - 700) / 2, CameraScene::kWidth, 3 * CameraScene::kWidth / 2);
    resize(width, width * CameraScene::kHeight / CameraScene::kWidth + kStatusHeight);
    move(std::max(free.left(), free.right() - frameGeometry().width()), free.top());
}

} // namespace ModuleSim
