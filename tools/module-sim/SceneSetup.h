#pragma once

namespace ModuleSim {

// The simulated car and its rear camera, as the command line sets them.
// Plain numbers so that the option parser needs no Qt.
struct SceneSetup {
    double cameraHeightM = 1.0;  // lens above the ground, metres
    double cameraTiltDeg = 45.0; // optical axis below the horizontal, degrees
    double cameraFovDeg = 100.0; // horizontal field of view across 400 pixels, degrees
    double cameraOffsetM = 0.0;  // lens right of the car's centre line as the monitor shows it, metres
    double carWidthM = 1.8;      // distance between the two side lines, metres
    bool monitorMirrors = false; // the monitor mirrors its picture (the camera then does not)

    bool operator==(const SceneSetup &) const = default;
};

} // namespace ModuleSim
