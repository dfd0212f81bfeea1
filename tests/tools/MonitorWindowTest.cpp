// The monitor window shows the latest picture it was given, whole and
// undistorted, at any window size, says in Russian what the module shows,
// and opens beside the wizard (on the 1366 x 768 screen the test gets).

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
    const QRect screen = window.screen()->availableGeometry();
    ASSERT_EQ(screen.size(), QSize(1366, 768)) << "set in tests/tools/CMakeLists.txt";
    QRect wizard(0, 0, 640 + 16, 523 + 38); // with a frame
    wizard.moveCenter(screen.center());
    const QRect monitor = window.frameGeometry();
    EXPECT_TRUE(screen.contains(monitor));
    EXPECT_GT(monitor.left(), wizard.right());
    EXPECT_LE(monitor.left(), wizard.right() + 40);
    EXPECT_NEAR(double(window.width()) / (window.height() - 22), 400.0 / 312.0, 0.01);
}
