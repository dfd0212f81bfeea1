#include "ScenePainter.h"

#include "CameraScene.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
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
// The kerb along the left of the bay, metres.
constexpr double kKerbWidthM = 0.15;
constexpr double kKerbHeightM = 0.15;
constexpr double kKerbStripeM = 0.5;

// A grainy texture: noise from a fixed seed, so every run draws the same;
// colour turns a grain of -16..15 into the pixel.
template <typename Colour>
QImage NoiseTexture(int size, std::uint32_t seed, Colour colour)
{
    QImage texture(size, size, QImage::Format_RGB32);
    for (int y = 0; y < texture.height(); ++y) {
        for (int x = 0; x < texture.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            texture.setPixel(x, y, colour(int(seed >> 27) - 16));
        }
    }
    return texture;
}

// Grainy grey asphalt.
QImage AsphaltTexture()
{
    return NoiseTexture(128, 0x9E3779B9u, [](int grain) { return qRgb(96 + grain, 96 + grain, 100 + grain); });
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

// Grass for the verge beyond the kerb.
QImage GrassTexture()
{
    return NoiseTexture(64, 0x7F4A7C15u, [](int grain) { return qRgb(62 + grain, 112 + 2 * grain, 48 + grain); });
}

// A quadrilateral of the car frame (metres), drawn when the whole of it lies
// in front of the lens.
void PaintFace(QPainter &painter, const CameraScene &scene, const QColor &colour,
               std::initializer_list<std::array<double, 3>> corners)
{
    QPolygonF face;
    for (const auto &c : corners) {
        const auto p = scene.Project(c[0], c[1], c[2]);
        if (!p)
            return;
        face << *p;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(face);
}

// The left side of the bay, as the monitor shows it: a grass verge behind a
// kerb painted in black and white stripes, which turns along the aisle. It
// is what tells the two sides of the picture apart at a glance.
void PaintKerbAndVerge(QPainter &painter, const CameraScene &scene)
{
    const double inner = ScenePainter::kKerbInnerM;
    const double outer = inner - kKerbWidthM;
    const double end = kAisleLineM - 0.5;
    painter.save();
    painter.setTransform(scene.GroundToPicture());
    QBrush grass(GrassTexture());
    grass.setTransform(QTransform::fromScale(0.03, 0.03));
    painter.fillRect(QRectF(-kGroundHalfWidthM, -CameraScene::kCameraSetbackM, kGroundHalfWidthM + outer,
                            end + CameraScene::kCameraSetbackM),
                     grass);
    painter.restore();

    const double h = kKerbHeightM;
    const QColor tops[] = {QColor(225, 225, 220), QColor(35, 35, 38)};
    const QColor faces[] = {QColor(175, 175, 170), QColor(22, 22, 25)};
    // Along the bay, from the bumper to the aisle: the inner face and the top.
    for (int k = 0; k * kKerbStripeM < end; ++k) {
        const double y0 = k * kKerbStripeM;
        const double y1 = std::min(end, y0 + kKerbStripeM);
        PaintFace(painter, scene, faces[k % 2], {{inner, y0, 0}, {inner, y1, 0}, {inner, y1, h}, {inner, y0, h}});
        PaintFace(painter, scene, tops[k % 2], {{inner, y0, h}, {inner, y1, h}, {outer, y1, h}, {outer, y0, h}});
    }
    // Along the aisle, leftwards from the corner: only its top faces the lens.
    for (int k = 0; outer - k * kKerbStripeM > -kGroundHalfWidthM / 4; ++k) {
        const double x0 = inner - k * kKerbStripeM;
        const double x1 = x0 - kKerbStripeM;
        PaintFace(painter, scene, tops[(k + 1) % 2], {{x0, end, h}, {x1, end, h}, {x1, end + kKerbWidthM, h}, {x0, end + kKerbWidthM, h}});
    }
}

// A word painted on the asphalt right of the bay, as seen from behind the
// car: on the monitor's mirror view it reads backwards, as it would in a
// mirror.
void PaintGroundText(QPainter &painter, const CameraScene &scene)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(100);
    font.setBold(true);
    QPainterPath word;
    word.addText(0, 0, font, QString::fromUtf8(ScenePainter::kGroundWord));
    const QRectF box = word.boundingRect();
    // Letters are stretched along the direction of view, as road markings
    // are, so that they read at a low angle.
    const double across = ScenePainter::kGroundWordLengthM / box.width();
    const double along = ScenePainter::kGroundWordHeightM / box.height();
    // The word's first letter lies at the far right as the monitor shows it:
    // the monitor turns left and right round.
    const QTransform wordToGround(-across, 0, 0, -along, ScenePainter::kGroundWordRightM + across * box.left(),
                                  ScenePainter::kGroundWordNearM + along * box.bottom());
    painter.save();
    painter.setTransform(wordToGround * scene.GroundToPicture());
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(215, 215, 205));
    painter.drawPath(word);
    painter.restore();
}

