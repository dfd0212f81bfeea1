#include "GridMapping.h"

#include "GridGeometry.h"

#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

// Where the module draws the grid on the 400 x 312 monitor picture.
using Grid::kCellWidth;
using Grid::kCellHeight;
constexpr double kScreenWidth = 400.0;
constexpr double kScreenHeight = 312.0;
constexpr double kCentredShiftX = Grid::kCentredShiftX;
// Corners farther out than this many pixels are no picture's.
constexpr double kMaxCoordinate = 1e6;

QPolygonF GridSquare()
{
    return QPolygonF({QPointF(0, 0), QPointF(10, 0), QPointF(10, 10), QPointF(0, 10)});
}

// Four points in order make a convex quadrilateral with some area.
bool IsConvexQuad(const GridMapping::Corners &c)
{
    double sign = 0;
    for (int i = 0; i < 4; ++i) {
        const QPointF a = c[i], b = c[(i + 1) % 4], d = c[(i + 2) % 4];
        if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || std::abs(a.x()) > kMaxCoordinate
            || std::abs(a.y()) > kMaxCoordinate)
            return false;
        const double cross = (b.x() - a.x()) * (d.y() - b.y()) - (b.y() - a.y()) * (d.x() - b.x());
        if (std::abs(cross) < 1.0)
            return false;
        if (sign != 0 && (cross > 0) != (sign > 0))
            return false;
        sign = cross;
    }
    return true;
}

} // namespace

std::optional<GridMapping> GridMapping::FromCorners(const Corners &picture)
{
    if (!IsConvexQuad(picture))
        return std::nullopt;
    QTransform toPicture;
    if (!QTransform::squareToQuad(QPolygonF({picture[0], picture[1], picture[2], picture[3]}), toPicture))
        return std::nullopt;
    // squareToQuad maps the unit square; the grid spans ten units.
    return FromTransform((QTransform::fromScale(0.1, 0.1) * toPicture).inverted());
}

std::optional<GridMapping> GridMapping::FromScreenCorners(const Corners &picture, int gridShiftX, int gridShiftY)
{
    if (!IsConvexQuad(picture))
        return std::nullopt;
    // The screen's corners in grid units: the overlay moves right by the
    // shift beyond its centred position, the grid starts at its top row.
    const double left = -(gridShiftX - kCentredShiftX) / kCellWidth;
    const double top = -gridShiftY / kCellHeight;
    const double right = left + kScreenWidth / kCellWidth;
    const double bottom = top + kScreenHeight / kCellHeight;
    QTransform pictureToGrid;
    if (!QTransform::quadToQuad(QPolygonF({picture[0], picture[1], picture[2], picture[3]}),
                                QPolygonF({QPointF(left, top), QPointF(right, top), QPointF(right, bottom),
                                           QPointF(left, bottom)}),
                                pictureToGrid))
        return std::nullopt;
    return FromTransform(pictureToGrid);
}

std::optional<GridMapping> GridMapping::FromTransform(const QTransform &pictureToGrid)
{
    bool invertible = false;
    const QTransform inverse = pictureToGrid.inverted(&invertible);
    if (!invertible)
        return std::nullopt;
    GridMapping m;
    m.toGrid_ = pictureToGrid;
    m.toPicture_ = inverse;
    // The grid must lie wholly on one side of the mapping's horizon.
    const QPolygonF square = GridSquare();
    for (const QPointF &p : square) {
        const double w = inverse.m13() * p.x() + inverse.m23() * p.y() + inverse.m33();
        const double w0 = inverse.m13() * 5 + inverse.m23() * 5 + inverse.m33();
        if (w == 0 || (w > 0) != (w0 > 0))
            return std::nullopt;
    }
    return m;
}

std::optional<GridMapping> GridMapping::Scaled(double factor) const
{
    if (!(factor > 0))
        return std::nullopt;
    return FromTransform(QTransform::fromScale(1 / factor, 1 / factor) * toGrid_);
}

GridMapping::Corners GridMapping::PictureCorners() const
{
    const QPolygonF square = GridSquare();
    return {ToPicture(square[0]), ToPicture(square[1]), ToPicture(square[2]), ToPicture(square[3])};
}

double GridMapping::PixelsPerUnit(QPointF grid) const
{
    const QPointF at = ToPicture(grid);
    const QPointF right = ToPicture(grid + QPointF(1, 0)) - at;
    const QPointF down = ToPicture(grid + QPointF(0, 1)) - at;
    return std::min(std::hypot(right.x(), right.y()), std::hypot(down.x(), down.y()));
}
