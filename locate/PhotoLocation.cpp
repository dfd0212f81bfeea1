#include "PhotoLocation.h"

#include "CvImage.h"
#include "GridFinder.h"
#include "MarkFinder.h"

#include <QCoreApplication>

namespace {

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
    result.grid = found.grid->Scaled(1 / work.scale);
    if (!result.grid) {
        result.problem = QCoreApplication::translate("PhotoLocation", "Снимок не удалось сопоставить с сеткой.");
        return result;
    }
    result.marks = InPicturePixels(MarkFinder::Find(work.bgr, *found.grid), *result.grid);
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