// The base line, the side lines with their ticks, and the turning curves
// with their marks, laid as the scene's mark style says.
void PaintMarks(QPainter &painter, const CameraScene &scene)
{
    painter.save();
    painter.setTransform(scene.GroundToPicture());
    const SceneSetup &setup = scene.Setup();
    const MarkStyle style = setup.marks;
    const double half = setup.carWidthM / 2.0;
    const double base = CameraScene::kBaseLineM;
    const double w = ScenePainter::kTapeWidthM;
    const auto line = [&](QPointF from, QPointF to) { painter.drawLine(from, to); };
    const QColor curveColour = ScenePainter::TapeColourOf(setup.curveTape);
    const std::vector<SceneMark> &marks = scene.Marks();
    // The curves: dashed or solid (or only their marks, below). Where the
    // marks are crosses the curves lie over the lines; in the other
    // layouts the lines were laid last, over the curves.
    const auto paintCurves = [&] {
        if (style == MarkStyle::Crosses || style == MarkStyle::Tees) {
            QPen dashes(curveColour, w, Qt::CustomDashLine, Qt::FlatCap);
            if (style == MarkStyle::Crosses) {
                dashes.setDashPattern({0.25 / w, 0.15 / w}); // 25 cm of tape, 15 cm apart
            } else {
                // A dash centred on each marked point, 1.25 m apart.
                const double period = CameraScene::kCurveLengthM / 6.0;
                dashes.setDashPattern({0.25 / w, (period - 0.25) / w});
                dashes.setDashOffset(0.25 / 2 / w);
            }
            painter.setPen(dashes);
            for (bool left : {true, false}) {
                const std::vector<QPointF> path = scene.CurvePath(left, 60);
                painter.drawPolyline(path.data(), int(path.size()));
            }
        } else if (style == MarkStyle::Ends) {
            painter.setPen(QPen(curveColour, w, Qt::SolidLine, Qt::FlatCap));
            for (bool left : {true, false}) {
                const std::vector<QPointF> path = scene.CurvePath(left, 60);
                painter.drawPolyline(path.data(), int(path.size()));
            }
        }
    };
    if (style != MarkStyle::Crosses)
        paintCurves();
    painter.setPen(QPen(ScenePainter::TapeColourOf(setup.lineTape), w, Qt::SolidLine, Qt::FlatCap));
    // The base line: past the side lines, or ending in corners with them.
    const double baseReach = style == MarkStyle::Corners ? half + w / 2 : half + 0.15;
    line(QPointF(-baseReach, base), QPointF(baseReach, base));
    // The car's centre, ticked across the base line or back from it.
    if (style == MarkStyle::Crosses || style == MarkStyle::Ends)
        line(QPointF(0, base - 0.1), QPointF(0, base + 0.1));
    else
        line(QPointF(0, base), QPointF(0, base + 0.15));
    for (double x : {-half, half}) {
        const double inward = x < 0 ? 1.0 : -1.0;
        // The side line ends at its last tick, or runs on past it.
        const double far = style == MarkStyle::Corners ? 4.0 + w / 2 : style == MarkStyle::Ends ? 4.0 : 4.4;
        line(QPointF(x, base - w / 2), QPointF(x, far));
        for (int metres = 1; metres <= 4; ++metres) {
            if (metres == 4 && style == MarkStyle::Ends)
                continue;
            // Ticks mostly inwards, where the guide lines' distance markers go.
            const bool across = style == MarkStyle::Crosses;
            const double start = across ? x - inward * 0.1 : x - inward * w / 2;
            line(QPointF(start, metres), QPointF(x + inward * 0.3, metres));
        }
    }

    if (style == MarkStyle::Crosses)
        paintCurves();
    painter.setPen(QPen(curveColour, w, Qt::SolidLine, Qt::FlatCap));
    for (const SceneMark &mark : marks) {
        if (mark.slot < 13)
            continue;
        const QPointF at = mark.ground;
        const double outward = at.x() < 0 ? -1.0 : 1.0;
        switch (style) {
        case MarkStyle::Crosses: // a cross on each point of a curve the wizard asks for
            line(at - QPointF(0.12, 0), at + QPointF(0.12, 0));
            line(at - QPointF(0, 0.12), at + QPointF(0, 0.12));
            break;
        case MarkStyle::Tees: // a tick outwards from the dash
        case MarkStyle::Ends:
            if (mark.junction == Junction::Tee && mark.slot != 13 && mark.slot != 18)
                line(at, at + QPointF(outward * 0.15, 0));
            break;
        case MarkStyle::Corners: // a corner: back along the curve and outwards
            if (mark.slot != 13 && mark.slot != 18) {
                line(at - QPointF(0, w / 2), at + QPointF(0, 0.2));
                line(at - QPointF(outward * w / 2, 0), at + QPointF(outward * 0.2, 0));
            }
            break;
        }
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

QColor ScenePainter::TapeColourOf(TapeColour tape)
{
    switch (tape) {
    case TapeColour::Yellow:
        return QColor(kTape);
    case TapeColour::Orange:
        return QColor(kCurveTape);
    case TapeColour::Red:
        return QColor(200, 40, 40);
    case TapeColour::White:
        return QColor(238, 238, 232);
    case TapeColour::Beige:
        return QColor(218, 196, 150);
    }
    return QColor(kTape);
}

QImage ScenePainter::Paint(const CameraScene &scene)
{
    QImage picture(CameraScene::kWidth, CameraScene::kHeight, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    PaintSkyAndGround(painter, scene);
    PaintGroundText(painter, scene);
    PaintMarks(painter, scene);
    PaintKerbAndVerge(painter, scene);
    PaintBumper(painter, scene);
    PaintVignette(painter);
    return picture;
}

} // namespace ModuleSim
