#include "CameraScene.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ModuleSim {

namespace {

constexpr double kCentreX = CameraScene::kWidth / 2.0;
constexpr double kCentreY = CameraScene::kHeight / 2.0;

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// How the tape meets at the mark of a slot (ScenePainter lays it so). The
// curves' first points are the base line's ends.
Junction JunctionOfSlot(MarkStyle style, int slot)
{
    const bool baseEnd = slot == 0 || slot == 2 || slot == 3 || slot == 8 || slot == 13 || slot == 18;
    const bool lastTick = slot == 7 || slot == 12;
    const bool curve = slot >= 14;
    switch (style) {
    case MarkStyle::Crosses:
        return baseEnd ? Junction::Tee : Junction::Cross;
    case MarkStyle::Tees:
        return Junction::Tee;
    case MarkStyle::Corners:
        return baseEnd || lastTick || curve ? Junction::Corner : Junction::Tee;
    case MarkStyle::Ends:
        if (slot == 1)
            return Junction::Cross;
        return lastTick || slot == 15 || slot == 20 ? Junction::End : Junction::Tee;
    }
    return Junction::Cross;
}

} // namespace

CameraScene::CameraScene(const SceneSetup &setup) : setup_(setup)
{
    focal_ = kCentreX / std::tan(Radians(setup_.cameraFovDeg) / 2.0);
    cosTilt_ = std::cos(Radians(setup_.cameraTiltDeg));
    sinTilt_ = std::sin(Radians(setup_.cameraTiltDeg));

    // Ground point (X, Y) in homogeneous picture coordinates: depth along the
    // optical axis is cos(t) Y + k, with k the depth of the ground point
    // straight below the bumper face.
    const double h = setup_.cameraHeightM;
    const double sb = kCameraSetbackM;
    const double k = sb * cosTilt_ + h * sinTilt_;
    groundToPicture_ = QTransform(focal_, 0, 0,                                                       //
                                  kCentreX * cosTilt_, kCentreY * cosTilt_ - focal_ * sinTilt_, cosTilt_, //
                                  kCentreX * k - focal_ * setup_.cameraOffsetM,
                                  kCentreY * k + focal_ * (h * cosTilt_ - sb * sinTilt_), k);

    const double half = setup_.carWidthM / 2.0;
    const auto add = [this](int slot, QString name, QPointF ground) {
        // The curves' first points are the base line's ends, in its tape.
        marks_.push_back(SceneMark{slot, std::move(name), ground, ProjectGround(ground),
                                   JunctionOfSlot(setup_.marks, slot), slot >= 14 && slot != 18 ? setup_.curveTape : setup_.lineTape});
    };
    add(0, QStringLiteral("base line, left end"), {-half, kBaseLineM});
    add(1, QStringLiteral("base line, middle"), {0.0, kBaseLineM});
    add(2, QStringLiteral("base line, right end"), {half, kBaseLineM});
    for (int side = 0; side < 2; ++side) {
        const double x = side == 0 ? -half : half;
        const QString line = side == 0 ? QStringLiteral("left side line") : QStringLiteral("right side line");
        const int first = side == 0 ? 3 : 8;
        add(first, line + QStringLiteral(" at the base line"), {x, kBaseLineM});
        for (int metres = 1; metres <= 4; ++metres)
            add(first + metres, line + QStringLiteral(" at %1 m").arg(metres), {x, double(metres)});
    }
    for (int side = 0; side < 2; ++side) {
        const QString curve = side == 0 ? QStringLiteral("left curve") : QStringLiteral("right curve");
        const int first = side == 0 ? 13 : 18;
        const char *const which[] = {"first", "second", "third"};
        for (int i = 0; i < 3; ++i)
            add(first + i, curve + QStringLiteral(", %1 point").arg(QLatin1String(which[i])),
                CurvePoint(side == 0, kCurveLengthM * i / 2.0));
    }
}

SceneSetup CameraScene::WithTapeOfSeed(SceneSetup setup, std::uint32_t seed)
{
    // A scrambled seed, so that neighbouring seeds choose unlike.
    std::uint64_t z = std::uint64_t(seed) * 0x9E3779B97F4A7C15ull + 0x5851F42D4C957F2Dull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    constexpr int kColours = 5;
    setup.lineTape = TapeColour(z % kColours);
    // The curves in another colour; white and beige are too alike to tell
    // a curve's dash from the side line it runs along.
    int curve = int((z / kColours) % (kColours - 1));
    curve += curve >= int(setup.lineTape);
    if ((setup.lineTape == TapeColour::White && TapeColour(curve) == TapeColour::Beige)
        || (setup.lineTape == TapeColour::Beige && TapeColour(curve) == TapeColour::White))
        curve = int(TapeColour::Red);
    setup.curveTape = TapeColour(curve);
    setup.marks = MarkStyle((z / kColours / (kColours - 1)) % 4);
    return setup;
}

std::optional<QPointF> CameraScene::Project(double x, double y, double z) const
{
    const double vx = x - setup_.cameraOffsetM;
    const double vy = y + kCameraSetbackM;
    const double vz = z - setup_.cameraHeightM;
    const double depth = vy * cosTilt_ - vz * sinTilt_;
    if (depth <= 1e-6)
        return std::nullopt;
    const double down = -(vy * sinTilt_ + vz * cosTilt_);
    return QPointF(kCentreX + focal_ * vx / depth, kCentreY + focal_ * down / depth);
}

QPointF CameraScene::ProjectGround(QPointF ground) const
{
    return Project(ground.x(), ground.y(), 0.0).value_or(QPointF(kCentreX, kHeight));
}

double CameraScene::HorizonRow() const
{
    return kCentreY - focal_ * sinTilt_ / cosTilt_;
}

const SceneMark *CameraScene::MarkOfSlot(int slot) const
{
    const auto found = std::find_if(marks_.begin(), marks_.end(), [slot](const SceneMark &m) { return m.slot == slot; });
    return found == marks_.end() ? nullptr : &*found;
}

QPointF CameraScene::CurvePoint(bool left, double along) const
{
    const double r = kTurnRadiusM;
    const double inward = r - std::sqrt(r * r - along * along);
    const double half = setup_.carWidthM / 2.0;
    return {left ? -half + inward : half - inward, kBaseLineM + along};
}

std::vector<QPointF> CameraScene::CurvePath(bool left, int samples) const
{
    std::vector<QPointF> path;
    for (int i = 0; i < samples; ++i)
        path.push_back(CurvePoint(left, kCurveLengthM * i / std::max(1, samples - 1)));
    return path;
}

} // namespace ModuleSim
