#pragma once

#include <cstdint>

namespace ModuleSim {

// Colours of masking and marking tape an installer lays on the ground.
enum class TapeColour { Yellow, Orange, Red, White, Beige };

// How the tape meets at a mark.
enum class Junction {
    Cross,  // two strips across each other
    Tee,    // one strip ends on another
    Corner, // two strips end together at an angle (an L)
    End,    // the free end of a strip
};

// How the installer lays the marks out (CameraScene lists each mark's own
// junction, as a layout mixes them: the base line's middle is a tee in most).
enum class MarkStyle {
    Crosses, // ticks across the side lines, crosses on the dashed curves
    Tees,    // ticks leave the side lines inwards, and the curves outwards
    Corners, // the base line and the side lines end in corners, the curves marked by corners alone
    Ends,    // the side lines and the solid curves end at their last marks
};

// The simulated car and its rear camera, as the command line sets them.
// Plain numbers so that the option parser needs no Qt.
struct SceneSetup {
    double cameraHeightM = 1.0;  // lens above the ground, metres
    double cameraTiltDeg = 45.0; // optical axis below the horizontal, degrees
    double cameraFovDeg = 100.0; // horizontal field of view across 400 pixels, degrees
    double cameraOffsetM = 0.0;  // lens right of the car's centre line as the monitor shows it, metres
    double carWidthM = 1.8;      // distance between the two side lines, metres
    bool monitorMirrors = false; // the monitor mirrors its picture (the camera then does not)
    TapeColour lineTape = TapeColour::Yellow;  // the base line, the side lines and their ticks
    TapeColour curveTape = TapeColour::Orange; // the turning curves and their marks
    MarkStyle marks = MarkStyle::Crosses;

    bool operator==(const SceneSetup &) const = default;
};

} // namespace ModuleSim
