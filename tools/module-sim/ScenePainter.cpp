#include "ScenePainter.h"

#include "CameraScene.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <cmath>
#include <cstdint>
#include <numbers>

namespace ModuleSim {

namespace {

// How far the drawn ground reaches, metres.
constexpr double kGroundHalfWidthM = 60.0;
constexpr double kGroundFarM = 150.0;
// Across the aisle: a painted line and the bays of the opposite row.
constexpr double kAisleLineM = 6.5;
constexpr double kBayDepthM = 5.0;
constexpr double kBayWidthM = 2.5;
constexpr double kPaintWidthM = 0.1;

// Grainy asphalt: grey noise from a fixed seed, so every run draws the same.
QImage AsphaltTexture()
{
    QImage texture(128, 128, QImage::Format_RGB32);
    std::uint32_t seed = 0x9E3779B9u;
    for (int y = 0; y < texture.height(); ++y) {
        for (int x = 0; x < texture.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 27) - 16; // -16..15
            const int v = 96 + grain;
            texture.setPixel(x, y, qRgb(v, v, v + 4));
        }
    }
    return texture;
}

void PaintSkyAndGround(QPainter &painter, const CameraScene &scene)
{
    const double horizon = scene.HorizonRow();
    QLinearGradient sky(0, horizon - 150, 0, horizon);
    sky.setColorAt(0, QColor(120, 160, 210));
    sky.setColorAt(1, QColor(200, 215, 230));
    painter.fillRect(QRectF(0, 0, CameraScene::kWidth, CameraScene::kHeight), sky);

    painter.save();
    painter.setTransform(scene.GroundToPicture());
    QBrush asphalt(AsphaltTexture());
    asphalt.setTransform(QTransform::fromScale(0.02, 0.02)); // one grain is 2 cm
    painter.fillRect(QRectF(-kGroundHalfWidthM, -CameraScene::kCameraSetbackM, 2 * kGroundHalfWidthM,
                            kGroundFarM + CameraScene::kCameraSetbackM),
                     asphalt);
    // Worn white paint across the aisle.
    painter.setPen(QPen(QColor(205, 205, 200), kPaintWidthM, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(-kGroundHalfWidthM, kAisleLineM), QPointF(kGroundHalfWidthM, kAisleLineM));
    for (int bay = -6; bay <= 6; ++bay) {
        const double x = (bay + 0.5) * kBayWidthM;
        painter.drawLine(QPointF(x, kAisleLineM), QPointF(x, kAisleLineM + kBayDepthM));
    }
    painter.restore();

    // Haze towards the horizon.
    if (horizon > -200) {
        QLinearGradient haze(0, horizon, 0, horizon + 120);
        haze.setColorAt(0, QColor(200, 210, 220, 150));
        haze.setColorAt(1, QColor(200, 210, 220, 0));
        painter.fillRect(QRectF(0, std::max(0.0, horizon), CameraScene::kWidth, CameraScene::kHeight), haze);
    }
}

void PaintMarks(QPainter &painter, const CameraScene &scene)
{
    painter.save();
    painter.setTransform(scene.GroundToPicture());
    const double half = scene.Setup().carWidthM / 2.0;
    const double base = CameraScene::kBaseLineM;
    const double w = ScenePainter::kTapeWidthM;
    painter.setPen(QPen(QColor(ScenePainter::kTape), w, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(-half - 0.15, base), QPointF(half + 0.15, base));
    for (double x : {-half, half}) {
        painter.drawLine(QPointF(x, base - w / 2), QPointF(x, 4.4));
        // Ticks: mostly inwards, where the guide lines' distance markers go.
        const double inward = x < 0 ? 1.0 : -1.0;
        for (int metres = 1; metres <= 4; ++metres)
            painter.drawLine(QPointF(x - inward * 0.1, metres), QPointF(x + inward * 0.3, metres));
    }
    QPen dashes(QColor(ScenePainter::kCurveTape), w, Qt::CustomDashLine, Qt::FlatCap);
    dashes.setDashPattern({0.25 / w, 0.15 / w}); // 25 cm of tape, 15 cm apart
    painter.setPen(dashes);
    for (bool left : {true, false}) {
        const std::vector<QPointF> path = scene.CurvePath(left, 60);
        painter.drawPolyline(path.data(), int(path.size()));
    }
    // A cross on each point of a curve that the wizard asks for.
    painter.setPen(QPen(QColor(ScenePainter::kCurveTape), w, Qt::SolidLine, Qt::FlatCap));
    for (const SceneMark &mark : scene.Marks()) {
        if (mark.slot < 13)
            continue;
        const QPointF at = mark.ground;
        painter.drawLine(at - QPointF(0.12, 0), at + QPointF(0.12, 0));
        painter.drawLine(at - QPointF(0, 0.12), at + QPointF(0, 0.12));
    }
    painter.restore();
}

// The top rear edge of the bumper, with rounded corners, as the camera sees
// it; everything below it in the picture is bumper. Not drawn when the lens
// sits in the bumper itself.
void PaintBumper(QPainter &painter, const CameraScene &scene)
{
    const double top = CameraScene::kBumperTopM;
    if (scene.Setup().cameraHeightM < top + 0.05)
        return;
    const double half = scene.Setup().carWidthM / 2.0 + 0.05;
    const double corner = 0.35;
    QPolygonF edge;
    const auto add = [&](double x, double y) {
        if (const auto p = scene.Project(x, y, top))
            edge << *p;
    };
    for (int i = 0; i <= 12; ++i) { // left corner, from the side to the back
        const double a = std::numbers::pi / 2 * (1.0 - i / 12.0);
        add(-(half - corner) - corner * std::sin(a), -corner * (1 - std::cos(a)));
    }
    for (int i = 0; i <= 12; ++i) { // right corner, from the back to the side
        const double a = std::numbers::pi / 2 * (i / 12.0);
        add(half - corner + corner * std::sin(a), -corner * (1 - std::cos(a)));
    }
    if (edge.size() < 2)
        return;
    QPolygonF body = edge;
    body << QPointF(edge.last().x(), CameraScene::kHeight + 100) << QPointF(edge.first().x(), CameraScene::kHeight + 100);
    const double edgeRow = scene.Project(0, 0, top).value_or(QPointF(0, CameraScene::kHeight)).y();
    QLinearGradient paint(0, edgeRow, 0, CameraScene::kHeight);
    paint.setColorAt(0, QColor(70, 74, 84));
    paint.setColorAt(1, QColor(25, 26, 30));
    painter.setPen(Qt::NoPen);
    painter.setBrush(paint);
    painter.drawPolygon(body);
    painter.setPen(QPen(QColor(150, 155, 165), 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(edge);
}

// Wide-angle lenses darken towards the corners.
void PaintVignette(QPainter &painter)
{
    QRadialGradient shade(QPointF(CameraScene::kWidth / 2.0, CameraScene::kHeight / 2.0), 260);
    shade.setColorAt(0.6, QColor(0, 0, 0, 0));
    shade.setColorAt(1.0, QColor(0, 0, 0, 90));
    painter.fillRect(QRectF(0, 0, CameraScene::kWidth, CameraScene::kHeight), shade);
}

} // namespace

QImage ScenePainter::Paint(const CameraScene &scene)
{
    QImage picture(CameraScene::kWidth, CameraScene::kHeight, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    PaintSkyAndGround(painter, scene);
    PaintMarks(painter, scene);
    PaintBumper(painter, scene);
    PaintVignette(painter);
    return picture;
}

} // namespace ModuleSim
