#pragma once

#include "CameraScene.h"
#include "ModuleExecutor.h"
#include "PhotoCondition.h"

#include <QImage>
#include <QJsonObject>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QTransform>

#include <array>
#include <cstdint>
#include <vector>

namespace ModuleSim {

// How the monitor is pictured.
enum class PhotoKind {
    Plain,   // the monitor picture itself, 400 x 312
    Phone,   // a phone's photo of the car monitor, seen at an angle
    Grabber, // a 720 x 576 frame of a video grabber on the monitor's input
};

struct PhotoOptions {
    PhotoKind kind = PhotoKind::Phone;
    std::uint32_t seed = 1;     // pose and effects; the same seed gives the same bytes
    QSize size{2000, 1500};     // of a phone photo (before it is turned)
    // What makes the phone photo hard (PhotoCondition.h); BySeed lets the
    // seed choose. The standard photo of a seed is the one it always was;
    // another condition keeps its pose where it can and changes one thing.
    PhotoCondition condition = PhotoCondition::Standard;
};

// Where a phone held by the seed stands before the monitor: a pinhole camera
// looking at the flat screen. Screen frame: millimetres from the centre of
// the active area, x right, y down, z into the screen.
struct PhotoPose {
    std::array<std::array<double, 3>, 3> rotation{}; // screen frame to camera frame (x right, y down, z ahead)
    std::array<double, 3> translation{};              // the screen's centre in the camera frame, mm
    double focal = 0;                                  // pixels
    QPointF principal;                                 // pixels
    double rollDeg = 0;
    // The screen's active area, mm: a 7-inch 400 x 312 screen unless the
    // condition is a panel of another shape.
    double screenWidthMm = 140.2;
    double screenHeightMm = 140.2 * 312.0 / 400.0;

    // Photo position (continuous pixels) of a point of the screen's plane, mm.
    QPointF Project(QPointF screenMm) const;
    // The outer corners of the monitor's frame in the photo, clockwise from top left.
    std::array<QPointF, 4> FrameCorners() const;
};

// One place the installer marked on the ground, as the photo shows it; the
// scene's marks that fall on the same spot (a line's end where another line
// starts) are one, with all their slots.
struct PhotoMark {
    std::vector<int> slotNumbers;
    QString name;   // of the first of them
    QPointF grid;   // grid units read off the module's grid
    QPointF picture; // photo pixels
};

// A picture of the monitor and the truth about it. Positions are continuous
// pixels: pixel (c, r) covers [c, c + 1) x [r, r + 1).
struct Photo {
    QImage picture; // RGB32
    PhotoOptions options;
    PhotoCondition condition = PhotoCondition::Standard; // the one it was taken in (never BySeed)
    bool showsGrid = true;           // false for a photo without the monitor (the notebook page)
    QTransform monitorToPhoto;       // monitor picture positions to photo positions
    std::array<QPointF, 4> grid;     // grid points (0,0), (10,0), (10,10), (0,10)
    std::array<QPointF, 4> screen;   // monitor picture corners, clockwise from top left
    std::vector<PhotoMark> marks;    // within the grid, left to right as the scene lists them

    // {"seed", "kind", "condition", "showsGrid", "width", "height", "grid", "screen", "homography",
    //  "marks": [{"slots", "name", "grid", "picture"}]}; without the monitor, grid, screen and marks are empty
    QJsonObject ToJson() const;
};

// Turns the 400 x 312 monitor picture into a photo of the car monitor: a
// 7-inch screen in a dark frame on a dashboard, seen by a phone from a pose
// of the seed, with its blur, uneven light, glare on the glass and noise;
// or into a grabber's frame. Needs a QGuiApplication only for the monitor
// picture itself.
class PhotoCamera {
public:
    static constexpr double kScreenWidthMm = 140.2; // 7 inches across the diagonal, 400:312
    static constexpr double kScreenHeightMm = kScreenWidthMm * 312.0 / 400.0;
    // The dark frame round the screen, in the screen's own pixels (about 12 mm).
    static constexpr int kFramePixels = 34;
    static constexpr int kGrabberWidth = 720;
    static constexpr int kGrabberHeight = 576;
    static constexpr double kMaxTiltDeg = 30.0;
    static constexpr double kMaxRollDeg = 10.0;

    // The frame's width over the photo's, as the condition chooses it.
    static constexpr double kMinFill = 0.55, kMaxFill = 0.82;
    static constexpr double kSmallMinFill = 0.18, kSmallMaxFill = 0.30;

    // The pose of a seed for a phone photo of this size (before it is turned).
    static PhotoPose PoseFor(std::uint32_t seed, QSize size, PhotoCondition condition = PhotoCondition::Standard);
    // The condition a seed chooses, when PhotoOptions leaves it to the seed.
    static PhotoCondition ConditionFor(std::uint32_t seed);

    // The photo of a monitor picture drawn for these module settings over this scene.
    static Photo Take(const QImage &monitor, const ModuleSettings &settings, const CameraScene &scene,
                      const PhotoOptions &options);

    // The monitor picture of a new module showing its calibration grid
    // ("ATS3" at the default settings) over the scene of this setup.
    static QImage GridMonitor(const SceneSetup &setup = {});
};

} // namespace ModuleSim
