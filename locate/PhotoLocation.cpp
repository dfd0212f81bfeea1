#include "PhotoLocation.h"

#include "CvImage.h"
#include "GridFinder.h"
#include "MarkFinder.h"
#include "ScreenFinder.h"

#include <QCoreApplication>
#include <QPolygonF>

#include <algorithm>

namespace {

std::vector<MarkCandidate> InPicturePixels(std::vector<MarkCandidate> marks, const GridMapping &grid)
{
    for (MarkCandidate &m : marks)
        m.picture = grid.ToPicture(m.grid);
    return marks;
}

// A grid whose cells are smaller than this in the work copy is read again
// from the picture itself, where the picture has more pixels.
constexpr double kSmallCell = 40.0;

// The grid read again from the part of the picture round an area of the
// work copy (where it shows the grid, the screen, or the likeliest
// candidate), at up to the picture's own resolution; the mapping is in the
// picture's pixels. rough: the grid found in the work copy, to be refined.
GridFinder::Result ReadCloser(const QImage &picture, const CvImage::WorkCopy &work, const cv::Scalar &gains,
                              QRectF area, const std::optional<GridMapping> &rough, int gridShiftY)
{
    GridFinder::Result result;
    // In the picture's pixels, with room for the screen's edges round it.
    area = QRectF(area.topLeft() / work.scale, area.bottomRight() / work.scale);
    const double margin = 0.4 * std::max(area.width(), area.height());
    const QRect part = area.adjusted(-margin, -margin, margin, margin).toAlignedRect() & picture.rect();
    if (part.width() < GridFinder::kMinSide || part.height() < GridFinder::kMinSide)
        return result;
    CvImage::WorkCopy closer = CvImage::MakeWorkCopy(picture.copy(part));
    if (closer.neutral.empty() || closer.scale < work.scale * 1.3)
        return result; // no sharper than what was searched
    CvImage::Balance(closer, gains);
    GridFinder::Hints hints;
    hints.principal = cv::Point2d((picture.width() / 2.0 - part.x()) * closer.scale - 0.5,
                                  (picture.height() / 2.0 - part.y()) * closer.scale - 0.5);
    hints.photoSide = std::max(picture.width(), picture.height()) * closer.scale;
    hints.gridShiftY = gridShiftY;
    if (rough) {
        // The grid found, in the part's pixels.
        const QTransform toPart = QTransform::fromTranslate(-part.x(), -part.y())
            * QTransform::fromScale(closer.scale, closer.scale);
        result = GridFinder::Refine(closer.neutral, rough->GridToPicture() * QTransform::fromScale(1 / work.scale, 1 / work.scale) * toPart,
                                    hints);
    } else {
        result = GridFinder::Find(closer.neutral, hints);
        if (!result.grid) {
            if (const auto screen = ScreenFinder::Corners(closer.grey, 0.04)) {
                GridFinder::Result fromScreen = GridFinder::FromScreen(closer.neutral, *screen, hints);
                if (fromScreen.grid)
                    result = fromScreen;
            }
        }
    }
    if (result.grid) {
        // Back to the picture's pixels.
        const QTransform fromPart = QTransform::fromTranslate(-part.x(), -part.y())
            * QTransform::fromScale(closer.scale, closer.scale) * result.grid->PictureToGrid();
        result.grid = GridMapping::FromTransform(fromPart);
    }
    return result;
}

QRectF Bounds(const std::array<QPointF, 4> &corners)
{
    QPolygonF quad;
    for (const QPointF &corner : corners)
        quad << corner;
    return quad.boundingRect();
}

} // namespace

PhotoLocation LocateGridAndMarks(const QImage &picture, int gridShiftY)
{
    PhotoLocation result;
    if (picture.isNull()) {
        result.problem = QCoreApplication::translate("PhotoLocation", "Снимок пуст.");
        return result;
    }
    // A strip of a picture has no room for the grid's eleven lines, and the
    // image work has no use for it.
    if (const QSize work = CvImage::WorkSize(picture.size());
        std::min(work.width(), work.height()) < GridFinder::kMinSide) {
        result.problem = QCoreApplication::translate("PhotoLocation",
                                                     "Снимок %1 x %2 пикселей слишком мал или узок: калибровочной "
                                                     "сетки на нём не разглядеть. Снимите монитор целиком.")
                             .arg(picture.width())
                             .arg(picture.height());
        return result;
    }
    CvImage::WorkCopy work = CvImage::MakeWorkCopy(picture);
    // Colours balanced first: under a sodium lamp the darkest channel would
    // hold no grid.
    const cv::Scalar gains = CvImage::BalanceGains(work.bgr);
    CvImage::Balance(work, gains);
    GridFinder::Hints hints;
    hints.gridShiftY = gridShiftY;
    GridFinder::Result found = GridFinder::Find(work.neutral, hints);
    // Where the lines do not stand out of the picture (a small monitor, a
    // blurred photo), the screen's edges still may, and say where the grid
    // must lie.
    std::optional<QRectF> screenArea;
    if (!found.grid) {
        if (const auto screen = ScreenFinder::Corners(work.grey, 0.01)) {
            std::array<QPointF, 4> corners;
            for (std::size_t k = 0; k < 4; ++k)
                corners[k] = QPointF((*screen)[k].x, (*screen)[k].y);
            screenArea = Bounds(corners);
            GridFinder::Result fromScreen = GridFinder::FromScreen(work.neutral, *screen, hints);
            if (fromScreen.grid)
                found = fromScreen;
        }
    }
    // A small monitor: found (or nearly) in the work copy, read from the picture.
    if (work.scale < 1.0) {
        std::optional<QRectF> area;
        if (found.grid && found.cellPixels < kSmallCell)
            area = Bounds(found.grid->PictureCorners());
        else if (!found.grid)
            area = screenArea ? screenArea
                 : found.candidate ? std::optional<QRectF>(QRectF(found.candidate->x, found.candidate->y,
                                                                  found.candidate->width, found.candidate->height))
                                   : std::nullopt;
        if (area) {
            GridFinder::Result closer = ReadCloser(picture, work, gains, *area, found.grid, gridShiftY);
            if (closer.grid)
                result.grid = closer.grid;
            else if (!found.grid && !closer.problem.isEmpty())
                found.problem = closer.problem; // read closer, what is wrong is clearer
        }
    }
    if (!result.grid && found.grid)
        result.grid = found.grid->Scaled(1 / work.scale);
    if (!result.grid) {
        result.problem = found.grid ? QCoreApplication::translate("PhotoLocation", "Снимок не удалось сопоставить с сеткой.")
                                    : found.problem;
        return result;
    }
    const auto inWork = result.grid->Scaled(work.scale);
    if (!inWork) {
        result.grid.reset();
        result.problem = QCoreApplication::translate("PhotoLocation", "Снимок не удалось сопоставить с сеткой.");
        return result;
    }
    result.marks = InPicturePixels(MarkFinder::Find(work.bgr, *inWork), *result.grid);
    return result;
}

std::vector<MarkCandidate> FindMarks(const QImage &picture, const GridMapping &grid)
{
    const CvImage::WorkCopy work = CvImage::MakeWorkCopy(picture);
    if (work.bgr.empty())
        return {};
    const auto inWork = grid.Scaled(work.scale);
    if (!inWork)
        return {};
    return InPicturePixels(MarkFinder::Find(work.bgr, *inWork), grid);
}
