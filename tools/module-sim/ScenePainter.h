#pragma once

#include <QColor>
#include <QImage>

namespace ModuleSim {

class CameraScene;

// Draws the camera picture of a CameraScene: sky, asphalt with the bay lines
// across the aisle, the installer's tape marks and the car's bumper at the
// bottom. Needs a QGuiApplication (it uses QPainter on a QImage).
class ScenePainter {
public:
    // Colour of the tape of the base line, the side lines and their ticks.
    static constexpr QRgb kTape = qRgb(240, 200, 40);
    // Colour of the tape of the turning curves (laid in dashes).
    static constexpr QRgb kCurveTape = qRgb(240, 130, 40);
    // Width of every tape mark, metres.
    static constexpr double kTapeWidthM = 0.06;

    // The 400 x 312 camera picture, as the monitor shows it (RGB32).
    static QImage Paint(const CameraScene &scene);
};

} // namespace ModuleSim
