// The whole path from the phone: a real browser (headless Chromium through
// its WebDriver) opens the page at the QR code's address, chooses a phone
// photo of the simulated monitor and sends it; the photo window then shows
// that photo's grid where the photo has it.
#include "CMonitorPhotoWindow.h"
#include "CPhonePhotoDialog.h"
#include "PhotoCamera.h"

#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(PhoneBrowserTest, aPhotoSentFromThePageShowsItsGridInThePhotoWindow)
{
    using namespace ModuleSim;
    QTemporaryDir dir;
    const Photo shot = PhotoCamera::Take(PhotoCamera::GridMonitor(), ModuleSettings{}, CameraScene{},
                                         {PhotoKind::Phone, 5, {1600, 1200}});
    const QString file = dir.filePath(QStringLiteral("phone.jpg"));
    ASSERT_TRUE(shot.picture.save(file, "JPEG", 92));

    CMonitorPhotoWindow photo;
    // The loopback stands in for the laptop's network address here.
    CPhonePhotoDialog dialog(nullptr, {QHostAddress(QHostAddress::LocalHost)});
    QObject::connect(&dialog, &CPhonePhotoDialog::PhotoReceived, &photo,
                     [&](const QString &path, const QImage &picture) {
                         photo.OpenDecodedPhoto(path, picture, CMonitorPhotoWindow::Use::Points);
                     });
    dialog.show();
    ASSERT_TRUE(dialog.ShownUrl().isValid());
    EXPECT_FALSE(dialog.CodeLabel()->pixmap().isNull());
    EXPECT_EQ(dialog.AddressLabel()->text(), dialog.ShownUrl().toString());

    QProcess browser;
    browser.start(QStringLiteral("python3"),
                  {qEnvironmentVariable("TARVELLO_SOURCE_DIR") + QStringLiteral("/tests/photo/phone_page_driver.py"),
                   dialog.ShownUrl().toString(), file});
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser.state() == QProcess::NotRunning; }, 120000));
    const QString said = QString::fromUtf8(browser.readAllStandardOutput() + browser.readAllStandardError());
    if (browser.exitCode() == 77)
        GTEST_SKIP() << "Chromium cannot start here: " << said.toStdString();
    ASSERT_EQ(browser.exitCode(), 0) << said.toStdString();

    ASSERT_TRUE(QTest::qWaitFor([&] { return photo.Mapping() && !photo.IsBusy(); }, 60000));
    EXPECT_EQ(photo.Picture().size(), shot.picture.size());
    const QPointF gridCorners[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    for (int i = 0; i < 4; ++i)
        EXPECT_LT(QLineF(photo.Mapping()->ToPicture(gridCorners[i]), shot.grid[i]).length(), 4.0) << i;
    EXPECT_FALSE(photo.Marks().empty());
}
