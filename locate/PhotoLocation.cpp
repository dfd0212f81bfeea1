#include "PhotoLocation.h"

#include "CvImage.h"
#include "GridFinder.h"
#include "MarkFinder.h"

#include <QCoreApplication>

#include <algorithm>

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
    const CvImage::WorkCopy work = CvImage::MakeWorkCopy(picture);
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
