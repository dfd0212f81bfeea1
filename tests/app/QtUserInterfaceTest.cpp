// The program's Qt message box: a message with details (the module search's
// list of tries) can be made larger to read them whole.
#include "ModuleFinder.h"
#include "QtUserInterface.h"
#include "UserMessage.h"
#include "UserQuestion.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QScrollBar>
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

// Opened, the list of tries reads whole, unwrapped and unscrolled, and the
// text above it stays whole: for a message and for a question (the "no
// module" one), whose answers are its buttons.
TEST(QtMessageBox, openedDetailsAreReadableWholeAndTheTextUncut)
{
    InstallQtUserInterface();
    QStringList tries{"Проверено:", "USB (57600 бод): библиотека USB-адаптера FTDI D2XX (libftd2xx.so) не установлена"};
    for (int n = 1; n <= 10; ++n)
        tries << QStringLiteral("COM%1 (9600, 57600 бод): порт /dev/ttyUSB%1 открыт, модуль не ответил").arg(n);
    UserQuestion question{"Устройство TRX-G-K4 не найдено.\nПодключите устройство, включите задний ход и запустите "
                          "программу снова.", ProgramCaption(), {"Повторить", "Демо-режим", "Выход"}, 0, 2};
    question.details = tries.join('\n');
    for (const bool asking : {false, true}) {
        SCOPED_TRACE(asking ? "question" : "message");
        int shown = 0, wrapped = -1, scroll = -1, textHas = -1;  // textHas: height beyond what the text needs
        QStringList buttons;
        QTimer::singleShot(50, [&] {
            auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            auto *details = box->findChild<QPlainTextEdit *>(QStringLiteral("message-details"));
            QTest::mouseClick(box->findChild<QPushButton *>(QStringLiteral("message-details-toggle")), Qt::LeftButton);
            QTest::qWait(50);
            shown = details->viewport()->height() / details->fontMetrics().lineSpacing();
            wrapped = details->document()->lineCount() - details->blockCount();
            scroll = details->verticalScrollBar()->maximum() + details->horizontalScrollBar()->maximum();
            for (QLabel *label : box->findChildren<QLabel *>())
                textHas = label->text() == question.text ? label->height() - label->heightForWidth(label->width()) : textHas;
            for (QPushButton *button : box->findChildren<QPushButton *>())
                buttons << button->text();
            QTest::mouseClick(box->findChildren<QPushButton *>()[asking ? 1 : 0], Qt::LeftButton);
        });
        if (asking) {
            EXPECT_EQ(AskUser(question), 1);
            EXPECT_EQ(buttons, question.answers + QStringList{"Подробности"});
        } else {
            ShowMessage({question.text, question.caption, UserMessage::Icon::Error, question.details});
        }
        EXPECT_GE(shown, tries.size()) << "every try in view";
        EXPECT_EQ(wrapped, 0) << "no try broken over two lines";
        EXPECT_EQ(scroll, 0) << "nothing to scroll to";
        EXPECT_GE(textHas, 0) << "the main text is whole";
    }
}

// The no-module question of a laptop without any adapter (the long USB line
// and its advice) on a 1366 x 768 screen (as registered with CTest): opened,
// the details wrap instead of widening the box, which stays on the screen
// with every button.
TEST(QtMessageBox, openedDetailsKeepTheBoxAndItsButtonsOnTheScreen)
{
    InstallQtUserInterface();
    ProbeReport report;
    report.attempts.push_back({"USB", 0, 57600, false, "библиотека USB-адаптера FTDI D2XX (libftd2xx.so) не установлена",
                               "установите библиотеку libftd2xx, если устройство подключается по USB",
                               ProbeAttempt::Cause::UsbLibrary});
    for (int n = 1; n <= 10; ++n)
        report.attempts.push_back({"COM", n, 9600, false, "порта нет", "", ProbeAttempt::Cause::NoPort});
    const UserMessage message = ModuleNotFoundMessage(report, "нажмите «Повторить»");
    UserQuestion question{message.text, message.caption, {"Повторить", "Демо-режим", "Выход"}, 0, 2};
    question.details = message.details;
    QStringList offScreen;
    int sideways = -1;
    QTimer::singleShot(50, [&] {
        auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QTest::mouseClick(box->findChild<QPushButton *>(QStringLiteral("message-details-toggle")), Qt::LeftButton);
        QTest::qWait(50);
        const QRect screen = box->screen()->availableGeometry();
        if (!screen.contains(box->frameGeometry()))
            offScreen << QStringLiteral("box %1 px wide").arg(box->frameGeometry().width());
        for (QPushButton *button : box->findChildren<QPushButton *>())
            if (!screen.contains(QRect(button->mapToGlobal(QPoint(0, 0)), button->size())))
                offScreen << button->text();
        sideways = box->findChild<QPlainTextEdit *>(QStringLiteral("message-details"))->horizontalScrollBar()->maximum();
        box->reject();
    });
    AskUser(question);
    EXPECT_EQ(offScreen, QStringList());
    EXPECT_EQ(sideways, 0) << "nothing hidden to the right";
}

} // namespace
