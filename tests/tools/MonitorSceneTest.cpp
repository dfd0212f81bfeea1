// The camera scene and the monitor picture without a line: where the marks
// fall, and whether their grid coordinates match the grid the module draws.

#include "CameraScene.h"
#include "MonitorRenderer.h"
#include "OverlayPlacement.h"
#include "ScenePainter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>

using namespace ModuleSim;

namespace {

bool IsTape(QRgb colour)
{
    return qRed(colour) > 150 && qBlue(colour) < 110 && qRed(colour) > qBlue(colour) + 80;
}

bool Inside(QPointF p, double margin)
{
    return p.x() >= margin && p.x() < CameraScene::kWidth - margin && p.y() >= margin
        && p.y() < CameraScene::kHeight - margin;
}

SceneSetup Mounted(double height, double tilt, double fov, double offset, double width)
{
    SceneSetup setup;
    setup.cameraHeightM = height;
    setup.cameraTiltDeg = tilt;
    setup.cameraFovDeg = fov;
    setup.cameraOffsetM = offset;
    setup.carWidthM = width;
    return setup;
}

} // namespace

TEST(CameraScene, EveryMarkLiesOnItsTapeInThePicture)
{
    const SceneSetup setups[] = {
        SceneSetup{},
        Mounted(1.4, 55, 120, 0, 1.8),
        Mounted(0.8, 35, 90, 0.3, 2.0),
    };
    for (const SceneSetup &setup : setups) {
        SCOPED_TRACE(setup.cameraTiltDeg);
        const CameraScene scene(setup);
        const QImage picture = ScenePainter::Paint(scene);
        std::set<int> seen;
        int checked = 0;
        for (const SceneMark &mark : scene.Marks()) {
            seen.insert(mark.slot);
            if (setup == SceneSetup{}) {
                EXPECT_TRUE(Inside(mark.picture, 2)) << mark.name.toStdString() << " is off the default picture";
            }
            if (!Inside(mark.picture, 2))
                continue;
            ++checked;
            const QRgb colour = picture.pixel(int(mark.picture.x()), int(mark.picture.y()));
            EXPECT_TRUE(IsTape(colour)) << mark.name.toStdString() << " at " << mark.picture.x() << ", "
                                        << mark.picture.y() << " is " << std::hex << colour;
        }
        EXPECT_GE(checked, 12);
        // The slots the wizard asks for: base line, both side lines, three points of each curve.
        EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 18, 19, 20}));
    }
}

// The car's centre is ticked across the base line, so that the middle mark
// is a crossing: tape just behind the line there (the bumper hides the
// ground before it), none beside.
TEST(ScenePainter, BaseLineIsTickedAtTheCarsCentre)
{
    const CameraScene scene;
    const QImage picture = ScenePainter::Paint(scene);
    for (double across : {0.0, -0.25, 0.25}) {
        const QPointF at = scene.ProjectGround({across, CameraScene::kBaseLineM + 0.08});
        EXPECT_EQ(IsTape(picture.pixel(at.toPoint())), across == 0.0) << across << " m across";
    }
}

