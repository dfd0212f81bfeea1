#pragma once

#include "SceneSetup.h"

#include <QPointF>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <optional>
#include <vector>

namespace ModuleSim {

// One point an installer marks on the ground and then reads off the grid
// into one guide-point slot of the wizard.
struct SceneMark {
    int slot = -1;   // the wizard's guide-point slot (0..2 base line, 3..7 and 8..12 side lines, 13.. curves)
    QString name;    // what it is, e.g. "left side line at 2 m"
    QPointF ground;  // metres: x right of the car's centre line as the monitor shows it, y behind the bumper
    QPointF picture; // where the monitor shows it, in pixels of the 400 x 312 picture (continuous, y down)
    Junction junction = Junction::Cross; // how the tape meets there
    TapeColour tape = TapeColour::Yellow;
};

// The ground behind the parked car as its rear camera shows it on the car
// monitor (a mirror view: the car's right side is on the right), with what
// an installer lays out before setting up the guide lines: the base line
// 10 cm behind the bumper, the two side lines of the car's width with ticks
// at 1, 2, 3 and 4 m, and two turning curves. Knows where any point falls in
// the picture (a pinhole camera on the mounting of SceneSetup); ScenePainter
// draws it.
//
// Car frame, metres: x across (right as the monitor shows it), y behind the
// bumper's rear face, z up from the ground. The lens sits kCameraSetbackM
// ahead of the bumper face, cameraOffsetM right of the centre line.
class CameraScene {
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 312;
    static constexpr double kBaseLineM = 0.1;
    static constexpr double kCameraSetbackM = 0.05;
    static constexpr double kBumperTopM = 0.5;
    // Turning curves: arcs of this radius that leave the side lines at the
    // base line and bend inwards, marked up to kCurveLengthM behind it.
    static constexpr double kTurnRadiusM = 6.0;
    static constexpr double kCurveLengthM = 2.5;

    explicit CameraScene(const SceneSetup &setup = {});

    // The setup with the tape colours and the mark style a seed chooses
    // (every colour and style comes up, the lines' and the curves' colours
    // tell apart), for test pictures of every kind.
    static SceneSetup WithTapeOfSeed(SceneSetup setup, std::uint32_t seed);

    const SceneSetup &Setup() const { return setup_; }

    // Picture position of a point of the car frame; nullopt when it lies
    // behind the lens.
    std::optional<QPointF> Project(double x, double y, double z) const;
    // Picture position of a ground point at or behind the lens.
    QPointF ProjectGround(QPointF ground) const;
    // The ground plane (metres) mapped onto the picture, for drawing on the
    // ground with a QPainter; valid for points at or behind the lens.
    QTransform GroundToPicture() const { return groundToPicture_; }
    // Picture row of the horizon (negative when the sky is out of view).
    double HorizonRow() const;

    // The marks, one per guide-point slot the wizard asks for.
    const std::vector<SceneMark> &Marks() const { return marks_; }
    // The mark of one slot; nullptr when the scene has none for it.
    const SceneMark *MarkOfSlot(int slot) const;

    // Ground points of a turning curve, from the base line outwards.
    std::vector<QPointF> CurvePath(bool left, int samples) const;

private:
    QPointF CurvePoint(bool left, double along) const;

    SceneSetup setup_;
    double focal_ = 0;   // pixels
    double cosTilt_ = 1;
    double sinTilt_ = 0;
    QTransform groundToPicture_;
    std::vector<SceneMark> marks_;
};

} // namespace ModuleSim
