#pragma once

#include "GridGeometry.h"
#include "ModuleExecutor.h"

#include <QPointF>

namespace ModuleSim {

// Where the module's overlay, and the calibration grid in it, fall on the
// car monitor. Coordinates are continuous pixel positions of the 400 x 312
// picture (pixel column c covers [c, c + 1)); grid units run 0..10 across
// the grid's 10 x 10 cells of 40 x 25 pixels.
//
// How the module applies its options here:
// - "ATJ" moves the whole overlay (grid, pictures, indicator) across the
//   screen, one pixel per step; kCentredShiftX, the setup program's default,
//   puts it straight over the camera picture. The guide-line picture moves
//   with the grid, so the lines stay where the installer read the points.
// - "ATK" moves only the grid down from the overlay's top row, one row per
//   step: the setup program draws its guide-line picture moved down by the
//   same amount, so pictures and the indicator are not moved again.
// - "ATQ1" tells the module that the monitor mirrors, so the module mirrors
//   what it draws itself (grid, indicator) and the monitor turns it back;
//   the stored pictures arrive already mirrored from the setup program and
//   are shown as stored. A monitor that mirrors (SceneSetup::monitorMirrors)
//   mirrors the whole overlay on its way to the screen.
class OverlayPlacement {
public:
    static constexpr int kCentredShiftX = Grid::kCentredShiftX;
    static constexpr int kGridCells = Grid::kCells;
    static constexpr int kCellWidth = static_cast<int>(Grid::kCellWidth);
    static constexpr int kCellHeight = static_cast<int>(Grid::kCellHeight);
    static constexpr int kOverlayWidth = 400;
    static constexpr int kOverlayHeight = 312;

    OverlayPlacement(const ModuleSettings &settings, bool monitorMirrors);

    // Columns the overlay lies right of the camera picture as the module
    // sends it out (before a mirroring monitor turns it).
    int OverlayShift() const { return settings_.gridShiftX - kCentredShiftX; }
    bool MonitorMirrors() const { return monitorMirrors_; }
    // The module mirrors its own drawing ("ATQ1").
    bool ModuleMirrors() const { return settings_.mirroring != 0; }

    QPointF OverlayToMonitor(QPointF overlay) const;
    QPointF MonitorToOverlay(QPointF monitor) const;
    // Grid units to the picture position where the module draws them, and back.
    QPointF GridToMonitor(QPointF grid) const;
    QPointF MonitorToGrid(QPointF monitor) const;

private:
    ModuleSettings settings_;
    bool monitorMirrors_;
};

} // namespace ModuleSim
