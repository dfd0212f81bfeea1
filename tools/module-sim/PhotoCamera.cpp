#include "PhotoCamera.h"

#include "MonitorRenderer.h"
#include "OverlayPlacement.h"
#include "ScenePainter.h"

#include <QJsonArray>
#include <QLineF>
#include <QPolygonF>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <utility>

namespace ModuleSim {

namespace {

constexpr double kMonitorWidth = CameraScene::kWidth;
constexpr double kMonitorHeight = CameraScene::kHeight;
constexpr double kMmPerPixel = PhotoCamera::kScreenWidthMm / kMonitorWidth;
// A phone's main camera: about 70 degrees across the longer side.
constexpr double kFocalPerSide = 0.72;
// An LCD's black is not black, and its white is a little short of white.
constexpr double kLcdBlack = 22.0;
constexpr double kLcdGain = 0.9;
constexpr double kFrameTone = 12.0;
// The photo's size that the blur's strength is given for.
constexpr double kReferenceWidth = 2000.0;

// A generator for one use of a seed. OpenCV's generator turns neighbouring
// states into neighbouring first numbers, so the seed is scrambled first
// (splitmix64).
cv::RNG Generator(std::uint32_t seed, std::uint64_t use)
{
    std::uint64_t z = (std::uint64_t(seed) << 32 | use) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return cv::RNG(z ^ (z >> 31));
}

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

using Matrix = std::array<std::array<double, 3>, 3>;

Matrix Multiply(const Matrix &a, const Matrix &b)
{
    Matrix m{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c];
    return m;
}

// Rotation by angle about a unit axis (Rodrigues).
Matrix AxisRotation(double x, double y, double z, double angle)
{
    const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    return {{{t * x * x + c, t * x * y - s * z, t * x * z + s * y},
             {t * x * y + s * z, t * y * y + c, t * y * z - s * x},
             {t * x * z - s * y, t * y * z + s * x, t * z * z + c}}};
}

QRectF Bounds(const std::array<QPointF, 4> &corners)
{
    double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
    for (const QPointF &p : corners) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

// The dark frame round the screen, mm (about 12).
constexpr double kFrameMm = PhotoCamera::kFramePixels * kMmPerPixel;

// Uses of a seed's generators. Each condition draws from generators of its
// own, so that the draws of the standard photo stay as they always were.
enum Use : std::uint64_t {
    kPoseUse = 0x9051,
    kEffectsUse = 0x5EED,
    kGrabberUse = 0x6AB5,
    kConditionUse = 0xC0D1,
    kExtraUse = 0xE7A5,
    kGroundUse = 0x6D0D,
    kNotebookUse = 0xB00C,
};

// The screen a condition shows the picture on: the module's 400 x 312
// picture on a 7-inch screen of its own shape, or stretched by a panel
// over its own pixels (both 7 inches across the diagonal).
struct Panel {
    double widthMm, heightMm;
    int columns, rows;
    bool Native() const { return columns == int(kMonitorWidth) && rows == int(kMonitorHeight); }
};

Panel PanelOf(PhotoCondition condition)
{
    switch (condition) {
    case PhotoCondition::Panel800x480:
        return {152.5, 91.5, 800, 480};
    case PhotoCondition::Panel640x480:
        return {142.2, 106.7, 640, 480};
    default:
        return {PhotoCamera::kScreenWidthMm, PhotoCamera::kScreenHeightMm, int(kMonitorWidth), int(kMonitorHeight)};
    }
}

// Monitor picture position (continuous pixels) to the screen's plane, mm.
QPointF MonitorToMm(QPointF monitor, const PhotoPose &pose)
{
    if (pose.screenWidthMm == PhotoCamera::kScreenWidthMm && pose.screenHeightMm == PhotoCamera::kScreenHeightMm)
        return {(monitor.x() - kMonitorWidth / 2) * kMmPerPixel, (monitor.y() - kMonitorHeight / 2) * kMmPerPixel};
    return {(monitor.x() / kMonitorWidth - 0.5) * pose.screenWidthMm,
            (monitor.y() / kMonitorHeight - 0.5) * pose.screenHeightMm};
}

// A QTransform (row vectors) as the matrix OpenCV takes (column vectors).
cv::Matx33d ToCv(const QTransform &t)
{
    return {t.m11(), t.m21(), t.m31(), t.m12(), t.m22(), t.m32(), t.m13(), t.m23(), t.m33()};
}

// The QImage's pixels as a Mat of 8-bit BGR (RGB32 is B, G, R, X in memory).
cv::Mat ToBgr(const QImage &image)
{
    const QImage rgb32 = image.convertToFormat(QImage::Format_RGB32);
    const cv::Mat wrapped(rgb32.height(), rgb32.width(), CV_8UC4, const_cast<uchar *>(rgb32.constBits()),
                          size_t(rgb32.bytesPerLine()));
    cv::Mat bgr;
    cv::cvtColor(wrapped, bgr, cv::COLOR_BGRA2BGR);
    return bgr;
}

QImage FromBgr(const cv::Mat &bgr)
{
    QImage image(bgr.cols, bgr.rows, QImage::Format_RGB32);
    cv::Mat wrapped(image.height(), image.width(), CV_8UC4, image.bits(), size_t(image.bytesPerLine()));
    cv::cvtColor(bgr, wrapped, cv::COLOR_BGR2BGRA);
    return image;
}

// Pixel-centre coordinates, in units of the half diagonal from the middle:
// a row of x and a column of y.
void CentredRamps(cv::Size size, cv::Mat *xs, cv::Mat *ys)
{
    const double half = std::hypot(size.width, size.height) / 2;
    *xs = cv::Mat(1, size.width, CV_32F);
    *ys = cv::Mat(size.height, 1, CV_32F);
    std::iota(xs->begin<float>(), xs->end<float>(), float(0.5 - size.width / 2.0));
    std::iota(ys->begin<float>(), ys->end<float>(), float(0.5 - size.height / 2.0));
    *xs /= half;
    *ys /= half;
}

cv::Mat Grey3(const cv::Mat &single)
{
    cv::Mat three;
    cv::merge(std::vector<cv::Mat>{single, single, single}, three);
    return three;
}

// A dashboard in medium tones: a gradient of light across it, blotches and
// a fine grain of its plastic, slightly warm.
cv::Mat Dashboard(cv::Size size, cv::RNG &rng)
{
    cv::Mat xs, ys;
    CentredRamps(size, &xs, &ys);
    const double direction = rng.uniform(0.0, 2 * std::numbers::pi);
    const double low = rng.uniform(75.0, 95.0), high = rng.uniform(120.0, 145.0);
    cv::Mat tone = cv::repeat(xs * std::cos(direction), size.height, 1) + cv::repeat(ys * std::sin(direction), 1, size.width);
    tone = (tone + 1.0) * ((high - low) / 2) + low;

    cv::Mat blotches(size.height / 48 + 2, size.width / 48 + 2, CV_32F);
    rng.fill(blotches, cv::RNG::NORMAL, 0.0, 8.0);
    cv::resize(blotches, blotches, size, 0, 0, cv::INTER_CUBIC);
    cv::Mat grain(size.height / 3 + 1, size.width / 3 + 1, CV_32F);
    rng.fill(grain, cv::RNG::NORMAL, 0.0, 5.0);
    cv::resize(grain, grain, size, 0, 0, cv::INTER_LINEAR);
    tone += blotches + grain;

    cv::Mat dashboard;
    cv::merge(std::vector<cv::Mat>{tone * 0.9, tone * 0.96, tone}, dashboard);
    cv::min(cv::max(dashboard, 70.0), 150.0, dashboard);
    return dashboard;
}

// The monitor's face: the screen as the LCD shows the picture, in its dark
// frame, in the screen's own pixels (a panel's, when it stretches the
// picture over more of them).
cv::Mat MonitorFace(const QImage &monitor, const Panel &panel, int frame)
{
    cv::Mat face(panel.rows + 2 * frame, panel.columns + 2 * frame, CV_32FC3, cv::Scalar::all(kFrameTone));
    cv::Mat screen;
    ToBgr(monitor.scaled(int(kMonitorWidth), int(kMonitorHeight))).convertTo(screen, CV_32FC3, kLcdGain, kLcdBlack);
    if (!panel.Native())
        cv::resize(screen, screen, cv::Size(panel.columns, panel.rows), 0, 0, cv::INTER_LINEAR);
    screen.copyTo(face(cv::Rect(frame, frame, screen.cols, screen.rows)));
    return face;
}

// A soft white reflection on the glass: an elliptical bump of this height.
void AddGlare(cv::Mat &photo, QPointF centre, double radius, double ratio, double angle, double height)
{
    const double reach = 3.5 * radius;
    const cv::Rect area = cv::Rect(int(centre.x() - reach), int(centre.y() - reach), int(2 * reach) + 1, int(2 * reach) + 1)
        & cv::Rect(0, 0, photo.cols, photo.rows);
    if (area.empty())
        return;
    cv::Mat xs(1, area.width, CV_32F), ys(area.height, 1, CV_32F);
    std::iota(xs.begin<float>(), xs.end<float>(), float(area.x + 0.5 - centre.x()));
    std::iota(ys.begin<float>(), ys.end<float>(), float(area.y + 0.5 - centre.y()));
    const cv::Mat dx = cv::repeat(xs, area.height, 1), dy = cv::repeat(ys, 1, area.width);
    const double c = std::cos(angle), s = std::sin(angle);
    const cv::Mat along = (dx * c + dy * s) / radius, across = (dy * c - dx * s) / (radius * ratio);
    cv::Mat bump;
    cv::exp((along.mul(along) + across.mul(across)) * -0.5, bump);
    cv::Mat region = photo(area);
    region += Grey3(bump * height);
}

void AddBlurAndNoise(cv::Mat &photo, double sigma, double noise, cv::RNG &rng)
{
    cv::GaussianBlur(photo, photo, cv::Size(), sigma);
    cv::Mat grain(photo.size(), CV_32FC3);
    rng.fill(grain, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(noise));
    photo += grain;
}

QImage Develop(const cv::Mat &photo)
{
    cv::Mat bytes;
    photo.convertTo(bytes, CV_8UC3);
    return FromBgr(bytes);
}

// A number in [-1, 1) for a lattice point: the same point, the same number.
double Hash(std::int64_t x, std::int64_t y, std::uint64_t salt)
{
    std::uint64_t z = std::uint64_t(x) * 0x9E3779B97F4A7C15ull ^ (std::uint64_t(y) + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    z ^= salt;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return double(z >> 11) / double(1ull << 52) - 1.0;
}

// Smooth noise in [-1, 1): the lattice's numbers blended between points.
double ValueNoise(double x, double y, std::uint64_t salt)
{
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = std::int64_t(fx), iy = std::int64_t(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const double top = Hash(ix, iy, salt) * (1 - tx) + Hash(ix + 1, iy, salt) * tx;
    const double bottom = Hash(ix, iy + 1, salt) * (1 - tx) + Hash(ix + 1, iy + 1, salt) * tx;
    return top * (1 - ty) + bottom * ty;
}

double Smoothstep(double from, double to, double x)
{
    const double t = std::clamp((x - from) / (to - from), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// How much the camera's lens darkens a pixel of its picture (as the scene's
// painter does it: nothing within 156 pixels of the middle, 35 % at 260).
double CameraVignette(QPointF at)
{
    const double d = std::hypot(at.x() - kMonitorWidth / 2, at.y() - kMonitorHeight / 2) / 260.0;
    return 1.0 - 90.0 / 255.0 * std::clamp((d - 0.6) / 0.4, 0.0, 1.0);
}

// The ground of the camera picture as another surface: the monitor's pixels
// that show the scene's asphalt are painted over in the ground's own metres
// (so grain, joints and puddles shrink with distance); the rest (tape,
// paint, kerb, grass, bumper, the module's own drawing) stays as it is.
QImage Reground(const QImage &monitor, const CameraScene &scene, PhotoCondition condition, std::uint32_t seed)
{
    cv::RNG rng = Generator(seed, kGroundUse);
    const bool wet = condition == PhotoCondition::Wet;
    double base = 0, grain = 0, blotch = 0, joint = 0, jointDepth = 0;
    std::array<double, 3> tint{1.0, 1.0, 1.0}; // red, green, blue
    switch (condition) {
    case PhotoCondition::Concrete:
        base = rng.uniform(118.0, 138.0), grain = 7, blotch = 7, joint = rng.uniform(2.5, 4.0), jointDepth = 40;
        tint = {1.0, 1.0, 0.97};
        break;
    case PhotoCondition::SunlitConcrete:
        // Close to the grid's grey (70 % of white, 178): 20 to 40 below it.
        base = rng.uniform(138.0, 158.0), grain = 6, blotch = 6, joint = rng.uniform(2.5, 4.0), jointDepth = 45;
        tint = {1.03, 1.0, 0.93};
        break;
    default: // wet asphalt
        base = rng.uniform(42.0, 58.0), grain = 5, blotch = 5;
        tint = {0.97, 1.0, 1.05};
        break;
    }
    const std::uint64_t salt = (std::uint64_t(rng.next()) << 32) | rng.next();
    const double jointX = rng.uniform(0.0, 1.0), jointY = rng.uniform(0.0, 1.0);
    // Wet: the lights behind the car are streaks down the picture, the sky
    // lies in the puddles.
    struct Streak {
        double x, width, height, top;
    };
    std::vector<Streak> streaks;
    const double horizon = scene.HorizonRow();
    if (wet) {
        const int count = rng.uniform(2, 6);
        for (int i = 0; i < count; ++i)
            streaks.push_back({rng.uniform(0.0, kMonitorWidth), rng.uniform(4.0, 16.0), rng.uniform(60.0, 130.0),
                               rng.uniform(std::max(0.0, horizon), kMonitorHeight * 0.6)});
    }
    const double puddles = wet ? rng.uniform(60.0, 110.0) : 0.0;

    const QImage camera = ScenePainter::Paint(scene).convertToFormat(QImage::Format_RGB32);
    const QImage in = monitor.convertToFormat(QImage::Format_RGB32);
    QImage out = in.copy();
    bool invertible = false;
    const QTransform toGround = scene.GroundToPicture().inverted(&invertible);
    if (!invertible || camera.size() != in.size())
        return out;
    const auto bumper = scene.Project(0, 0, CameraScene::kBumperTopM);
    const double lowest = bumper ? bumper->y() - 1.5 : kMonitorHeight;
    for (int y = 0; y < in.height(); ++y) {
        if (y + 0.5 <= horizon + 2 || y + 0.5 >= lowest)
            continue;
        const auto *shown = reinterpret_cast<const QRgb *>(in.constScanLine(y));
        const auto *under = reinterpret_cast<const QRgb *>(camera.constScanLine(y));
        auto *painted = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < in.width(); ++x) {
            const QRgb c = under[x];
            if (shown[x] != c)
                continue; // the module draws here
            // The painter's haze over the far ground and its lens's
            // vignette taken off again, to see whether this is asphalt.
            const QPointF at(x + 0.5, y + 0.5);
            const double shade = CameraVignette(at);
            const double haze = 150.0 / 255.0 * std::clamp(1.0 - (at.y() - horizon) / 120.0, 0.0, 1.0);
            const auto clear = [&](int value, double hazeValue) {
                return (value / shade - hazeValue * haze) / std::max(0.05, 1.0 - haze);
            };
            const double r = clear(qRed(c), 200), g = clear(qGreen(c), 210), b = clear(qBlue(c), 220);
            if (haze > 0.5 || std::abs(g - r) > 3 || b - r < -1 || b - r > 8 || r < 20 || r > 125)
                continue; // not asphalt
            const QPointF ground = toGround.map(at);
            const double footprint = std::max(QLineF(ground, toGround.map(at + QPointF(1, 0))).length(),
                                              QLineF(ground, toGround.map(at + QPointF(0, 1))).length());
            const double gx = ground.x(), gy = ground.y();
            double v = base + grain * Hash(std::int64_t(std::floor(gx / 0.02)), std::int64_t(std::floor(gy / 0.02)), salt)
                    * std::min(1.0, 0.02 / footprint)
                + blotch * ValueNoise(gx / 0.5, gy / 0.5, salt + 1)
                + 0.5 * blotch * ValueNoise(gx / 0.13, gy / 0.13, salt + 2) * std::min(1.0, 0.13 / footprint);
            if (joint > 0) {
                const auto off = [joint](double t, double phase) {
                    const double u = t / joint + phase;
                    return std::abs(u - std::round(u)) * joint;
                };
                const double d = std::min(off(gx, jointX), off(gy, jointY));
                const double w = 0.012, seen = std::hypot(w, 0.5 * footprint);
                v -= jointDepth * std::exp(-0.5 * (d / seen) * (d / seen)) * w / seen;
            }
            if (wet) {
                v += puddles * Smoothstep(0.15, 0.45, ValueNoise(gx / 1.2, gy / 1.2, salt + 3));
                for (const Streak &s : streaks) {
                    const double across = (at.x() - s.x) / s.width;
                    v += s.height * std::exp(-0.5 * across * across) * Smoothstep(s.top, s.top + 40, at.y());
                }
            }
            const auto paint = [&](double tone, double hazeValue) {
                return std::clamp(int(std::lround(shade * (tone * (1 - haze) + hazeValue * haze))), 0, 255);
            };
            painted[x] = qRgb(paint(v * tint[0], 200), paint(v * tint[1], 210), paint(v * tint[2], 220));
        }
    }
    return out;
}

// Light chrome trims round the monitor's frame and slatted air vents beside
// it, on the dashboard's plane: a colour layer (premultiplied) and its
// coverage, at ppm pixels per mm, its pixel (0, 0) at (left, top) mm.
struct Surround {
    cv::Mat colour; // CV_32FC3
    cv::Mat cover;  // CV_32F
    double ppm = 3.0;
    double left = 0, top = 0;
};

Surround Surroundings(const PhotoPose &pose, PhotoCondition condition, cv::RNG &rng)
{
    Surround s;
    const double reach = 110.0;
    const double hw = pose.screenWidthMm / 2 + kFrameMm, hh = pose.screenHeightMm / 2 + kFrameMm;
    s.left = -hw - reach;
    s.top = -hh - reach;
    const cv::Size size(int(2 * (hw + reach) * s.ppm), int(2 * (hh + reach) * s.ppm));
    s.colour = cv::Mat(size, CV_32FC3, cv::Scalar::all(0));
    s.cover = cv::Mat(size, CV_32F, cv::Scalar(0));
    const auto fill = [&](double x0, double y0, double x1, double y1, double tone) {
        const cv::Point a(int(std::lround((x0 - s.left) * s.ppm)), int(std::lround((y0 - s.top) * s.ppm)));
        const cv::Point b(int(std::lround((x1 - s.left) * s.ppm)) - 1, int(std::lround((y1 - s.top) * s.ppm)) - 1);
        cv::rectangle(s.colour, a, b, cv::Scalar(tone * 0.97, tone * 0.99, tone), cv::FILLED);
        cv::rectangle(s.cover, a, b, cv::Scalar(1.0), cv::FILLED);
    };
    if (condition == PhotoCondition::Trim) {
        // One or two bright strips: a ring, or only above and below, or only beside.
        const int rings = rng.uniform(0.0, 1.0) < 0.3 ? 2 : 1;
        double gap = rng.uniform(1.0, 8.0);
        for (int ring = 0; ring < rings; ++ring) {
            const double width = rng.uniform(1.5, 4.5), tone = rng.uniform(185.0, 235.0);
            const int which = rng.uniform(0, 3); // 0 ring, 1 above and below, 2 beside
            const double x0 = -hw - gap - width, x1 = hw + gap + width;
            const double y0 = -hh - gap - width, y1 = hh + gap + width;
            if (which != 2) {
                fill(x0, y0, x1, y0 + width, tone);
                fill(x0, y1 - width, x1, y1, tone);
            }
            if (which != 1) {
                fill(x0, y0, x0 + width, y1, tone);
                fill(x1 - width, y0, x1, y1, tone);
            }
            gap += width + rng.uniform(4.0, 15.0);
        }
    } else {
        // One or two vents beside the monitor (or above it), slats across or down.
        const int vents = rng.uniform(1, 3);
        for (int vent = 0; vent < vents; ++vent) {
            const double w = rng.uniform(40.0, 70.0), h = rng.uniform(35.0, 65.0), gap = rng.uniform(8.0, 25.0);
            const int side = vents == 2 ? vent : rng.uniform(0, 3); // 0 left, 1 right, 2 above
            double x0 = 0, y0 = 0;
            if (side == 2) {
                x0 = rng.uniform(-hw, hw - w);
                y0 = -hh - gap - h;
            } else {
                x0 = side == 0 ? -hw - gap - w : hw + gap;
                y0 = rng.uniform(-h / 2 - 20, -h / 2 + 20);
            }
            fill(x0, y0, x0 + w, y0 + h, rng.uniform(20.0, 40.0));
            const double period = rng.uniform(4.0, 9.0), share = rng.uniform(0.35, 0.6), tone = rng.uniform(140.0, 210.0);
            const bool across = rng.uniform(0.0, 1.0) < 0.6;
            const double border = 2.5;
            for (double t = border; t + period * share < (across ? h : w) - border; t += period) {
                if (across)
                    fill(x0 + border, y0 + t, x0 + w - border, y0 + t + period * share, tone);
                else
                    fill(x0 + t, y0 + border, x0 + t + period * share, y0 + h - border, tone);
            }
        }
    }
    return s;
}

// A reflection of a window on the glass: a soft-edged band of light.
void AddBand(cv::Mat &photo, const cv::Mat &glass, QPointF through, double angle, double halfWidth, double height)
{
    cv::Mat xs, ys;
    xs = cv::Mat(1, photo.cols, CV_32F);
    ys = cv::Mat(photo.rows, 1, CV_32F);
    std::iota(xs.begin<float>(), xs.end<float>(), float(0.5 - through.x()));
    std::iota(ys.begin<float>(), ys.end<float>(), float(0.5 - through.y()));
    const cv::Mat d = (cv::repeat(xs, photo.rows, 1) * -std::sin(angle) + cv::repeat(ys, 1, photo.cols) * std::cos(angle))
        / halfWidth;
    cv::Mat d2 = d.mul(d), d8;
    d8 = d2.mul(d2);
    d8 = d8.mul(d8);
    cv::Mat band = 1.0 / (1.0 + d8);
    photo += Grey3(band.mul(glass) * height);
}

// A normalised blur kernel: a disc of this radius (defocus), or a streak of
// this length and direction (a shaken phone).
cv::Mat DiscKernel(double radius)
{
    const int half = int(std::ceil(radius)) + 1;
    cv::Mat kernel(2 * half + 1, 2 * half + 1, CV_32F);
    for (int y = -half; y <= half; ++y)
        for (int x = -half; x <= half; ++x)
            kernel.at<float>(y + half, x + half) = float(std::clamp(radius + 0.5 - std::hypot(x, y), 0.0, 1.0));
    return kernel / cv::sum(kernel)[0];
}

cv::Mat StreakKernel(double length, double angle)
{
    const int half = int(std::ceil(length / 2)) + 1;
    cv::Mat kernel(2 * half + 1, 2 * half + 1, CV_32F, cv::Scalar(0));
    const double c = std::cos(angle), s = std::sin(angle);
    for (double t = -length / 2; t <= length / 2; t += 0.1) {
        const double x = half + t * c, y = half + t * s;
        const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
        const double fx = x - x0, fy = y - y0;
        kernel.at<float>(y0, x0) += float((1 - fx) * (1 - fy));
        kernel.at<float>(y0, x0 + 1) += float(fx * (1 - fy));
        kernel.at<float>(y0 + 1, x0) += float((1 - fx) * fy);
        kernel.at<float>(y0 + 1, x0 + 1) += float(fx * fy);
    }
    return kernel / cv::sum(kernel)[0];
}

// Photo positions (continuous pixels) before a turn to those after it, for
// a photo of this size turned by quarters clockwise.
QTransform TurnMap(int quarters, QSize size)
{
    const double w = size.width(), h = size.height();
    switch (quarters) {
    case 1:
        return QTransform(0, 1, -1, 0, h, 0);
    case 2:
        return QTransform(-1, 0, 0, -1, w, h);
    case 3:
        return QTransform(0, -1, 1, 0, 0, w);
    default:
        return QTransform();
    }
}

int QuartersOf(PhotoCondition condition)
{
    return condition == PhotoCondition::Turned90 ? 1
        : condition == PhotoCondition::Turned180 ? 2
        : condition == PhotoCondition::Turned270 ? 3
                                                  : 0;
}

QImage Turned(const QImage &picture, int quarters)
{
    if (quarters == 0)
        return picture;
    const cv::Mat bgr = ToBgr(picture);
    cv::Mat turned;
    cv::rotate(bgr, turned, quarters == 1 ? cv::ROTATE_90_CLOCKWISE
                            : quarters == 2 ? cv::ROTATE_180
                                            : cv::ROTATE_90_COUNTERCLOCKWISE);
    return FromBgr(turned);
}

// A close-up of a squared notebook page (5 mm squares of light blue ink, a
// red margin, a few strokes of writing), at an angle, lit unevenly; or its
// negative, pale lines on dark. No monitor: nothing in it is the grid.
QImage NotebookPhoto(QSize qsize, std::uint32_t seed)
{
    cv::RNG rng = Generator(seed, kNotebookUse);
    const PhotoPose pose = PhotoCamera::PoseFor(seed, qsize);
    QPolygonF from, to;
    for (const QPointF &mm : {QPointF(-50, -50), QPointF(50, -50), QPointF(50, 50), QPointF(-50, 50)}) {
        from << mm;
        to << pose.Project(mm);
    }
    QTransform planeToPhoto;
    QTransform::quadToQuad(from, to, planeToPhoto);
    bool invertible = false;
    const QTransform photoToPlane = planeToPhoto.inverted(&invertible);
    // Page millimetres per millimetre of the screen's plane: the photo spans
    // some 90 to 180 mm of the page.
    const double closer = rng.uniform(0.4, 0.8);
    const double offsetX = rng.uniform(0.0, 5.0), offsetY = rng.uniform(0.0, 5.0);
    const double square = 5.0, ink = 0.13;
    const double margin = rng.uniform(-60.0, 60.0);
    const cv::Vec3f paper(float(rng.uniform(225.0, 240.0)), float(rng.uniform(230.0, 242.0)), float(rng.uniform(232.0, 245.0)));
    const cv::Vec3f lineInk(float(rng.uniform(200.0, 225.0)), float(rng.uniform(160.0, 190.0)), float(rng.uniform(120.0, 160.0)));
    const cv::Vec3f marginInk(80, 90, 200);
    const double strength = rng.uniform(0.45, 0.8);

    const cv::Size size(qsize.width(), qsize.height());
    cv::Mat photo(size, CV_32FC3);
    for (int y = 0; y < size.height; ++y) {
        auto *row = photo.ptr<cv::Vec3f>(y);
        for (int x = 0; x < size.width; ++x) {
            const QPointF at(x + 0.5, y + 0.5);
            const QPointF p = invertible ? photoToPlane.map(at) * closer : at;
            const QPointF px = invertible ? photoToPlane.map(at + QPointF(1, 0)) * closer : at;
            const QPointF py = invertible ? photoToPlane.map(at + QPointF(0, 1)) * closer : at;
            const double footprint = std::max(QLineF(p, px).length(), QLineF(p, py).length());
            const double seen = std::hypot(ink, 0.5 * footprint);
            const auto line = [&](double t, double phase) {
                const double u = (t + phase) / square;
                const double d = std::abs(u - std::round(u)) * square / seen;
                return std::exp(-0.5 * d * d) * ink / seen;
            };
            const double cover = std::min(1.0, strength * std::max(line(p.x(), offsetX), line(p.y(), offsetY)));
            cv::Vec3f pixel = paper * float(1 - cover) + lineInk * float(cover);
            const double m = std::abs(p.x() - margin) / std::hypot(0.25, 0.5 * footprint);
            const double red = std::min(1.0, 0.8 * std::exp(-0.5 * m * m) * 0.25 / std::hypot(0.25, 0.5 * footprint));
            row[x] = pixel * float(1 - red) + marginInk * float(red);
        }
    }
    // A few strokes of writing in blue ballpoint.
    const int strokes = rng.uniform(0, 6);
    for (int i = 0; i < strokes; ++i) {
        std::vector<cv::Point> path;
        cv::Point2d at(rng.uniform(0.0, double(size.width)), rng.uniform(0.0, double(size.height)));
        for (int k = 0; k < 12; ++k) {
            path.emplace_back(int(at.x), int(at.y));
            at += cv::Point2d(rng.uniform(5.0, 30.0), rng.uniform(-20.0, 20.0));
        }
        cv::polylines(photo, path, false, cv::Scalar(150, 70, 40), std::max(1, size.width / 600), cv::LINE_AA);
    }
    // Light: a falloff to the corners, a gradient, the phone's soft shadow.
    cv::Mat xs, ys;
    CentredRamps(size, &xs, &ys);
    const cv::Mat x = cv::repeat(xs, size.height, 1), y = cv::repeat(ys, 1, size.width);
    const double corner = rng.uniform(0.6, 0.85), slope = rng.uniform(0.05, 0.2), from2 = rng.uniform(0.0, 2 * std::numbers::pi);
    cv::Mat light = (1.0 - (x.mul(x) + y.mul(y)) * (1.0 - corner)).mul(1.0 + (x * std::cos(from2) + y * std::sin(from2)) * slope);
    const double sx = rng.uniform(-0.6, 0.6), sy = rng.uniform(-0.6, 0.6), sr = rng.uniform(0.2, 0.5);
    cv::Mat shadow;
    cv::exp(((x - sx).mul(x - sx) + (y - sy).mul(y - sy)) * (-0.5 / (sr * sr)), shadow);
    light = light.mul(1.0 - shadow * rng.uniform(0.1, 0.35));
    photo = photo.mul(Grey3(light));
    if (rng.uniform(0.0, 1.0) < 0.5)
        photo = cv::Scalar::all(255) - photo; // the negative
    AddBlurAndNoise(photo, rng.uniform(0.6, 1.8) * size.width / kReferenceWidth, rng.uniform(3.0, 8.0), rng);
    return Develop(photo);
}

QImage PhonePhoto(const QImage &monitor, QSize qsize, const QTransform &monitorToPhoto, const PhotoPose &pose,
                  std::uint32_t seed, PhotoCondition condition)
{
    cv::RNG rng = Generator(seed, kEffectsUse);
    cv::RNG extra = Generator(seed, kExtraUse); // what the condition adds
    const cv::Size size(qsize.width(), qsize.height());
    cv::Mat photo = Dashboard(size, rng);

    // Trims and vents on the dashboard's plane round the monitor.
    if (condition == PhotoCondition::Trim || condition == PhotoCondition::Vents) {
        const Surround s = Surroundings(pose, condition, extra);
        QPolygonF from, to;
        for (const QPointF &mm : {QPointF(-50, -50), QPointF(50, -50), QPointF(50, 50), QPointF(-50, 50)}) {
            from << mm;
            to << pose.Project(mm);
        }
        QTransform mmToPhoto;
        QTransform::quadToQuad(from, to, mmToPhoto);
        const QTransform layerToPhoto = QTransform::fromTranslate(0.5, 0.5) * QTransform::fromScale(1 / s.ppm, 1 / s.ppm)
            * QTransform::fromTranslate(s.left, s.top) * mmToPhoto * QTransform::fromTranslate(-0.5, -0.5);
        cv::Mat colour, cover;
        cv::warpPerspective(s.colour, colour, ToCv(layerToPhoto), size, cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                            cv::Scalar::all(0));
        cv::warpPerspective(s.cover, cover, ToCv(layerToPhoto), size, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(0));
        photo = colour + photo.mul(Grey3(1.0 - cover));
    }

    // The face warped into the photo; its coverage blends the frame's edge
    // into the dashboard. OpenCV's pixel centres lie at whole numbers.
    const Panel panel = PanelOf(condition);
    int frame = PhotoCamera::kFramePixels;
    QTransform faceToMonitor = QTransform::fromTranslate(0.5 - frame, 0.5 - frame);
    if (!panel.Native()) {
        frame = int(std::lround(kFrameMm * panel.columns / panel.widthMm));
        faceToMonitor = QTransform::fromTranslate(0.5 - frame, 0.5 - frame)
            * QTransform::fromScale(kMonitorWidth / panel.columns, kMonitorHeight / panel.rows);
    }
    const QTransform faceToPhoto = faceToMonitor * monitorToPhoto * QTransform::fromTranslate(-0.5, -0.5);
    const cv::Mat face = MonitorFace(monitor, panel, frame);
    cv::Mat seen, cover;
    cv::warpPerspective(face, seen, ToCv(faceToPhoto), size, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar::all(0));
    cv::warpPerspective(cv::Mat(face.size(), CV_32F, cv::Scalar(1.0)), cover, ToCv(faceToPhoto), size, cv::INTER_LINEAR,
                        cv::BORDER_CONSTANT, cv::Scalar(0.0));
    photo = seen + photo.mul(Grey3(1.0 - cover));

    const int glares = rng.uniform(1, 3);
    const double screenWidth = QLineF(monitorToPhoto.map(QPointF(0, kMonitorHeight / 2)),
                                      monitorToPhoto.map(QPointF(kMonitorWidth, kMonitorHeight / 2)))
                                   .length();
    for (int i = 0; i < glares; ++i) {
        const QPointF at = monitorToPhoto.map(
            QPointF(rng.uniform(0.1, 0.9) * kMonitorWidth, rng.uniform(0.1, 0.9) * kMonitorHeight));
        const double radius = rng.uniform(0.06, 0.2) * screenWidth;
        const double ratio = rng.uniform(0.35, 1.0);
        const double angle = rng.uniform(0.0, std::numbers::pi);
        AddGlare(photo, at, radius, ratio, angle, rng.uniform(30.0, 80.0));
    }
    if (condition == PhotoCondition::Glare) {
        // Big bright spots that wash out part of the screen, and often a
        // window's reflection across the glass.
        const int more = extra.uniform(2, 5);
        for (int i = 0; i < more; ++i) {
            const QPointF at = monitorToPhoto.map(
                QPointF(extra.uniform(0.05, 0.95) * kMonitorWidth, extra.uniform(0.05, 0.95) * kMonitorHeight));
            const double radius = extra.uniform(0.08, 0.25) * screenWidth;
            const double ratio = extra.uniform(0.3, 1.0);
            const double angle = extra.uniform(0.0, std::numbers::pi);
            AddGlare(photo, at, radius, ratio, angle, extra.uniform(100.0, 220.0));
        }
        if (extra.uniform(0.0, 1.0) < 0.7) {
            const QPointF through = monitorToPhoto.map(
                QPointF(extra.uniform(0.2, 0.8) * kMonitorWidth, extra.uniform(0.2, 0.8) * kMonitorHeight));
            AddBand(photo, cover, through, extra.uniform(0.0, std::numbers::pi), extra.uniform(0.04, 0.12) * screenWidth,
                    extra.uniform(50.0, 110.0));
        }
    }

    // Light: the lens darkens towards the corners, the cabin's light falls
    // in from one side.
    const double corner = rng.uniform(0.6, 0.8);
    const double slope = rng.uniform(0.03, 0.12), from = rng.uniform(0.0, 2 * std::numbers::pi);
    cv::Mat xs, ys;
    CentredRamps(size, &xs, &ys);
    const cv::Mat x = cv::repeat(xs, size.height, 1), y = cv::repeat(ys, 1, size.width);
    const cv::Mat falloff = 1.0 - (x.mul(x) + y.mul(y)) * (1.0 - corner);
    const cv::Mat gradient = 1.0 + (x * std::cos(from) + y * std::sin(from)) * slope;
    photo = photo.mul(Grey3(falloff.mul(gradient)));

    // A colour cast: the camera balanced its white for other light.
    double noiseGain = 1.0;
    if (condition == PhotoCondition::Sodium) {
        cv::multiply(photo, cv::Scalar(extra.uniform(0.22, 0.35), extra.uniform(0.58, 0.7), extra.uniform(0.95, 1.05)), photo);
        noiseGain = 1.6; // a dim street light: the sensor's gain is up
    } else if (condition == PhotoCondition::Warm) {
        cv::multiply(photo, cv::Scalar(extra.uniform(0.62, 0.75), extra.uniform(0.84, 0.92), 1.0), photo);
    }

    const double blur = rng.uniform(0.6, 1.8) * size.width / kReferenceWidth;
    const double noise = rng.uniform(3.0, 8.0) * noiseGain;
    cv::GaussianBlur(photo, photo, cv::Size(), blur);
    if (condition == PhotoCondition::Defocus)
        cv::filter2D(photo, photo, -1, DiscKernel(extra.uniform(2.5, 7.0) * size.width / kReferenceWidth));
    else if (condition == PhotoCondition::Motion)
        cv::filter2D(photo, photo, -1,
                     StreakKernel(extra.uniform(8.0, 25.0) * size.width / kReferenceWidth, extra.uniform(0.0, std::numbers::pi)));
    cv::Mat grain(photo.size(), CV_32FC3);
    rng.fill(grain, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(noise));
    photo += grain;
    return Develop(photo);
}

QImage GrabberFrame(const QImage &monitor, std::uint32_t seed)
{
    cv::RNG rng = Generator(seed, 0x6AB5);
    cv::Mat frame;
    cv::resize(ToBgr(monitor), frame, cv::Size(PhotoCamera::kGrabberWidth, PhotoCamera::kGrabberHeight), 0, 0,
               cv::INTER_LINEAR);
    frame.convertTo(frame, CV_32FC3);
    AddBlurAndNoise(frame, rng.uniform(0.4, 0.8), rng.uniform(1.5, 3.0), rng);
    return Develop(frame);
}

QJsonArray Point(QPointF p) { return QJsonArray{p.x(), p.y()}; }

QJsonArray Points(const std::array<QPointF, 4> &points)
{
    QJsonArray array;
    for (const QPointF &p : points)
        array.append(Point(p));
    return array;
}

} // namespace

QPointF PhotoPose::Project(QPointF mm) const
{
    const auto &r = rotation;
    const double x = r[0][0] * mm.x() + r[0][1] * mm.y() + translation[0];
    const double y = r[1][0] * mm.x() + r[1][1] * mm.y() + translation[1];
    const double z = r[2][0] * mm.x() + r[2][1] * mm.y() + translation[2];
    return principal + QPointF(focal * x / z, focal * y / z);
}

std::array<QPointF, 4> PhotoPose::FrameCorners() const
{
    const double w = screenWidthMm / 2 + PhotoCamera::kFramePixels * kMmPerPixel;
    const double h = screenHeightMm / 2 + PhotoCamera::kFramePixels * kMmPerPixel;
    return {Project({-w, -h}), Project({w, -h}), Project({w, h}), Project({-w, h})};
}

PhotoPose PhotoCamera::PoseFor(std::uint32_t seed, QSize size, PhotoCondition condition)
{
    cv::RNG rng = Generator(seed, kPoseUse);
    const double width = size.width(), height = size.height();
    PhotoPose pose;
    const Panel panel = PanelOf(condition);
    pose.screenWidthMm = panel.widthMm;
    pose.screenHeightMm = panel.heightMm;
    pose.focal = kFocalPerSide * std::max(width, height);
    pose.principal = QPointF(width / 2, height / 2);

    // Tilted by up to the largest angle about an axis in the screen's plane,
    // then turned about the line of sight.
    const double tilt = Radians(rng.uniform(0.0, kMaxTiltDeg));
    const double axis = rng.uniform(0.0, 2 * std::numbers::pi);
    pose.rollDeg = rng.uniform(-kMaxRollDeg, kMaxRollDeg);
    pose.rotation = Multiply(AxisRotation(0, 0, 1, Radians(pose.rollDeg)),
                             AxisRotation(std::cos(axis), std::sin(axis), 0, tilt));
    double fill = rng.uniform(kMinFill, kMaxFill);
    if (condition == PhotoCondition::SmallMonitor)
        fill = kSmallMinFill + (fill - kMinFill) / (kMaxFill - kMinFill) * (kSmallMaxFill - kSmallMinFill);
    const double placeX = rng.uniform(0.0, 1.0), placeY = rng.uniform(0.0, 1.0);

    // Distance for the wanted width (no taller than the photo allows), then
    // the offset that puts the frame where the seed says; a few rounds, as
    // each changes the other a little.
    const double frameWidthMm = panel.widthMm + 2 * kFramePixels * kMmPerPixel;
    pose.translation = {0, 0, pose.focal * frameWidthMm / (fill * width)};
    const double margin = 0.02 * std::min(width, height);
    for (int round = 0; round < 8; ++round) {
        QRectF box = Bounds(pose.FrameCorners());
        const double wanted = std::min(fill * width, box.width() * (height - 2 * margin) / box.height());
        pose.translation[2] *= box.width() / wanted;
        box = Bounds(pose.FrameCorners());
        const double cx = margin + box.width() / 2 + placeX * std::max(0.0, width - 2 * margin - box.width());
        const double cy = margin + box.height() / 2 + placeY * std::max(0.0, height - 2 * margin - box.height());
        pose.translation[0] += (cx - box.center().x()) * pose.translation[2] / pose.focal;
        pose.translation[1] += (cy - box.center().y()) * pose.translation[2] / pose.focal;
    }
    return pose;
}

PhotoCondition PhotoCamera::ConditionFor(std::uint32_t seed)
{
    cv::RNG rng = Generator(seed, kConditionUse);
    return PhotoCondition(rng.uniform(0, kPhotoConditionCount));
}

Photo PhotoCamera::Take(const QImage &monitor, const ModuleSettings &settings, const CameraScene &scene,
                        const PhotoOptions &options)
{
    Photo photo;
    photo.options = options;
    const std::array<QPointF, 4> corners{QPointF(0, 0), QPointF(kMonitorWidth, 0),
                                         QPointF(kMonitorWidth, kMonitorHeight), QPointF(0, kMonitorHeight)};
    switch (options.kind) {
    case PhotoKind::Plain:
        photo.picture = monitor.convertToFormat(QImage::Format_RGB32);
        break;
    case PhotoKind::Grabber:
        photo.monitorToPhoto = QTransform::fromScale(kGrabberWidth / kMonitorWidth, kGrabberHeight / kMonitorHeight);
        photo.picture = GrabberFrame(monitor, options.seed);
        break;
    case PhotoKind::Phone: {
        const PhotoCondition condition =
            options.condition == PhotoCondition::BySeed ? ConditionFor(options.seed) : options.condition;
        photo.condition = condition;
        if (condition == PhotoCondition::Notebook) {
            photo.showsGrid = false;
            photo.picture = NotebookPhoto(options.size, options.seed);
            return photo;
        }
        const PhotoPose pose = PoseFor(options.seed, options.size, condition);
        QPolygonF from, to;
        for (const QPointF &c : corners) {
            from << c;
            to << pose.Project(MonitorToMm(c, pose));
        }
        QTransform::quadToQuad(from, to, photo.monitorToPhoto);
        const bool ground = condition == PhotoCondition::Concrete || condition == PhotoCondition::SunlitConcrete
            || condition == PhotoCondition::Wet;
        photo.picture = PhonePhoto(ground ? Reground(monitor, scene, condition, options.seed) : monitor, options.size,
                                   photo.monitorToPhoto, pose, options.seed, condition);
        if (const int quarters = QuartersOf(condition)) {
            photo.monitorToPhoto *= TurnMap(quarters, options.size);
            photo.picture = Turned(photo.picture, quarters);
        }
        break;
    }
    }

    for (int i = 0; i < 4; ++i)
        photo.screen[std::size_t(i)] = photo.monitorToPhoto.map(corners[std::size_t(i)]);
    const OverlayPlacement placement(settings, scene.Setup().monitorMirrors);
    const QPointF gridCorners[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    for (int i = 0; i < 4; ++i)
        photo.grid[std::size_t(i)] = photo.monitorToPhoto.map(placement.GridToMonitor(gridCorners[i]));

    constexpr double kSame = 0.01;
    for (const SceneMark &mark : scene.Marks()) {
        const QPointF grid = placement.MonitorToGrid(mark.picture);
        if (grid.x() < 0 || grid.x() > OverlayPlacement::kGridCells || grid.y() < 0 || grid.y() > OverlayPlacement::kGridCells)
            continue;
        const auto same = std::find_if(photo.marks.begin(), photo.marks.end(), [&](const PhotoMark &m) {
            return std::abs(m.grid.x() - grid.x()) <= kSame && std::abs(m.grid.y() - grid.y()) <= kSame;
        });
        if (same != photo.marks.end())
            same->slotNumbers.push_back(mark.slot);
        else
            photo.marks.push_back(PhotoMark{{mark.slot}, mark.name, grid, photo.monitorToPhoto.map(mark.picture)});
    }
    return photo;
}

QImage PhotoCamera::GridMonitor(const SceneSetup &setup)
{
    MonitorState state;
    state.settings.screen = kGridScreen;
    return MonitorRenderer(setup).Render(state);
}

QJsonObject Photo::ToJson() const
{
    static const char *const kinds[] = {"plain", "phone", "grabber"};
    const QTransform &h = monitorToPhoto;
    QJsonArray marksJson;
    for (const PhotoMark &mark : marks) {
        QJsonArray slotList;
        for (int slot : mark.slotNumbers)
            slotList.append(slot);
        marksJson.append(QJsonObject{{QStringLiteral("slots"), slotList},
                                     {QStringLiteral("name"), mark.name},
                                     {QStringLiteral("grid"), Point(mark.grid)},
                                     {QStringLiteral("picture"), Point(mark.picture)}});
    }
    const std::string_view condition = PhotoConditionName(this->condition);
    return QJsonObject{
        {QStringLiteral("seed"), qint64(options.seed)},
        {QStringLiteral("kind"), QLatin1String(kinds[int(options.kind)])},
        {QStringLiteral("condition"), QString::fromLatin1(condition.data(), qsizetype(condition.size()))},
        {QStringLiteral("showsGrid"), showsGrid},
        {QStringLiteral("width"), picture.width()},
        {QStringLiteral("height"), picture.height()},
        {QStringLiteral("grid"), showsGrid ? Points(grid) : QJsonArray()},
        {QStringLiteral("screen"), showsGrid ? Points(screen) : QJsonArray()},
        // Monitor picture positions to photo positions, row by row, for column vectors (x, y, 1).
        {QStringLiteral("homography"),
         showsGrid ? QJsonArray{h.m11(), h.m21(), h.m31(), h.m12(), h.m22(), h.m32(), h.m13(), h.m23(), h.m33()}
                   : QJsonArray()},
        {QStringLiteral("marks"), marksJson},
    };
}

} // namespace ModuleSim
