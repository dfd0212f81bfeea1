// The monitor window shows the latest picture it was given, whole and
// undistorted, at any window size, and opens beside the wizard.

#include "MonitorWindow.h"

#include <QImage>
#include <QPainter>
#include <QScreen>
#include <gtest/gtest.h>

using namespace ModuleSim;

TEST(MonitorWindow, ShowsTheLatestPictureScaledToTheWindow)
{
    QImage older(400, 312, QImage::Format_RGB32);
    older.fill(Qt::green);
    // Left half red, right half blue.
    QImage latest(400, 312, QImage::Format_RGB32);
    latest.fill(Qt::red);
    QPainter(&latest).fillRect(200, 0, 200, 312, Qt::blue);

    MonitorWindow window;
    window.ShowPicture(older, MonitorState{});
    window.ShowPicture(latest, MonitorState{});
    for (const QSize size : {QSize(400, 334), QSize(800, 646), QSize(900, 400)}) {
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
        window.resize(size);
        const QImage shot = window.grab().toImage();
        const int middle = (size.height() - 22) / 2;
        EXPECT_EQ(shot.pixel(size.width() / 2 - 20, middle), qRgb(255, 0, 0));
        EXPECT_EQ(shot.pixel(size.width() / 2 + 20, middle), qRgb(0, 0, 255));
    }
}

TEST(MonitorWindow, TitleAndStatusLineAreInRussian)
{
    MonitorWindow window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Монитор автомобиля — симулятор модуля TRX-G-K4"));
    window.ShowPicture(QImage(400, 312, QImage::Format_RGB32), MonitorState{});
    EXPECT_EQ(window.StatusText().left(20), QStringLiteral("обычный режим   ATS1"));
}

// The wizard opens in the middle of the screen, 640 x 523 pixels inside its
// frame (on X11); the window takes the room to its right, as large as it allows.
TEST(MonitorWindow, OpensBesideTheWizardWithoutCoveringIt)
{
    MonitorWindow window;
    window.show();
    const QRect screen = window.screen()->availableGeometry(), monitor = window.frameGeometry();
    ASSERT_EQ(screen.size(), QSize(1366, 768)) << "set in tests/tools/CMakeLists.txt";
    const int wizardRight = screen.center().x() + 320 + 8; // with its frame
    EXPECT_TRUE(screen.contains(monitor));
    EXPECT_TRUE(monitor.left() > wizardRight && monitor.left() <= wizardRight + 40) << monitor.left();
    EXPECT_NEAR(double(window.width()) / (window.height() - 22), 400.0 / 312.0, 0.01);
}
