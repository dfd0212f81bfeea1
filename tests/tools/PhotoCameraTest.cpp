// Photos of the car monitor: the truth they come with is where the picture
// shows the grid and the marks, the seed decides them, and the simulator
// writes them from its command line.

#include "MonitorRenderer.h"
#include "OverlayPlacement.h"
#include "PhotoCamera.h"
#include "SimHarness.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

using namespace ModuleSim;

namespace {

// Largest value of a pixel near a point, as `value` sees its colour.
template <typename Value>
int LargestNear(const QImage &image, QPointF at, int reach, Value value)
{
    int best = -255;
    for (int y = int(at.y()) - reach; y <= int(at.y()) + reach; ++y)
        for (int x = int(at.x()) - reach; x <= int(at.x()) + reach; ++x)
            if (image.valid(x, y))
                best = std::max(best, value(image.pixel(x, y)));
    return best;
}

// The grid's grey is bright in every channel, the tape and the grass are not.
int GreyNear(const QImage &image, QPointF at, int reach)
{
    return LargestNear(image, at, reach, [](QRgb c) { return std::min({qRed(c), qGreen(c), qBlue(c)}); });
}

QImage GridMonitor(const ModuleSettings &settings)
{
    MonitorState state;
    state.settings = settings;
    state.settings.screen = kGridScreen;
    return MonitorRenderer().Render(state);
}

// The truth's grid and marks follow from its screen corners, the picture
// shows the grid's lines where the truth puts them, and every mark is on
// the scene's yellow or orange tape. linesShown: the share of the places
// along the lines that must stand out (a small monitor's lines are a pixel
// wide and blurred).
void ExpectTruthIsWhatThePictureShows(const Photo &photo, const ModuleSettings &settings, int linesShown = 70)
{
    // The truth's grid and marks follow from its screen corners.
    QTransform fromScreen;
    ASSERT_TRUE(QTransform::quadToQuad(QPolygonF{{0, 0}, {400, 0}, {400, 312}, {0, 312}},
                                       QPolygonF(QList<QPointF>(photo.screen.begin(), photo.screen.end())), fromScreen));
    const OverlayPlacement placement(settings, false);
    const auto expectAt = [&](QPointF grid, QPointF truth, const char *what) {
        const QPointF want = fromScreen.map(placement.GridToMonitor(grid));
        EXPECT_LT(QLineF(want, truth).length(), 0.01) << what << " at grid " << grid.x() << ", " << grid.y();
    };
    const QPointF corners[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    for (int i = 0; i < 4; ++i)
        expectAt(corners[i], photo.grid[std::size_t(i)], "grid corner");
    for (const PhotoMark &mark : photo.marks)
        expectAt(mark.grid, mark.picture, qPrintable(mark.name));

    // The picture shows the grid's grey lines, across and down, between
    // their crossings, and less of it a few monitor pixels aside.
    const double scale = QLineF(photo.screen[0], photo.screen[1]).length() / 400;
    const int reach = int(std::ceil(scale));
    int brighter = 0, samples = 0;
    for (int line = 1; line < 10; ++line) {
        for (int cell = 0; cell < 10; ++cell) {
            for (bool down : {true, false}) {
                const QPointF at = placement.GridToMonitor(down ? QPointF(line, cell + 0.5) : QPointF(cell + 0.5, line));
                const QPointF aside = at + (down ? QPointF(7, 0) : QPointF(0, 7));
                brighter += GreyNear(photo.picture, fromScreen.map(at), reach)
                    > GreyNear(photo.picture, fromScreen.map(aside), reach) + 20;
                ++samples;
            }
        }
    }
    EXPECT_GE(brighter, samples * linesShown / 100) << "of " << samples << " points on the grid's lines";

    // Every mark is on tape, and a spot marked for several slots is one mark.
    std::multiset<int> seen;
    for (const PhotoMark &mark : photo.marks) {
        // Yellow or orange, next to the grid's line that may cross it.
        const int yellow = LargestNear(photo.picture, mark.picture, reach, [](QRgb c) { return qRed(c) - qBlue(c); });
        EXPECT_GT(yellow, 60) << mark.name.toStdString();
        seen.insert(mark.slotNumbers.begin(), mark.slotNumbers.end());
    }
    for (int slot : seen)
        EXPECT_EQ(seen.count(slot), 1u) << "slot " << slot;
}

} // namespace

TEST(PhotoCamera, TruthIsWhereThePictureShowsTheGridAndTheMarks)
{
    ModuleSettings mirroredLow;
    mirroredLow.gridShiftX = 244;
    mirroredLow.gridShiftY = 60;
    mirroredLow.mirroring = 1;
    struct Case {
        PhotoOptions options;
        ModuleSettings settings;
    };
    const Case cases[] = {
        {{PhotoKind::Phone, 3, {1600, 1200}}, {}},
        {{PhotoKind::Phone, 12, {1600, 1200}}, mirroredLow},
        {{PhotoKind::Phone, 29, {1200, 1600}}, {}},
        {{PhotoKind::Grabber, 5}, mirroredLow},
    };
    const CameraScene scene;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "seed " << c.options.seed << " ATQ" << c.settings.mirroring);
        const Photo photo = PhotoCamera::Take(GridMonitor(c.settings), c.settings, scene, c.options);
        ASSERT_EQ(photo.picture.size(), c.options.kind == PhotoKind::Grabber ? QSize(720, 576) : c.options.size);

