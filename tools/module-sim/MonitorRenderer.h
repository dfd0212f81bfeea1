#pragma once

#include "CameraScene.h"
#include "MonitorState.h"

#include <QColor>
#include <QImage>
#include <QRect>

namespace ModuleSim {

// Draws what the module puts on the car monitor for a state of the module:
//   "ATS0"  the camera picture alone (the module is taking a picture);
//   "ATS1"  the camera picture with the guide-line picture from 0xD0000 and,
//           after "ATO1", the parking-sensor indicator placed by "ATR"/"ATP";
//   "ATS3"  the camera picture with the 10 x 10 calibration grid;
//   "ATS4"  the warning screen: the warning picture from 0xE0000 on a plain
//           background instead of the camera picture.
// Everything the module draws is grey at the line brightness ("ATG", in per
// cent of white); the module's own backgrounds (the warning screen, the
// indicator strip) are grey at the background brightness ("ATH"). Pixels the
// pictures leave 0 let the camera picture through, so a picture memory that
// was never written shows nothing. OverlayPlacement says where it all goes.
// Needs a QGuiApplication.
class MonitorRenderer {
public:
    // The parking-sensor indicator strip, pixels; "ATR" steps are 16 pixels.
    static constexpr int kIndicatorWidth = 240;
    static constexpr int kIndicatorHeight = 32;
    static constexpr int kIndicatorStepX = 16;

    explicit MonitorRenderer(const SceneSetup &setup = {});

    // The 400 x 312 monitor picture (RGB32).
    QImage Render(const MonitorState &state) const;

    const CameraScene &Scene() const { return scene_; }
    // The camera picture alone, as "ATS0" shows it.
    const QImage &CameraPicture() const { return camera_; }

    // Grey of a brightness value (per cent of white).
    static QColor Grey(int brightness);
    // Where the module draws the indicator in its overlay, before mirroring.
    static QRect IndicatorRect(const ModuleSettings &settings);

private:
    CameraScene scene_;
    QImage camera_;
};

} // namespace ModuleSim
