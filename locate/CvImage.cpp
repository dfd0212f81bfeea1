#include "CvImage.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace {

// How a picture of cols x rows becomes its work copy. A whole-number
// reduction where it keeps three quarters of the work size or more: OpenCV
// averages whole blocks of pixels much faster than it resamples by any
// other factor (a 12-megapixel photo, a third). The last partial block of a
// row or column is left out.
struct Reduction {
    int factor = 1;     // whole blocks of factor x factor pixels, or 1
    double scale = 1.0; // work pixels per picture pixel
    cv::Size size;
};

Reduction PlanReduction(int cols, int rows, int maxSide)
{
    Reduction plan{1, 1.0, {cols, rows}};
    const int longer = std::max(cols, rows);
    const int factor = (longer + maxSide - 1) / maxSide;
    if (factor > 1 && longer / factor >= maxSide * 3 / 4) {
        plan = {factor, 1.0 / factor, {cols / factor, rows / factor}};
    } else if (longer > maxSide) {
        plan.scale = double(maxSide) / longer;
        plan.size = {cvRound(cols * plan.scale), cvRound(rows * plan.scale)};
    }
    return plan;
}

// The grey picture and the darkest channel of a work copy's colours.
void Derive(CvImage::WorkCopy &copy)
{
    cv::cvtColor(copy.bgr, copy.grey, cv::COLOR_BGR2GRAY);
    std::vector<cv::Mat> channels;
    cv::split(copy.bgr, channels);
    cv::min(channels[0], channels[1], copy.neutral);
    cv::min(copy.neutral, channels[2], copy.neutral);
}

} // namespace

namespace CvImage {

QSize WorkSize(QSize picture, int maxSide)
{
    const Reduction plan = PlanReduction(picture.width(), picture.height(), maxSide);
    return {plan.size.width, plan.size.height};
}

WorkCopy MakeWorkCopy(const QImage &picture, int maxSide)
{
    WorkCopy copy;
    const Reduction plan = PlanReduction(picture.width(), picture.height(), maxSide);
    // OpenCV asserts on an empty size (and throws).
    if (picture.isNull() || plan.size.width < 1 || plan.size.height < 1)
        return copy;
    // RGB32 lies in memory as B, G, R, 0xff: OpenCV's BGRA, read in place.
    const QImage rgb32 = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
                             ? picture
                             : picture.convertToFormat(QImage::Format_RGB32);
    const cv::Mat bgra(rgb32.height(), rgb32.width(), CV_8UC4, const_cast<uchar *>(rgb32.constBits()),
                       static_cast<size_t>(rgb32.bytesPerLine()));
    copy.scale = plan.scale;
    cv::Mat small;
    if (plan.factor > 1) {
        const cv::Mat whole = bgra(cv::Rect(0, 0, plan.size.width * plan.factor, plan.size.height * plan.factor));
        cv::resize(whole, small, plan.size, 0, 0, cv::INTER_AREA);
    } else if (plan.scale < 1.0) {
        cv::resize(bgra, small, {}, plan.scale, plan.scale, cv::INTER_AREA);
    } else {
        small = bgra;
    }
    cv::cvtColor(small, copy.bgr, cv::COLOR_BGRA2BGR);
    Derive(copy);
    return copy;
}

cv::Scalar BalanceGains(const cv::Mat &bgr)
{
    const cv::Scalar none(1, 1, 1);
    if (bgr.empty() || bgr.channels() != 3)
        return none;
    const cv::Scalar mean = cv::mean(bgr);
    const double brightest = std::max({mean[0], mean[1], mean[2]});
    const double darkest = std::min({mean[0], mean[1], mean[2]});
    if (darkest * 1.25 >= brightest)
        return none;
    cv::Scalar gains;
    for (int c = 0; c < 3; ++c)
        gains[c] = std::min(4.0, brightest / std::max(1.0, mean[c]));
    return gains;
}

void Balance(WorkCopy &copy, const cv::Scalar &gains)
{
    if (copy.bgr.empty() || (gains[0] == 1 && gains[1] == 1 && gains[2] == 1))
        return;
    cv::multiply(copy.bgr, gains, copy.bgr);
    Derive(copy);
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
