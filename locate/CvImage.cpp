#include "CvImage.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace CvImage {

WorkCopy MakeWorkCopy(const QImage &picture, int maxSide)
{
    WorkCopy copy;
    if (picture.isNull())
        return copy;
    // RGB32 lies in memory as B, G, R, 0xff: OpenCV's BGRA, read in place.
    const QImage rgb32 = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
                             ? picture
                             : picture.convertToFormat(QImage::Format_RGB32);
    const cv::Mat bgra(rgb32.height(), rgb32.width(), CV_8UC4, const_cast<uchar *>(rgb32.constBits()),
                       static_cast<size_t>(rgb32.bytesPerLine()));
    copy.scale = std::min(1.0, double(maxSide) / std::max(bgra.cols, bgra.rows));
    cv::Mat small;
    if (copy.scale < 1.0)
        cv::resize(bgra, small, {}, copy.scale, copy.scale, cv::INTER_AREA);
    else
        small = bgra;
    cv::cvtColor(small, copy.bgr, cv::COLOR_BGRA2BGR);
    cv::cvtColor(copy.bgr, copy.grey, cv::COLOR_BGR2GRAY);
    std::vector<cv::Mat> channels;
    cv::split(copy.bgr, channels);
    cv::min(channels[0], channels[1], copy.neutral);
    cv::min(copy.neutral, channels[2], copy.neutral);
    return copy;
}

} // namespace CvImage

namespace CvImage {
QImage ToQ(const cv::Mat &mat)
{
    cv::Mat bgra;
    cv::cvtColor(mat, bgra, mat.channels() == 1 ? cv::COLOR_GRAY2BGRA : cv::COLOR_BGR2BGRA);
    return QImage(bgra.data, bgra.cols, bgra.rows, int(bgra.step), QImage::Format_RGB32).copy();
}
}
