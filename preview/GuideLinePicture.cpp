#include "GuideLinePicture.h"

namespace {

QImage &Picture()
{
    static QImage picture;
    return picture;
}

} // namespace

void PublishGuideLinePicture(const QImage &picture)
{
    Picture() = picture;
}

QImage CurrentGuideLinePicture()
{
    return Picture();
}