        ExpectTruthIsWhatThePictureShows(photo, c.settings);
        EXPECT_GE(photo.marks.size(), 12u);
        EXPECT_EQ(photo.marks.front().slotNumbers, (std::vector<int>{0, 3, 13}));
    }
}

// The conditions that move the grid in the photo (a small monitor, a panel
// that stretches the picture, a photo turned without EXIF, a frame round
// the monitor) keep the truth where the picture shows the grid; the
// notebook page has none to tell.
TEST(PhotoCamera, TruthFollowsTheConditionThatMovesTheGrid)
{
    const CameraScene scene;
    for (const PhotoCondition condition :
         {PhotoCondition::SmallMonitor, PhotoCondition::Panel800x480, PhotoCondition::Panel640x480,
          PhotoCondition::Turned90, PhotoCondition::Turned180, PhotoCondition::Turned270, PhotoCondition::Trim,
          PhotoCondition::Notebook}) {
        SCOPED_TRACE(std::string(PhotoConditionName(condition)));
        PhotoOptions options{PhotoKind::Phone, 8, {2000, 1500}};
        options.condition = condition;
        const Photo photo = PhotoCamera::Take(PhotoCamera::GridMonitor(), ModuleSettings{}, scene, options);
        EXPECT_EQ(photo.condition, condition);
        const bool quarter = condition == PhotoCondition::Turned90 || condition == PhotoCondition::Turned270;
        EXPECT_EQ(photo.picture.size(), quarter ? QSize(1500, 2000) : QSize(2000, 1500));
        if (condition == PhotoCondition::Notebook) {
            EXPECT_FALSE(photo.showsGrid);
            EXPECT_TRUE(photo.marks.empty());
            continue;
        }
        EXPECT_TRUE(photo.showsGrid);
        const bool small = condition == PhotoCondition::SmallMonitor;
        ExpectTruthIsWhatThePictureShows(photo, ModuleSettings{}, small ? 30 : 70);
        if (small) {
            const QRectF frame = QPolygonF(QList<QPointF>(photo.screen.begin(), photo.screen.end())).boundingRect();
            EXPECT_LE(frame.width() / 2000, PhotoCamera::kSmallMaxFill);
        }
    }
}

TEST(PhotoCamera, SeedDecidesPoseAndEffects)
{
    const QImage monitor = PhotoCamera::GridMonitor();
    const auto take = [&](PhotoKind kind, std::uint32_t seed) {
        return PhotoCamera::Take(monitor, ModuleSettings{}, CameraScene(), {kind, seed, {800, 600}});
    };
    for (PhotoKind kind : {PhotoKind::Phone, PhotoKind::Grabber}) {
        EXPECT_EQ(take(kind, 4).picture, take(kind, 4).picture);
        EXPECT_NE(take(kind, 4).picture, take(kind, 5).picture);
    }
    const Photo a = take(PhotoKind::Phone, 4), b = take(PhotoKind::Phone, 5);
    EXPECT_GT(QLineF(a.screen[0], b.screen[0]).length() + QLineF(a.screen[2], b.screen[2]).length(), 20);
}

