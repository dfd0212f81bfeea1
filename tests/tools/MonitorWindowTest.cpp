// The monitor window shows the latest picture it was given, whole and
// undistorted, at any window size.

#include "MonitorWindow.h"

#include <QImage>
#include <QPainter>
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
