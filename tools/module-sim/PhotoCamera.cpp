#include "PhotoCamera.h"

#include "MonitorRenderer.h"
#include "OverlayPlacement.h"

#include <QJsonArray>
#include <QLineF>
#include <QPolygonF>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

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

// Monitor picture position (continuous pixels) to the screen's plane, mm.
QPointF MonitorToMm(QPointF monitor)
{
    return {(monitor.x() - kMonitorWidth / 2) * kMmPerPixel, (monitor.y() - kMonitorHeight / 2) * kMmPerPixel};
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
// frame, in the screen's own pixels.
cv::Mat MonitorFace(const QImage &monitor)
{
    const int frame = PhotoCamera::kFramePixels;
    cv::Mat face(int(kMonitorHeight) + 2 * frame, int(kMonitorWidth) + 2 * frame, CV_32FC3,
                 cv::Scalar::all(kFrameTone));
    cv::Mat screen;
    ToBgr(monitor.scaled(int(kMonitorWidth), int(kMonitorHeight))).convertTo(screen, CV_32FC3, kLcdGain, kLcdBlack);
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

QImage PhonePhoto(const QImage &monitor, QSize qsize, const QTransform &monitorToPhoto, std::uint32_t seed)
{
    cv::RNG rng = Generator(seed, 0x5EED);
    const cv::Size size(qsize.width(), qsize.height());
    cv::Mat photo = Dashboard(size, rng);

    // The face warped into the photo; its coverage blends the frame's edge
    // into the dashboard. OpenCV's pixel centres lie at whole numbers.
    const double frame = PhotoCamera::kFramePixels;
    const QTransform faceToPhoto = QTransform::fromTranslate(0.5 - frame, 0.5 - frame) * monitorToPhoto
        * QTransform::fromTranslate(-0.5, -0.5);
    const cv::Mat face = MonitorFace(monitor);
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

    const double blur = rng.uniform(0.6, 1.8) * size.width / kReferenceWidth;
    AddBlurAndNoise(photo, blur, rng.uniform(3.0, 8.0), rng);
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
    const double w = PhotoCamera::kScreenWidthMm / 2 + PhotoCamera::kFramePixels * kMmPerPixel;
    const double h = PhotoCamera::kScreenHeightMm / 2 + PhotoCamera::kFramePixels * kMmPerPixel;
    return {Project({-w, -h}), Project({w, -h}), Project({w, h}), Project({-w, h})};
}

PhotoPose PhotoCamera::PoseFor(std::uint32_t seed, QSize size)
{
    cv::RNG rng = Generator(seed, 0x9051);
    const double width = size.width(), height = size.height();
    PhotoPose pose;
    pose.focal = kFocalPerSide * std::max(width, height);
    pose.principal = QPointF(width / 2, height / 2);

    // Tilted by up to the largest angle about an axis in the screen's plane,
    // then turned about the line of sight.
    const double tilt = Radians(rng.uniform(0.0, kMaxTiltDeg));
    const double axis = rng.uniform(0.0, 2 * std::numbers::pi);
    pose.rollDeg = rng.uniform(-kMaxRollDeg, kMaxRollDeg);
    pose.rotation = Multiply(AxisRotation(0, 0, 1, Radians(pose.rollDeg)),
                             AxisRotation(std::cos(axis), std::sin(axis), 0, tilt));
    const double fill = rng.uniform(0.55, 0.82);
    const double placeX = rng.uniform(0.0, 1.0), placeY = rng.uniform(0.0, 1.0);

    // Distance for the wanted width (no taller than the photo allows), then
    // the offset that puts the frame where the seed says; a few rounds, as
    // each changes the other a little.
    const double frameWidthMm = kScreenWidthMm + 2 * kFramePixels * kMmPerPixel;
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
        const PhotoPose pose = PoseFor(options.seed, options.size);
        QPolygonF from, to;
        for (const QPointF &c : corners) {
            from << c;
            to << pose.Project(MonitorToMm(c));
        }
        QTransform::quadToQuad(from, to, photo.monitorToPhoto);
        photo.picture = PhonePhoto(monitor, options.size, photo.monitorToPhoto, options.seed);
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
    return QJsonObject{
        {QStringLiteral("seed"), qint64(options.seed)},
        {QStringLiteral("kind"), QLatin1String(kinds[int(options.kind)])},
        {QStringLiteral("width"), picture.width()},
        {QStringLiteral("height"), picture.height()},
        {QStringLiteral("grid"), Points(grid)},
        {QStringLiteral("screen"), Points(screen)},
        // Monitor picture positions to photo positions, row by row, for column vectors (x, y, 1).
        {QStringLiteral("homography"),
         QJsonArray{h.m11(), h.m21(), h.m31(), h.m12(), h.m22(), h.m32(), h.m13(), h.m23(), h.m33()}},
        {QStringLiteral("marks"), marksJson},
    };
}

} // namespace ModuleSim