TEST(PhotoCamera, PosesStayWithinTheirLimits)
{
    for (const QSize size : {QSize(2000, 1500), QSize(4000, 3000), QSize(800, 600)}) {
        double steepest = 0;
        for (std::uint32_t seed = 0; seed < 50; ++seed) {
            SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height() << " seed " << seed);
            const PhotoPose pose = PhotoCamera::PoseFor(seed, size);
            const double tilt = std::acos(pose.rotation[2][2]) * 180 / std::numbers::pi;
            EXPECT_LE(tilt, 30.0);
            steepest = std::max(steepest, tilt);
            double left = 1e9, right = -1e9;
            for (const QPointF &p : pose.FrameCorners()) {
                EXPECT_TRUE(QRectF(QPointF(0, 0), size).contains(p)) << p.x() << ", " << p.y();
                left = std::min(left, p.x());
                right = std::max(right, p.x());
            }
            EXPECT_GE((right - left) / size.width(), 0.5);
            EXPECT_LE((right - left) / size.width(), 0.85);
        }
        EXPECT_GT(steepest, 20.0) << "the poses hardly vary";
    }
}

// The simulator's own picture and truth are those of the class: on the grid
// screen with --grid, on the normal display without it.
TEST(PhotoCamera, SimulatorWritesPhotoAndTruthOnce)
{
    ASSERT_FALSE(SimProcess::Program().isEmpty()) << "TARVELLO_MODULE_SIM is not set";
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("p.png")), truth = dir.filePath(QStringLiteral("p.json"));
    struct Case {
        QStringList arguments;
        int exitCode;
        const char *error; // in what it says, or the screen of a picture written
        int screen = kGridScreen;
    };
    const QStringList write{"--once", "--monitor-png", png, "--truth", truth, "--photo-size", "800x600"};
    const Case cases[] = {
        {QStringList{"--grid", "--photo", "7"} + write, 0, ""},
        {QStringList{"--photo", "8"} + write, 0, "", kNormalScreen},
        {{"--photo", "x7", "--monitor-png", png}, 2, "--photo: needs a whole number"},
        {{"--photo", "7", "--photo-size", "0x0", "--monitor-png", png}, 2, "--photo-size: needs WIDTHxHEIGHT"},
        {{"--photo", "7", "--photo-size", "8001x600", "--monitor-png", png}, 2, "--photo-size: needs WIDTHxHEIGHT"},
        {{"--photo", "7", "--truth", truth}, 2, "--photo: needs --monitor-png"},
        {{"--truth", truth, "--once"}, 2, "--truth: needs --monitor-png"},
        {{"--phone", "http://127.0.0.1:9/x/"}, 2, "--phone: needs --photo SEED"},
        {{"--phone", "ftp://127.0.0.1:9/x/", "--photo", "7"}, 2, "--phone: needs the page's address"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        QFile::remove(png);
        QFile::remove(truth);
        QProcess process;
        process.start(SimProcess::Program(), c.arguments);
        ASSERT_TRUE(process.waitForFinished(kWaitMs));
        EXPECT_EQ(process.exitCode(), c.exitCode);
        EXPECT_TRUE(process.readAllStandardError().contains(c.error));
        if (c.exitCode != 0) {
            EXPECT_FALSE(QFile::exists(png));
            continue;
        }
        MonitorState state;
        state.settings.screen = c.screen;
        const PhotoOptions options{PhotoKind::Phone, std::uint32_t(c.arguments[c.arguments.indexOf("--photo") + 1].toUInt()), {800, 600}};
        const Photo expected = PhotoCamera::Take(MonitorRenderer().Render(state), state.settings, CameraScene(), options);
        EXPECT_EQ(QImage(png).convertToFormat(QImage::Format_RGB32), expected.picture);
        QFile file(truth);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(QJsonDocument::fromJson(file.readAll()).object(), expected.ToJson());
    }
}
