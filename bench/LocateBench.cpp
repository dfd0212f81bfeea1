// Reading the grid and the marks off pictures of the monitor, on the
// simulator's seeded photos.
//
//   bench_locate --accuracy [N]   N seeded phone photos (100 unless told):
//                                 grids found, true marks proposed within
//                                 0.05 grid units, candidates farther than
//                                 0.3 from every true mark
//   bench_locate --marks N [FIRST] N seeded phone photos from seed FIRST
//                                 (200001 unless told), each with the tape
//                                 colours and the mark style its seed
//                                 chooses: true marks proposed within 0.05
//                                 grid units by tape colour and by junction,
//                                 false candidates (all, and the confident)
//                                 by the colour of the scene's lines
//   bench_locate --conditions N [FIRST] N photos from seed FIRST (300001
//                                 unless told), each in the condition and
//                                 with the tape its seed chooses: per
//                                 condition, grids right, missed and wrong
//                                 (reported as found, a corner more than
//                                 0.05 units off, or any grid on a photo
//                                 without the monitor), marks proposed and
//                                 false candidates; the wrong grids by seed
//   bench_locate [benchmark flags] the time to locate a 12-megapixel photo
//                                 and a 720 x 576 grabber frame, each beside
//                                 the time Qt takes to read that picture
//                                 from a JPEG file (the ratio is what
//                                 bench/README.md quotes)
#include "CameraScene.h"
#include "LineCheck.h"
#include "MonitorRenderer.h"
#include "OverlayPlacement.h"
#include "PhotoCamera.h"
#include "PhotoCondition.h"
#include "PhotoLocation.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using namespace ModuleSim;

Photo TakePhoto(PhotoKind kind, std::uint32_t seed, QSize size)
{
    static const QImage monitor = PhotoCamera::GridMonitor();
    static const CameraScene scene;
    PhotoOptions options;
    options.kind = kind;
    options.seed = seed;
    options.size = size;
    return PhotoCamera::Take(monitor, ModuleSettings{}, scene, options);
}

