#include "Settings.h"

#include "ConfigurationTable.h"
#include "GridGeometry.h"

namespace {
// Plane units per grid unit, and the factors that take them back (multiplied,
// not divided, so that a stored value comes back exactly as files expect).
constexpr double kPlanePerGridX = Grid::kCellWidth;
constexpr double kPlanePerGridY = Grid::kCellHeight;
constexpr double kGridPerPlaneX = 1.0 / Grid::kCellWidth;   // 0.025, exact as a constant
constexpr double kGridPerPlaneY = 1.0 / Grid::kCellHeight;  // 0.04

bool ValidSlot(int slot)
{
    return slot >= 0 && slot < 34;
}
} // namespace

Settings::Settings()
{
    SetBuiltInValues(*this);
}

Settings::~Settings() = default;

void Settings::SetPoint(int slot, double x, double y, unsigned char flag)
{
    if (!ValidSlot(slot))
        return;
    const PlanePoint p{x * kPlanePerGridX, y * kPlanePerGridY};
    Points[size_t(slot)] = p;
    PointFlags[size_t(slot)] = flag;
}

void Settings::GetPoint(int slot, double &x, double &y, unsigned char &flag) const
{
    if (!ValidSlot(slot)) {
        x = 0.0;
        y = 0.0;
        flag = 0;
        return;
    }
    x = Points[size_t(slot)].x * kGridPerPlaneX;
    y = Points[size_t(slot)].y * kGridPerPlaneY;
    flag = PointFlags[size_t(slot)];
}

void Settings::SetCameraShift(int x, int y)
{
    CameraShiftX = x;
    CameraShiftY = y;
}

bool Settings::SameConfiguration(const Settings &other) const
{
    return SameFields(*this, other);
}
