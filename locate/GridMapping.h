#pragma once

#include <QPointF>
#include <QTransform>

#include <array>
#include <optional>

// The projective mapping between the pixels of a picture of the car monitor
// and the grid units of the module's calibration grid (0..10 across, 0..10
// down, (0, 0) at the grid's top left as the monitor shows it when nothing
// is mirrored). A phone photo taken at an angle is a projective view of the
// flat screen, so one 3 x 3 mapping covers the whole picture.
class GridMapping {
public:
    // Picture pixels of grid points (0, 0), (10, 0), (10, 10), (0, 10).
    using Corners = std::array<QPointF, 4>;

    GridMapping() = default;
    // From the picture pixels of the four outer grid corners in that order;
    // nullopt when they do not make a quadrilateral a mapping can come from
    // (three in a line, crossed sides, points outside any sane range).
    static std::optional<GridMapping> FromCorners(const Corners &picture);
    // From the four corners of the monitor picture (its 400 x 312 pixels)
    // as seen in the photo, and where the module puts the grid on it: the
    // overlay's shift across the screen (the grid shift X as sent, 250 puts
    // it straight over the camera picture) and the grid's top row.
    static std::optional<GridMapping> FromScreenCorners(const Corners &picture, int gridShiftX, int gridShiftY);
    // From a mapping of picture pixels to grid units (projective).
    static std::optional<GridMapping> FromTransform(const QTransform &pictureToGrid);

    // The same mapping for the picture scaled by a factor (its pixel p
    // becomes p * factor); nullopt for a factor of 0 or less.
    std::optional<GridMapping> Scaled(double factor) const;

    QPointF ToGrid(QPointF picture) const { return toGrid_.map(picture); }
    QPointF ToPicture(QPointF grid) const { return toPicture_.map(grid); }
    const QTransform &PictureToGrid() const { return toGrid_; }
    const QTransform &GridToPicture() const { return toPicture_; }
    // Picture pixels of grid points (0, 0), (10, 0), (10, 10), (0, 10).
    Corners PictureCorners() const;
    // Picture pixels one grid unit spans near a grid point, the smaller of
    // the two directions: how precisely a click there can be placed.
    double PixelsPerUnit(QPointF grid) const;

private:
    QTransform toGrid_;
    QTransform toPicture_;
};
