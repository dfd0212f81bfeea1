#pragma once

#include <QColor>
#include <QImage>

#include "SceneSetup.h"

namespace ModuleSim {

class CameraScene;

// Draws the camera picture of a CameraScene: sky, asphalt with the bay lines
// across the aisle, a kerb with a grass verge on the left and a word painted
// on the asphalt on the right (so that left and right, and a mirror view,
// can be told apart), the installer's tape marks and the car's bumper at the
// bottom. Needs a QGuiApplication (it uses QPainter on a QImage).
class ScenePainter {
public:
    // Yellow tape, the base line's, the side lines' and their ticks' by default.
    static constexpr QRgb kTape = qRgb(240, 200, 40);
    // Orange tape, the turning curves' by default.
    static constexpr QRgb kCurveTape = qRgb(240, 130, 40);
    // Width of every tape mark, metres.
    static constexpr double kTapeWidthM = 0.06;
    // The kerb on the left of the bay as the monitor shows it: its face
    // towards the car, metres left of the car's centre line (negative x).
    static constexpr double kKerbInnerM = -1.5;
    // The word painted on the asphalt right of the bay (UTF-8), and where:
    // its near edge behind the bumper, its right end as the monitor shows it,
    // and its size, metres.
    static constexpr const char *kGroundWord = "ВЫЕЗД";
    static constexpr double kGroundWordNearM = 1.9;
    static constexpr double kGroundWordRightM = 2.4;
    static constexpr double kGroundWordLengthM = 1.5;
    static constexpr double kGroundWordHeightM = 0.9;

    // How a tape colour shows on the monitor.
    static QColor TapeColourOf(TapeColour tape);

    // The 400 x 312 camera picture, as the monitor shows it (RGB32).
    static QImage Paint(const CameraScene &scene);
};

} // namespace ModuleSim
