// The shared module the program loads when it first reads a photo: the
// OpenCV work of this folder behind one exported table, each call guarded.
#include "LocateFunctions.h"
#include "LocateGuard.h"

namespace {

PhotoLocation Locate(const QImage &picture, int gridShiftY)
{
    QString problem;
    PhotoLocation found = LocateGuarded([&] { return LocateGridAndMarks(picture, gridShiftY); }, PhotoLocation{}, &problem);
    if (!problem.isEmpty())
        found.problem = problem;
    return found;
}

std::vector<MarkCandidate> Marks(const QImage &picture, const GridMapping &grid, QString *problem)
{
    return LocateGuarded([&] { return FindMarks(picture, grid); }, std::vector<MarkCandidate>{}, problem);
}

std::optional<GridMapping::Corners> ScreenCorners(const QImage &picture, QString *problem)
{
    return LocateGuarded([&] { return FindScreenCorners(picture); }, std::optional<GridMapping::Corners>{}, problem);
}

std::optional<std::vector<LineDeviation>> MeasureLines(const QImage &picture, const GridMapping &grid, QString *problem)
{
    return LocateGuarded(
        [&] { return std::optional<std::vector<LineDeviation>>(MeasureLinesAgainstMarks(picture, grid)); },
        std::optional<std::vector<LineDeviation>>{}, problem);
}

} // namespace

extern "C" __attribute__((visibility("default"))) const LocateFunctions *tarvello_locate_functions()
{
    static const LocateFunctions functions{LocateFunctions::kVersion, &Locate, &Marks, &ScreenCorners, &MeasureLines};
    return &functions;
}
