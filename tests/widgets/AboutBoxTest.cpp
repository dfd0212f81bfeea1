#include "CAboutBox.h"
#include "CLinkStatic.h"
#include "ResourceIds.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

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

TEST(AboutBox, linkClickOpensTheMailAddress)
{
    std::vector<QString> opened;
    auto previous = CLinkStatic::SetOpener([&](const QString &target) {
        opened.push_back(target);
        return true;
    });
    {
        CAboutBox box;
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        QTest::mouseClick(box.SupportLink(), Qt::LeftButton, {}, QPoint(3, 3));
    }
    CLinkStatic::SetOpener(previous);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QStringLiteral("mailto:support@tarvello.ru"));
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

TEST(AboutBox, enterPressesOk)
{
    CAboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

} // namespace
