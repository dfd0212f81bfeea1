#include "PhotoLocation.h"

#include "CvImage.h"
#include "GridFinder.h"
#include "MarkFinder.h"

#include <QCoreApplication>

namespace {

// A mapping of work-copy pixels as one of the picture's own pixels.
GridMapping InPicturePixels(const GridMapping &work, double scale)
{
    return *GridMapping::FromTransform(QTransform::fromScale(scale, scale) * work.PictureToGrid());
}

std::vector<MarkCandidate> InPicturePixels(std::vector<MarkCandidate> marks, const GridMapping &grid)
{
    for (MarkCandidate &m : marks)
        m.picture = grid.ToPicture(m.grid);
    return marks;
}

} // namespace

PhotoLocation LocateGridAndMarks(const QImage &picture)
{
    PhotoLocation result;
    const CvImage::WorkCopy work = CvImage::MakeWorkCopy(picture);
    if (work.bgr.empty()) {
        result.problem = QCoreApplication::translate("PhotoLocation", "Снимок пуст.");
        return result;
    }
    GridFinder::Result found = GridFinder::Find(work.neutral);
    if (!found.grid) {
        result.problem = found.problem;
        return result;
    }
    result.grid = InPicturePixels(*found.grid, work.scale);
    result.marks = InPicturePixels(MarkFinder::Find(work.bgr, *found.grid), *result.grid);
    return result;
}

std::vector<MarkCandidate> FindMarks(const QImage &picture, const GridMapping &grid)
{
    const CvImage::WorkCopy work = CvImage::MakeWorkCopy(picture);
    if (work.bgr.empty())
        return {};
    const auto inWork = GridMapping::FromTransform(QTransform::fromScale(1 / work.scale, 1 / work.scale)
                                                   * grid.PictureToGrid());
    if (!inWork)
        return {};
    return InPicturePixels(MarkFinder::Find(work.bgr, *inWork), grid);
}
