#include "OverlayPlacement.h"

namespace ModuleSim {

OverlayPlacement::OverlayPlacement(const ModuleSettings &settings, bool monitorMirrors)
    : settings_(settings), monitorMirrors_(monitorMirrors)
{
}

QPointF OverlayPlacement::OverlayToMonitor(QPointF overlay) const
{
    const double x = overlay.x() + OverlayShift();
    return {monitorMirrors_ ? kOverlayWidth - x : x, overlay.y()};
}

QPointF OverlayPlacement::MonitorToOverlay(QPointF monitor) const
{
    const double x = monitorMirrors_ ? kOverlayWidth - monitor.x() : monitor.x();
    return {x - OverlayShift(), monitor.y()};
}

QPointF OverlayPlacement::GridToMonitor(QPointF grid) const
{
    const double x = grid.x() * kCellWidth;
    const double y = settings_.gridShiftY + grid.y() * kCellHeight;
    return OverlayToMonitor({ModuleMirrors() ? kOverlayWidth - x : x, y});
}

QPointF OverlayPlacement::MonitorToGrid(QPointF monitor) const
{
    const QPointF overlay = MonitorToOverlay(monitor);
    const double x = ModuleMirrors() ? kOverlayWidth - overlay.x() : overlay.x();
    return {x / kCellWidth, (overlay.y() - settings_.gridShiftY) / kCellHeight};
}

} // namespace ModuleSim
