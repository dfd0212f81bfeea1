#pragma once

#include "ConfigurationDocument.h"
#include "DeviceLink.h"

#include <functional>

// The wizard steps on which the module shows or takes something of the
// record; every other step leaves the module alone.
enum class FollowedStep {
    None,
    CameraMonitor,  // the mirroring, on the camera picture
    GridShift,      // the calibration grid and its shift
    Points,         // the calibration grid while guide points are entered
    ParkingSensor,  // the sensor indicator
    Warning,        // the brightness, then the full settings write
};

// Makes the module follow the configuration record: it is told which step
// the wizard shows and hears every change of the document, and sends what a
// table says for the step's activation, for an edit of each of its fields and
// for leaving it. An edit, an undo and a redo of the same values thus send the
// same commands, and only on the step that shows them. Failed commands go to
// the link's error report; beforeBox runs first (a held spin arrow ends its
// repeat there, so one press shows its boxes once).
class ModuleFollower {
public:
    explicit ModuleFollower(ConfigurationDocument &document);

    void SetLink(DeviceLink *link) { link_ = link; }
    void SetBeforeBox(std::function<void()> beforeBox) { beforeBox_ = std::move(beforeBox); }

    // The wizard shows the step: its activation is sent.
    void Shown(FollowedStep step);
    // The wizard left the step: its leaving is sent.
    void Left(FollowedStep step);
    FollowedStep Current() const { return current_; }

private:
    void Changed(const DocumentChange &change);

    const ConfigurationDocument &document_;
    DeviceLink *link_ = nullptr;
    std::function<void()> beforeBox_;
    FollowedStep current_ = FollowedStep::None;
};
