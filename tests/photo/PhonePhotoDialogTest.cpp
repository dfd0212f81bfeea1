// The QR code window on its own, offscreen: what it shows for no address,
// one and several, the listening only while it is shown, and a code whose
// time ran out made anew.
#include "CPhonePhotoDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

TEST(PhonePhotoDialogTest, showsTheCodeOfTheFirstAddressOrHowToGetOne)
{
    const QHostAddress one("127.0.0.1"), two("127.0.0.2"), foreign("203.0.113.9"); // foreign: not this machine's
    const struct {
        QList<QHostAddress> addresses;
        QString shownHost; // empty: no address, the advice and the file button
        int choices;
    } cases[] = {
        {{one}, "127.0.0.1", 0},
        {{one, two}, "127.0.0.1", 2},
        {{foreign, two}, "127.0.0.2", 0},
        {{foreign}, "", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shownHost.toStdString());
        CPhonePhotoDialog dialog(nullptr, c.addresses);
        QSignalSpy fileWanted(&dialog, &CPhonePhotoDialog::FileWanted);
        dialog.show();
        EXPECT_EQ(dialog.ShownUrl().host(), c.shownHost);
        EXPECT_EQ(dialog.Receiver().IsListening(), !c.shownHost.isEmpty());
        EXPECT_EQ(dialog.CodeLabel()->isVisible(), !c.shownHost.isEmpty());
        EXPECT_EQ(dialog.FileButton()->isVisible(), c.shownHost.isEmpty());
        EXPECT_EQ(dialog.AddressChoice()->isVisible(), c.choices > 0);
        if (c.choices > 0) {
            dialog.AddressChoice()->setCurrentIndex(1);
            EXPECT_EQ(dialog.ShownUrl().host(), "127.0.0.2");
            EXPECT_EQ(dialog.AddressLabel()->text(), dialog.ShownUrl().toString());
        }
        if (c.shownHost.isEmpty()) {
            QTest::mouseClick(dialog.FileButton(), Qt::LeftButton);
            EXPECT_EQ(fileWanted.count(), 1);
        }
        dialog.hide();
        EXPECT_FALSE(dialog.Receiver().IsListening());
    }
}

TEST(PhonePhotoDialogTest, aCodeWhoseTimeRanOutIsMadeAnew)
{
    CPhonePhotoDialog dialog(nullptr, {QHostAddress(QHostAddress::LocalHost)});
    dialog.Receiver().SetLifetime(50);
    dialog.show();
    const QUrl first = dialog.ShownUrl();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.Receiver().Expired() && dialog.CodeLabel()->pixmap().isNull(); }));
    EXPECT_TRUE(dialog.StatusLine()->text().contains(QStringLiteral("Новый код")));
    QPushButton *renew = dialog.RenewButton();
    ASSERT_TRUE(renew->isVisible());
    dialog.Receiver().SetLifetime(PhoneReceiver::kLifetimeMs);
    QTest::mouseClick(renew, Qt::LeftButton);
    EXPECT_NE(dialog.ShownUrl(), first);
    EXPECT_EQ(dialog.ShownUrl().port(), first.port());
    EXPECT_FALSE(dialog.CodeLabel()->pixmap().isNull());
    EXPECT_FALSE(dialog.Receiver().Expired());
}
