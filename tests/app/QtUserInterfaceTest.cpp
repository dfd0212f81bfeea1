// The program's Qt message box: a message with details (the module search's
// list of tries) can be made larger to read them whole.
#include "QtUserInterface.h"
#include "UserMessage.h"

#include <QApplication>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(QtMessageBox, detailsShowOnRequestAndGrowWithTheBox)
{
    InstallQtUserInterface();
    const QString tries = QStringLiteral("Проверено:\nCOM1 (9600, 57600 бод): порта нет");
    QString shown;
    bool hiddenAtFirst = false;
    QSize before, after;
    QTimer::singleShot(50, [&] {
        auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        auto *details = box->findChild<QPlainTextEdit *>(QStringLiteral("message-details"));
        ASSERT_NE(details, nullptr);
        hiddenAtFirst = !details->isVisible();
        QTest::mouseClick(box->findChild<QPushButton *>(QStringLiteral("message-details-toggle")), Qt::LeftButton);
        QTest::qWait(30);
        shown = details->isVisible() ? details->toPlainText() : QString();
        before = details->size();
        box->resize(box->size() + QSize(300, 200));
        QTest::qWait(30);
        after = details->size();
        box->accept();
    });
    ShowMessage({QStringLiteral("Устройство TRX-G-K4 не найдено."), ProgramCaption(), UserMessage::Icon::Error, tries});
    EXPECT_TRUE(hiddenAtFirst);
    EXPECT_EQ(shown, tries);
    EXPECT_EQ(after, before + QSize(300, 200));
}

} // namespace
