#include "MonitorRenderer.h"

#include "OverlayPlacement.h"
#include "ScenePainter.h"

#include <QFont>
#include <QPainter>

#include <algorithm>

namespace ModuleSim {

namespace {

constexpr int kWidth = OverlayPlacement::kOverlayWidth;
constexpr int kHeight = OverlayPlacement::kOverlayHeight;

// The grid: one-pixel lines, the last column standing in for x = 400.
void PaintGrid(QPainter &painter, int top, const QColor &line)
{
    const int bottom = top + OverlayPlacement::kGridCells * OverlayPlacement::kCellHeight;
    for (int k = 0; k <= OverlayPlacement::kGridCells; ++k) {
        const int row = top + k * OverlayPlacement::kCellHeight;
        if (row < kHeight)
            painter.fillRect(QRect(0, row, kWidth, 1), line);
        const int column = std::min(k * OverlayPlacement::kCellWidth, kWidth - 1);
        painter.fillRect(QRect(column, top, 1, std::min(bottom, kHeight - 1) - top + 1), line);
    }
}

// The module's parking-sensor indicator: a bar scale at each end, its bars
// growing towards the outer edge, a line from each scale towards the
// middle, and the distance in the middle (the simulator has no sensor, so it
// shows a fixed 1.0), on a strip of its own background.
void PaintIndicator(QPainter &painter, const QRect &strip, const QColor &line, const QColor &background)
{
    painter.fillRect(strip, background);
    const int middle = strip.top() + strip.height() / 2;
    for (int i = 0; i < 5; ++i) {
        const int height = 24 - 4 * i; // outermost tallest
        const int offset = 4 + 6 * i;
        painter.fillRect(QRect(strip.left() + offset, middle - height / 2, 3, height), line);
        painter.fillRect(QRect(strip.right() - offset - 2, middle - height / 2, 3, height), line);
    }
    painter.fillRect(QRect(strip.left() + 38, middle - 1, 44, 2), line);
    painter.fillRect(QRect(strip.right() - 81, middle - 1, 44, 2), line);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(22);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setPen(line);
    painter.drawText(strip, Qt::AlignCenter, QStringLiteral("1.0"));
}

// A stored module picture as drawn pixels in the line grey, the rest clear.
QImage StoredPicture(const ModulePicture::Buffer &bytes, const QColor &line)
{
    QImage picture = ModulePicture::ImageFromModulePicture(bytes);
    picture.setColor(1, line.rgb());
    return picture;
}

} // namespace

MonitorRenderer::MonitorRenderer(const SceneSetup &setup) : scene_(setup), camera_(ScenePainter::Paint(scene_))
{
}

QColor MonitorRenderer::Grey(int brightness)
{
    const int level = std::clamp(qRound(255.0 * brightness / 100.0), 0, 255);
    return QColor(level, level, level);
}

QRect MonitorRenderer::IndicatorRect(const ModuleSettings &settings)
{
    return QRect(settings.indicatorX * kIndicatorStepX, settings.indicatorY, kIndicatorWidth, kIndicatorHeight);
}

QImage MonitorRenderer::Render(const MonitorState &state) const
{
    const ModuleSettings &m = state.settings;
    const OverlayPlacement placement(m, scene_.Setup().monitorMirrors);
    const QColor line = Grey(m.lineBrightness);
    const QColor background = Grey(m.backgroundBrightness);

    QImage screen = camera_.copy();
    if (m.screen == kWarningScreen)
        screen.fill(background);

    // What the module draws itself, mirrored by the module after "ATQ1".
    QImage own(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    own.fill(Qt::transparent);
    {
        QPainter painter(&own);
        if (m.screen == kGridScreen)
            PaintGrid(painter, m.gridShiftY, line);
        if (m.screen == kNormalScreen && m.sensorIndicator != 0)
            PaintIndicator(painter, IndicatorRect(m), line, background);
    }
    if (placement.ModuleMirrors())
        own = own.mirrored(true, false);

    QImage overlay(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    overlay.fill(Qt::transparent);
    {
        QPainter painter(&overlay);
        if (m.screen == kNormalScreen)
            painter.drawImage(0, 0, StoredPicture(state.guidePicture, line));
        if (m.screen == kWarningScreen)
            painter.drawImage(0, 0, StoredPicture(state.warningPicture, line));
        painter.drawImage(0, 0, own);
    }
    int left = placement.OverlayShift();
    if (placement.MonitorMirrors()) {
        overlay = overlay.mirrored(true, false);
        left = -left;
    }
    QPainter painter(&screen);
    painter.drawImage(left, 0, overlay);
    return screen;
}

} // namespace ModuleSim