int Accuracy(int count)
{
    int grids = 0, trueMarks = 0, proposed = 0, candidates = 0, falseMarks = 0;
    double worstCorner = 0;
    for (int seed = 1; seed <= count; ++seed) {
        const Photo photo = TakePhoto(PhotoKind::Phone, std::uint32_t(seed), {2000, 1500});
        const PhotoLocation found = LocateGridAndMarks(photo.picture);
        if (!found.grid) {
            std::printf("seed %3d: no grid\n", seed);
            continue;
        }
        // The grid counts as found when its corners lie within 0.05 units.
        double corner = 0;
        static const QPointF kCorners[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
        for (int k = 0; k < 4; ++k) {
            const QPointF g = found.grid->ToGrid(photo.grid[k]);
            corner = std::max(corner, std::hypot(g.x() - kCorners[k].x(), g.y() - kCorners[k].y()));
        }
        worstCorner = std::max(worstCorner, corner);
        if (corner > 0.05) {
            std::printf("seed %3d: wrong grid (a corner %.2f units off)\n", seed, corner);
            continue;
        }
        ++grids;
        int hit = 0;
        for (const PhotoMark &mark : photo.marks) {
            double nearest = 1e9;
            for (const MarkCandidate &c : found.marks)
                nearest = std::min(nearest, std::hypot(c.grid.x() - mark.grid.x(), c.grid.y() - mark.grid.y()));
            hit += nearest <= 0.05;
        }
        int wrong = 0;
        for (const MarkCandidate &c : found.marks) {
            double nearest = 1e9;
            for (const PhotoMark &mark : photo.marks)
                nearest = std::min(nearest, std::hypot(c.grid.x() - mark.grid.x(), c.grid.y() - mark.grid.y()));
            wrong += nearest > 0.3;
        }
        trueMarks += int(photo.marks.size());
        proposed += hit;
        candidates += int(found.marks.size());
        falseMarks += wrong;
    }
    std::printf("\nphotos                          %d\n", count);
    std::printf("grid found (corners <= 0.05)    %d (%.0f %%)\n", grids, 100.0 * grids / count);
    std::printf("true marks proposed within 0.05 %d of %d (%.1f %%)\n", proposed, trueMarks,
                100.0 * proposed / std::max(1, trueMarks));
    std::printf("false candidates (> 0.3 away)   %d of %d (%.1f %%)\n", falseMarks, candidates,
                100.0 * falseMarks / std::max(1, candidates));
    std::printf("worst corner of a found grid    %.3f units\n", worstCorner);

    // The line check's mapping: the screen in its frame, on photos of the
    // normal display (no grid).
    static const QImage normal = MonitorRenderer().Render(MonitorState{});
    static const CameraScene scene;
    int screens = 0, wrongScreens = 0;
    for (int seed = 1; seed <= count; ++seed) {
        PhotoOptions options;
        options.seed = std::uint32_t(seed);
        options.size = {2000, 1500};
        const Photo photo = PhotoCamera::Take(normal, ModuleSettings{}, scene, options);
        const auto corners = FindScreenCorners(photo.picture);
        if (!corners)
            continue;
        double worst = 0;
        for (int k = 0; k < 4; ++k)
            worst = std::max(worst, std::hypot((*corners)[k].x() - photo.screen[k].x(),
                                               (*corners)[k].y() - photo.screen[k].y()));
        (worst <= 8 ? screens : wrongScreens) += 1;
    }
    std::printf("screen found within 8 px        %d (%.0f %%), wrong %d, else none (the installer clicks)\n",
                screens, 100.0 * screens / count, wrongScreens);
    return 0;
}

// A 2000 x 1500 phone photo of the grid over a scene whose tape the seed
// lays, in this condition.
Photo PhotoOfSeed(const CameraScene &scene, std::uint32_t seed, PhotoCondition condition)
{
    PhotoOptions options;
    options.seed = seed;
    options.size = {2000, 1500};
    options.condition = condition;
    return PhotoCamera::Take(PhotoCamera::GridMonitor(scene.Setup()), ModuleSettings{}, scene, options);
}

// True marks proposed and candidates by tape colour and by junction, on
// photos of scenes whose seed chooses how the tape is laid.
int MarksTable(int count, std::uint32_t first)
{
    static const char *const kColours[] = {"yellow", "orange", "red", "white", "beige"};
    static const char *const kJunctions[] = {"cross", "tee", "corner", "end"};
    struct Tally {
        int marks = 0, proposed = 0, candidates = 0, wrong = 0, confident = 0, confidentWrong = 0;
    };
    Tally byColour[5], byJunction[4], all;
    int noGrid = 0;
    for (int n = 0; n < count; ++n) {
        const std::uint32_t seed = first + std::uint32_t(n);
        const CameraScene scene(CameraScene::WithTapeOfSeed({}, seed));
        const Photo photo = PhotoOfSeed(scene, seed, PhotoCondition::Standard);
        const PhotoLocation found = LocateGridAndMarks(photo.picture);
        if (!found.grid || found.grid->ToGrid(photo.grid[0]).manhattanLength() > 0.1) {
            ++noGrid; // the grid table counts these
            continue;
        }
        for (const PhotoMark &mark : photo.marks) {
            const SceneMark *truth = scene.MarkOfSlot(mark.slotNumbers.front());
            double nearest = 1e9;
            for (const MarkCandidate &c : found.marks)
                nearest = std::min(nearest, std::hypot(c.grid.x() - mark.grid.x(), c.grid.y() - mark.grid.y()));
            for (Tally *t : {&byColour[int(truth->tape)], &byJunction[int(truth->junction)], &all}) {
                ++t->marks;
                t->proposed += nearest <= 0.05;
            }
            if (nearest > 0.05 && std::getenv("BENCH_VERBOSE"))
                std::printf("seed %u: missed %s (%s, %s) %.3f\n", seed, qPrintable(mark.name),
                            kColours[int(truth->tape)], kJunctions[int(truth->junction)], nearest);
        }
        for (const MarkCandidate &c : found.marks) {
            double nearest = 1e9;
            for (const PhotoMark &mark : photo.marks)
                nearest = std::min(nearest, std::hypot(c.grid.x() - mark.grid.x(), c.grid.y() - mark.grid.y()));
            const bool wrong = nearest > 0.3, confident = c.confidence >= MarkCandidate::kConfident;
            for (Tally *t : {&byColour[int(scene.Setup().lineTape)], &all}) {
                ++t->candidates;
                t->wrong += wrong;
                t->confident += confident;
                t->confidentWrong += wrong && confident;
            }
            if (wrong && std::getenv("BENCH_VERBOSE"))
                std::printf("seed %u: false at %.2f %.2f (confidence %.2f)\n", seed, c.grid.x(), c.grid.y(),
                            c.confidence);
        }
    }
    const auto percent = [](int part, int whole) { return 100.0 * part / std::max(1, whole); };
    std::printf("photos %d from seed %u, grid not found or wrong on %d\n\n", count, first, noGrid);
    std::printf("tape colour  true marks  proposed <= 0.05   candidates (scenes whose lines are this colour)  false    confident  false among them\n");
    for (int k = 0; k <= 5; ++k) {
        const Tally &t = k < 5 ? byColour[k] : all;
        std::printf("%-11s  %10d  %6d (%5.1f %%)  %10d  %41s%5d (%4.1f %%)  %9d  %5d (%4.1f %%)\n", k < 5 ? kColours[k] : "all",
                    t.marks, t.proposed, percent(t.proposed, t.marks), t.candidates, "", t.wrong,
                    percent(t.wrong, t.candidates), t.confident, t.confidentWrong, percent(t.confidentWrong, t.confident));
    }
    std::printf("\njunction     true marks  proposed <= 0.05\n");
    for (int k = 0; k < 4; ++k)
        std::printf("%-11s  %10d  %6d (%5.1f %%)\n", kJunctions[k], byJunction[k].marks, byJunction[k].proposed,
                    percent(byJunction[k].proposed, byJunction[k].marks));
    return 0;
}

// How far the nearest of points lies from p, grid units.
template <typename Points, typename GridOf>
double Nearest(QPointF p, const Points &points, GridOf gridOf)
{
    double nearest = 1e9;
    for (const auto &q : points)
        nearest = std::min(nearest, std::hypot(gridOf(q).x() - p.x(), gridOf(q).y() - p.y()));
    return nearest;
}

// Grids right, missed and wrong, and the marks, per condition, on photos of
// seeds the finder was never tuned on.
int ConditionsTable(int count, std::uint32_t first)
{
    struct Tally {
        int photos = 0, right = 0, missed = 0, wrong = 0;
        int marks = 0, proposed = 0, candidates = 0, falseOnes = 0;
    };
    std::vector<Tally> tallies(std::size_t(kPhotoConditionCount + 1));
    QStringList wrongSeeds;
    for (int n = 0; n < count; ++n) {
        const std::uint32_t seed = first + std::uint32_t(n);
        const CameraScene scene(CameraScene::WithTapeOfSeed({}, seed));
        const Photo photo = PhotoOfSeed(scene, seed, PhotoCondition::BySeed);
        const PhotoLocation found = LocateGridAndMarks(photo.picture);
        Tally &t = tallies[std::size_t(photo.condition)];
        Tally &all = tallies.back();
        for (Tally *x : {&t, &all})
            ++x->photos;
        const char *name = PhotoConditionName(photo.condition).data();
        if (!photo.showsGrid) {
            const bool reported = found.grid.has_value();
            for (Tally *x : {&t, &all})
                (reported ? x->wrong : x->right) += 1;
            if (reported)
                wrongSeeds << QStringLiteral("%1 (%2): a grid where there is none").arg(seed).arg(name);
            continue;
        }
        if (!found.grid) {
            for (Tally *x : {&t, &all})
                ++x->missed;
            if (std::getenv("BENCH_VERBOSE"))
                std::printf("seed %u (%s): no grid: %s\n", seed, name, qPrintable(found.problem));
            continue;
        }
        static const QPointF kCorners[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
        double corner = 0;
        for (int k = 0; k < 4; ++k) {
            const QPointF g = found.grid->ToGrid(photo.grid[std::size_t(k)]);
            corner = std::max(corner, std::hypot(g.x() - kCorners[k].x(), g.y() - kCorners[k].y()));
        }
        if (corner > 0.05) {
            for (Tally *x : {&t, &all})
                ++x->wrong;
            wrongSeeds << QStringLiteral("%1 (%2): a corner %3 units off").arg(seed).arg(name).arg(corner, 0, 'f', 2);
            continue;
        }
        for (Tally *x : {&t, &all}) {
            ++x->right;
            for (const PhotoMark &mark : photo.marks) {
                ++x->marks;
                x->proposed += Nearest(mark.grid, found.marks, [](const MarkCandidate &c) { return c.grid; }) <= 0.05;
            }
            for (const MarkCandidate &c : found.marks) {
                ++x->candidates;
                x->falseOnes += Nearest(c.grid, photo.marks, [](const PhotoMark &m) { return m.grid; }) > 0.3;
            }
        }
    }
    const auto percent = [](int part, int whole) { return 100.0 * part / std::max(1, whole); };
    std::printf("photos %d from seed %u\n\n", count, first);
    std::printf("condition        photos  grid right  missed  WRONG  marks proposed <= 0.05  false candidates\n");
    for (std::size_t c = 0; c < tallies.size(); ++c) {
        const Tally &t = tallies[c];
        if (t.photos == 0)
            continue;
        std::printf("%-15s  %6d  %5d %3.0f%%  %6d  %5d  %6d of %5d %5.1f%%  %5d of %5d %4.1f%%\n",
                    c < tallies.size() - 1 ? PhotoConditionName(PhotoCondition(c)).data() : "all", t.photos, t.right,
                    percent(t.right, t.photos), t.missed, t.wrong, t.proposed, t.marks, percent(t.proposed, t.marks),
                    t.falseOnes, t.candidates, percent(t.falseOnes, t.candidates));
    }
    for (const QString &w : wrongSeeds)
        std::printf("wrong: seed %s\n", qPrintable(w));
    return tallies.back().wrong == 0 ? 0 : 1;
}

QByteArray Jpeg(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

void Locate(benchmark::State &state, PhotoKind kind, QSize size)
{
    const Photo photo = TakePhoto(kind, 7, size);
    for (auto _ : state) {
        const PhotoLocation found = LocateGridAndMarks(photo.picture);
        benchmark::DoNotOptimize(found.marks.data());
        if (!found.grid)
            state.SkipWithError("no grid");
    }
}

void ReadJpeg(benchmark::State &state, PhotoKind kind, QSize size)
{
    const QByteArray bytes = Jpeg(TakePhoto(kind, 7, size).picture);
    for (auto _ : state) {
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer, "JPEG");
        const QImage image = reader.read();
        benchmark::DoNotOptimize(image.constBits());
    }
}

} // namespace

BENCHMARK_CAPTURE(Locate, phone_12mp, PhotoKind::Phone, QSize(4000, 3000))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadJpeg, phone_12mp, PhotoKind::Phone, QSize(4000, 3000))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Locate, grabber, PhotoKind::Grabber, QSize())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadJpeg, grabber, PhotoKind::Grabber, QSize())->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--accuracy") == 0)
        return Accuracy(argc >= 3 ? std::atoi(argv[2]) : 100);
    if (argc >= 2 && std::strcmp(argv[1], "--marks") == 0)
        return MarksTable(argc >= 3 ? std::atoi(argv[2]) : 100,
                          argc >= 4 ? std::uint32_t(std::strtoul(argv[3], nullptr, 10)) : 200001u);
    if (argc >= 2 && std::strcmp(argv[1], "--conditions") == 0)
        return ConditionsTable(argc >= 3 ? std::atoi(argv[2]) : 1000,
                               argc >= 4 ? std::uint32_t(std::strtoul(argv[3], nullptr, 10)) : 300001u);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
