#include "CAboutBox.h"
#include "CLinkStatic.h"
#include "ResourceIds.h"

#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>


namespace {

TEST(AboutBox, showsTitleLinksAndSupportNote)
{
    CAboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.objectName(), Ids::ObjectName(Ids::IDD_ABOUTBOX));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("О программе настройки Tarvello"));

    auto *contact = box.findChild<CLinkStatic *>(Ids::ObjectName(Ids::IDC_LINK_CONTACT));
    auto *support = box.findChild<CLinkStatic *>(Ids::ObjectName(Ids::IDC_LINK_SUPPORT));
    ASSERT_NE(contact, nullptr);
    ASSERT_NE(support, nullptr);
    EXPECT_EQ(contact->text(), QStringLiteral("Email: info@tarvello.ru"));
    EXPECT_EQ(contact->Target(), QStringLiteral("mailto:info@tarvello.ru"));
    EXPECT_EQ(contact->toolTip(), QStringLiteral("mailto:info@tarvello.ru"));
    EXPECT_EQ(support->text(), QStringLiteral("Email: support@tarvello.ru"));
    EXPECT_EQ(support->Target(), QStringLiteral("mailto:support@tarvello.ru"));
    EXPECT_FALSE(contact->FitToText());
    EXPECT_FALSE(support->FitToText());

    bool note = false;
    for (QLabel *label : box.findChildren<QLabel *>())
        note |= label->text() == QStringLiteral("Техническая поддержка по адресу");
    EXPECT_TRUE(note);

    // 195 x 150 dialog units of the dialog font.
    const QFontMetrics fm(box.font());
    EXPECT_NEAR(box.width(), 195.0 * fm.averageCharWidth() / 4, 1.0);
    EXPECT_NEAR(box.height(), 150.0 * fm.height() / 8, 1.0);
    // Links keep their laid-out width rather than shrinking to the text.
    EXPECT_GT(contact->width(), QFontMetrics(contact->font()).horizontalAdvance(contact->text()));
}

TEST(AboutBox, okClosesTheBox)
{
    CAboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    auto *ok = box.findChild<QPushButton *>(Ids::ObjectName(Ids::ID_OK));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST(AboutBox, showsTheProgramIconAt32Pixels)
{
    ASSERT_TRUE(QFile::exists(Ids::IllustrationPath(Ids::IDI_ICON))) << "icon resource not linked in";
    CAboutBox box;
    const QPixmap icon = box.IconLabel()->pixmap();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.size(), QSize(32, 32));
    // Something was drawn, not just the transparent fill.
    const QImage image = icon.toImage();
    bool drawn = false;
    for (int y = 0; y < image.height() && !drawn; ++y)
        for (int x = 0; x < image.width() && !drawn; ++x)
            drawn = qAlpha(image.pixel(x, y)) != 0;
    EXPECT_TRUE(drawn);
}

} // namespace
