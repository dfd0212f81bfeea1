#include "PhotoLocation.h"

PhotoLocation LocateGridAndMarks(const QImage &)
{
    PhotoLocation result;
    result.problem = QStringLiteral("not built yet");
    return result;
}

std::vector<MarkCandidate> FindMarks(const QImage &, const GridMapping &)
{
    return {};
}
