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
    // A whole-number reduction where it keeps three quarters of the work
    // size or more: OpenCV averages whole blocks of pixels much faster than
    // it resamples by any other factor (a 12-megapixel photo, a third).
    const int longer = std::max(bgra.cols, bgra.rows);
    const int factor = (longer + maxSide - 1) / maxSide;
    cv::Mat small;
    if (factor > 1 && longer / factor >= maxSide * 3 / 4) {
        // The last partial block of a row or column is left out.
        const cv::Mat whole = bgra(cv::Rect(0, 0, bgra.cols / factor * factor, bgra.rows / factor * factor));
        cv::resize(whole, small, {whole.cols / factor, whole.rows / factor}, 0, 0, cv::INTER_AREA);
        copy.scale = 1.0 / factor;
    } else if (longer > maxSide) {
        copy.scale = double(maxSide) / longer;
        cv::resize(bgra, small, {}, copy.scale, copy.scale, cv::INTER_AREA);
    } else {
        small = bgra;
    }
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
