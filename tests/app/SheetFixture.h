#pragma once

#include "CPageSheet.h"
#include "DeviceLink.h"
#include "IniFile.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Runs each test in an empty temporary folder, the way an installer starts
// the program in a fresh folder.
class SheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        previous_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        // The store is one per process, as in the program: each test starts
        // with it empty, as the program does.
        IniFile::Clear();
        discardChanges_.fallback(1);
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    // A shown sheet with the link (the demo link by default), past its
    // first title refresh.
    std::unique_ptr<CPageSheet> OpenSheet(DeviceLink *link = nullptr)
    {
        auto sheet = std::make_unique<CPageSheet>(QStringLiteral("Test"));
        sheet->SetLink(link ? link : &demo_);
        sheet->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(sheet.get()));
        QTest::qWait(30);
        return sheet;
    }

    // A key pressed where the focus is, as the installer presses it.
    static void Key(CPageSheet &sheet, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &sheet;
        QTest::keyClick(target, key, modifiers);
        QTest::qWait(20);
    }

    // A left border entered, so that the guide-line picture has a line: the
    // built-in configuration has none, and an empty picture is not written
    // unasked.
    static void EnterLeftBorder(Settings &s)
    {
        for (int i = 0; i < 5; ++i)
            s.SetPoint(3 + i, 1.0 + 0.5 * i, 9.0 - 1.5 * i, 1);
    }
    static void EnterLeftBorder(CPageSheet &sheet) { Change(sheet, [](Settings &s) { EnterLeftBorder(s); }); }

    // Changes the sheet's record as one edit of the installer's would (the
    // configuration is then modified), without a page.
    static void Change(CPageSheet &sheet, const std::function<void(Settings &)> &change)
    {
        Settings wanted = sheet.SheetSettings();
        change(wanted);
        sheet.Document().Edit([&](ConfigurationEdit &e) { e.TakeAll(wanted); });
    }

    static int CheckedViewItems(const CPageSheet &sheet)
    {
        int checked = 0;
        for (QAction *a : sheet.MenuBar()->findChildren<QAction *>())
            checked += a->isChecked() ? 1 : 0;
        return checked;
    }

    QTemporaryDir dir_;
    QString previous_;
    DeviceLink demo_;
    RecordedMessages messages_;
    // Changes are thrown away on closing unless a test answers otherwise.
    ScriptedQuestions discardChanges_;
};
