#pragma once

#include <QImage>

#include <opencv2/core.hpp>

// Pictures for the image work: Qt reads the files, OpenCV works on the
// pixels. A photo is searched at a bounded size: a grid line is still two
// pixels wide at 1400 pixels on the longer side in any photo that shows the
// monitor at a readable size, and the search then costs about the same for
// every camera.
namespace CvImage {

constexpr int kWorkSide = 1400;

struct WorkCopy {
    cv::Mat bgr;        // 8-bit BGR, at most kWorkSide on the longer side
    cv::Mat grey;       // the same in grey
    cv::Mat neutral;    // the darkest channel: grey and white stay bright, coloured tape goes dark
    double scale = 1.0; // work pixels per picture pixel (1 or less)
};

// The size of the work copy of a picture of this size; a side may come out
// 0 for a strip of a picture (4000 x 2 pixels), which has no work copy.
QSize WorkSize(QSize picture, int maxSide = kWorkSide);

// The work copy of a picture (any QImage format); empty for a null image
// and for a strip with no pixel across once reduced.
WorkCopy MakeWorkCopy(const QImage &picture, int maxSide = kWorkSide);

// Gains for blue, green and red that make the picture grey on the whole
// (the grey-world rule), for a photo taken under sodium light or with a
// warm white balance; all 1 when the picture is near enough grey already
// (within a quarter), so that most photos are read as taken. No gain is
// over 4: a channel the light hardly has is mostly noise.
cv::Scalar BalanceGains(const cv::Mat &bgr);
// The work copy with its colours balanced by the gains (bgr, grey and
// neutral again); nothing changes for gains of 1.
void Balance(WorkCopy &copy, const cv::Scalar &gains);

} // namespace CvImage

namespace CvImage {
// A BGR or grey Mat as a QImage (for looking at what the search saw).
QImage ToQ(const cv::Mat &mat);
}