// Left and right, and a mirror view, show in the scene: it differs from its mirror
// image in whole cells of 20 x 24 pixels, not only in the asphalt's grain.
TEST(ScenePainter, PictureDiffersClearlyFromItsMirrorImage)
{
    for (const SceneSetup &setup : {SceneSetup{}, Mounted(1.4, 55, 120, 0, 1.8), Mounted(0.8, 35, 90, 0, 2.0)}) {
        const QImage cells = ScenePainter::Paint(CameraScene(setup)).scaled(20, 13, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage mirrored = cells.mirrored(true, false);
        int differing = 0;
        for (int i = 0; i < 20 * 13; ++i) {
            const QRgb a = cells.pixel(i % 20, i / 20), b = mirrored.pixel(i % 20, i / 20);
            differing += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 60;
        }
        EXPECT_GE(differing, 30) << "tilt " << setup.cameraTiltDeg;
    }
}

TEST(CameraScene, MountingMovesTheMarksAsACameraWould)
{
    const CameraScene standard;
    struct Case {
        const char *change;
        std::function<void(SceneSetup &)> apply;
        int slot;
        std::function<bool(QPointF before, QPointF after)> expected;
    };
    const Case cases[] = {
        {"tilted further down, the far marks rise", [](SceneSetup &s) { s.cameraTiltDeg += 10; }, 7,
         [](QPointF b, QPointF a) { return a.y() < b.y() - 10; }},
        {"mounted higher, a mark sinks", [](SceneSetup &s) { s.cameraHeightM += 0.3; }, 5,
         [](QPointF b, QPointF a) { return a.y() > b.y() + 5; }},
        {"moved right, the scene moves left", [](SceneSetup &s) { s.cameraOffsetM = 0.3; }, 1,
         [](QPointF b, QPointF a) { return a.x() < b.x() - 5; }},
        {"a wider lens draws marks towards the middle", [](SceneSetup &s) { s.cameraFovDeg += 20; }, 4,
         [](QPointF b, QPointF a) { return std::abs(a.x() - 200) < std::abs(b.x() - 200) - 5; }},
        {"a wider car moves the right side line right", [](SceneSetup &s) { s.carWidthM += 0.4; }, 10,
         [](QPointF b, QPointF a) { return a.x() > b.x() + 5; }},
        {"the left curve bends in from its side line", [](SceneSetup &) {}, 15,
         [&](QPointF, QPointF a) { return a.x() > standard.MarkOfSlot(6)->picture.x() + 5; }},
    };
    for (const Case &c : cases) {
        SceneSetup setup;
        c.apply(setup);
        const QPointF before = standard.MarkOfSlot(c.slot)->picture;
        const QPointF after = CameraScene(setup).MarkOfSlot(c.slot)->picture;
        EXPECT_TRUE(c.expected(before, after))
            << c.change << ": (" << before.x() << ", " << before.y() << ") -> (" << after.x() << ", " << after.y() << ")";
    }
    // Farther is higher on the screen, and the left side stays left.
    for (int slot = 3; slot < 7; ++slot) {
        EXPECT_GT(standard.MarkOfSlot(slot)->picture.y(), standard.MarkOfSlot(slot + 1)->picture.y()) << slot;
        EXPECT_LT(standard.MarkOfSlot(slot)->picture.x(), standard.MarkOfSlot(slot + 5)->picture.x()) << slot;
    }
}

// The grid coordinates of a mark are what an installer reads off the grid the
// module draws: the grid lines on either side of the mark are drawn where
// the placement says, and the mark sits between them at its fraction.
TEST(CameraScene, MarkGridCoordinatesMatchTheGridTheModuleDraws)
{
    struct Case {
        int shiftX, shiftY, mirroring;
        bool monitorMirrors;
    };
    const Case cases[] = {
        {250, 45, 0, false},
        {240, 30, 0, false},
        {255, 60, 1, false},
        {245, 45, 1, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "ATJ" << c.shiftX << " ATK" << c.shiftY << " ATQ" << c.mirroring
                                        << (c.monitorMirrors ? " mirroring monitor" : ""));
        SceneSetup setup;
        setup.monitorMirrors = c.monitorMirrors;
        const MonitorRenderer renderer(setup);
        MonitorState state;
        state.settings.screen = kGridScreen;
        state.settings.gridShiftX = c.shiftX;
        state.settings.gridShiftY = c.shiftY;
        state.settings.mirroring = c.mirroring;
        const QImage monitor = renderer.Render(state);
        const QRgb line = MonitorRenderer::Grey(state.settings.lineBrightness).rgb();
        const OverlayPlacement placement(state.settings, c.monitorMirrors);
        // A drawn line pixel within one pixel of the position, or the
        // position is off the screen (the overlay was moved past its edge).
        const auto drawnNear = [&](QPointF p, bool vertical) {
            if (p.x() < 0 || p.x() > 400 || p.y() < 0 || p.y() > 312)
                return true;
            for (int d = -1; d <= 1; ++d) {
                const int x = int(std::floor(p.x())) + (vertical ? d : 0);
                const int y = int(std::floor(p.y())) + (vertical ? 0 : d);
                if (monitor.valid(x, y) && monitor.pixel(x, y) == line)
                    return true;
            }
            return false;
        };
        int checked = 0;
        for (const SceneMark &mark : renderer.Scene().Marks()) {
            const QPointF grid = placement.MonitorToGrid(mark.picture);
            const QPointF back = placement.GridToMonitor(grid);
            EXPECT_NEAR(back.x(), mark.picture.x(), 1e-9);
            EXPECT_NEAR(back.y(), mark.picture.y(), 1e-9);
            if (grid.x() <= 0 || grid.x() >= 9.99 || grid.y() <= 0 || grid.y() >= 10)
                continue;
            ++checked;
            const double column = std::floor(grid.x());
            const double row = std::floor(grid.y());
            for (double k : {column, column + 1})
                EXPECT_TRUE(drawnNear(placement.GridToMonitor({k, row + 0.5}), true))
                    << mark.name.toStdString() << ": no vertical line " << k;
            for (double j : {row, row + 1})
                EXPECT_TRUE(drawnNear(placement.GridToMonitor({column + 0.5, j}), false))
                    << mark.name.toStdString() << ": no horizontal line " << j;
        }
        EXPECT_GE(checked, 10);
    }
}
