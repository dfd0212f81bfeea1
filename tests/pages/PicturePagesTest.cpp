// The two picture pages hosted alone, with a recording link: what they send
// on activation and for "Запись", the block loop's stops, the read-back
// check, the window staying alive during a long wait, and the file buttons.
#include "CPageLoadBMP.h"
#include "CPageLoadWarn.h"
#include "CPictureBox.h"
#include "FakePageHost.h"
#include "PictureUpload.h"
#include "PreviewSettings.h"
#include "RecordingLink.h"
#include "ResourceIds.h"
#include "TestSupport.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

// The commands of the module library's upload of `picture` (pinned in
// tests/module): the page sends that and nothing else.
QStringList Upload(PictureUpload::Picture picture)
{
    RecordingLink link;
    PictureUpload::Run(link, {}, picture, [](LinkResult) {}, [](int) {});
    return link.commands;
}

template <typename Page>
class PicturePageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A car's borders, so that the guide-line picture has lines.
        host.Prepare([](Settings &s) {
            for (int i = 0; i < 5; ++i) {
                s.SetPoint(3 + i, 0.5 + i, 8.0 - 1.5 * i, 1);
                s.SetPoint(8 + i, 9.5 - i, 8.0 - 1.5 * i, 1);
            }
        });
        page.SetHost(&host);
        page.SetLink(&link);
        page.EnsureInitialised();
        page.resize(600, 420);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }
    QPushButton *Button(int id) { return page.template findChild<QPushButton *>(Ids::ObjectName(id)); }
    void Write()
    {
        link.commands.clear();
        QTest::mouseClick(Button(Ids::IDC_BUTTON_WRITE), Qt::LeftButton);
    }

    FakeHost host;
    EchoingLink link;
    Page page;
    RecordedMessages messages;
};

using GuideLinePageTest = PicturePageTest<CPageLoadBMP>;
using WarningPageTest = PicturePageTest<CPageLoadWarn>;

TEST_F(GuideLinePageTest, activationAndWriteSendTheirCommandsInOrder)
{
    page.OnSetActive();
    EXPECT_EQ(link.commands, QStringList({"ATS1", "ATO0"}));
    EXPECT_EQ(host.checked, Ids::ID_VIEW_LOADBMP);
    Write();
    EXPECT_EQ(link.commands, Upload(PictureUpload::Picture::GuideLines));
    EXPECT_EQ(page.ProgressBar()->maximum(), 128);
    EXPECT_EQ(page.ProgressBar()->value(), 128);
    EXPECT_EQ(page.Estimate()->text(), QStringLiteral("Записано: 128 из 128 блоков"));
    EXPECT_EQ(messages.count(), 0u);
}

TEST_F(WarningPageTest, activationAndWriteSendTheirCommandsInOrder)
{
    page.OnSetActive();
    EXPECT_EQ(link.commands, QStringList({"ATS4"}));
    EXPECT_FALSE(page.PictureBox()->FullSizeBitmap().isNull()) << "the built-in warning picture";
    Write();
    EXPECT_EQ(link.commands, Upload(PictureUpload::Picture::Warning));
}

// Where the loop stops is the module library's (tests/module); the page
// shows the blocks done and one box.
TEST_F(GuideLinePageTest, aFailedBlockLeavesTheBarAtTheBlocksDoneAndShowsOneBox)
{
    page.OnSetActive();
    for (const char *refused : {"ATA000D0900", "ATB0X000D0900"}) {
        SCOPED_TRACE(refused);
        messages.clear();
        link.answer = [refused](const QString &command) { return command == QLatin1String(refused) ? kLinkFail : kLinkOk; };
        Write();
        EXPECT_EQ(page.ProgressBar()->value(), 9);
        ASSERT_EQ(messages.count(), 1u) << "one device error box";
        EXPECT_TRUE(messages.all()[0].text.startsWith(QStringLiteral("При настройке устройства возникла ошибка.")));
    }
}

TEST_F(GuideLinePageTest, blocksReadBackDifferentAreCountedInOneMessageAfterTheClosingCommands)
{
    page.OnSetActive();
    link.corrupt = {3, 77};
    Write();
    ASSERT_EQ(messages.count(), 1u);
    EXPECT_TRUE(messages.all()[0].text.contains(QStringLiteral("2 из 128"))) << qPrintable(messages.all()[0].text);
    EXPECT_EQ(messages.all()[0].icon, UserMessage::Icon::Warning);
}

TEST_F(GuideLinePageTest, windowStaysAliveAndTakesNoInputDuringALongWait)
{
    page.OnSetActive();
    // Every block is slow, the sixth very slow: a module taking its time.
    link.answer = [](const QString &command) {
        if (command.startsWith(QLatin1String("ATA")))
            QThread::msleep(command == QLatin1String("ATA000D0500") ? 400 : 2);
        return kLinkOk;
    };
    QList<int> positions;
    QStringList estimates;
    int defaultClicks = 0;
    QObject::connect(Button(Ids::IDC_BUTTON_DEFAULT), &QPushButton::clicked, [&] { ++defaultClicks; });
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        positions << page.ProgressBar()->value();
        estimates << page.Estimate()->text();
        QTest::mouseClick(Button(Ids::IDC_BUTTON_DEFAULT), Qt::LeftButton);
    });
    watch.start();
    Write();
    watch.stop();
    EXPECT_GT(positions.count(5), 3) << "the window ran while block 5 waited";
    EXPECT_TRUE(estimates.filter(QStringLiteral("Осталось около")).size() > 0);
    EXPECT_EQ(defaultClicks, 0) << "no input reached the page";
    EXPECT_EQ(page.Estimate()->text(), QStringLiteral("Записано: 128 из 128 блоков")) << "no estimate once done";
    QTest::mouseClick(Button(Ids::IDC_BUTTON_DEFAULT), Qt::LeftButton);
    EXPECT_EQ(defaultClicks, 1) << "and input works again afterwards";
}

TEST_F(GuideLinePageTest, fileButtonsKeepThePathAndDefaultShowsTheRecordsLines)
{
    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("broken.bmp"));
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BM not really a picture");
    }
    page.OnSetActive();
    ScriptedFileDialogs dialogs;

    // The built-in picture is the record's own lines.
    QImage exported(400, 312, QImage::Format_RGB32);
    exported.fill(Qt::black);
    exported.setPixel(10, 20, qRgb(0, 255, 0));
    QTest::mouseClick(Button(Ids::IDC_BUTTON_DEFAULT), Qt::LeftButton);
    const QImage lines = RenderGuideLinePicture(host.Record());
    EXPECT_EQ(page.PictureBox()->FullSizeBitmap(), lines);
    // Saved, it is what the next steps load.
    page.PictureBox()->SetBitmap(exported);

    const QString saved = dir.filePath(QStringLiteral("lines"));
    dialogs.answer(saved);
    QTest::mouseClick(Button(Ids::IDC_BUTTON_SAVE), Qt::LeftButton);
    ASSERT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].defaultSuffix, QStringLiteral("bmp"));
    EXPECT_TRUE(QFile::exists(saved));

    dialogs.answer(broken);
    QTest::mouseClick(Button(Ids::IDC_BUTTON_LOAD), Qt::LeftButton);
    EXPECT_TRUE(page.PictureBox()->FullSizeBitmap().isNull()) << "an unreadable file leaves the picture empty";
    EXPECT_EQ(host.Record().CustomFileLines, broken) << "but its path is kept";
    EXPECT_EQ(messages.count(), 0u);

    dialogs.answer(saved);
    QTest::mouseClick(Button(Ids::IDC_BUTTON_LOAD), Qt::LeftButton);
    EXPECT_EQ(page.PictureBox()->FullSizeBitmap().pixel(10, 20), qRgb(0, 255, 0));
    QTest::mouseClick(Button(Ids::IDC_BUTTON_DEFAULT), Qt::LeftButton);
    EXPECT_TRUE(host.Record().CustomFileLines.isEmpty());
    EXPECT_TRUE(page.Path().isEmpty());
}

// The picture follows the record on every visit unless a BMP was loaded:
// after Load and a jump here nothing stale or empty is written unasked.
TEST_F(GuideLinePageTest, activationRendersTheRecordUnlessTheInstallerLoadedABmp)
{
    page.OnSetActive();
    EXPECT_EQ(page.PictureBox()->FullSizeBitmap(), RenderGuideLinePicture(host.Record()));
    host.Prepare([](Settings &s) { s.SetPoint(5, 3.0, 2.0, 1); });
    page.OnSetActive();
    EXPECT_EQ(page.PictureBox()->FullSizeBitmap(), RenderGuideLinePicture(host.Record())) << "rendered anew";

    QTemporaryDir dir;
    QImage own(400, 312, QImage::Format_RGB32);
    own.fill(Qt::black);
    own.setPixel(10, 20, qRgb(0, 255, 0));
    const QString file = dir.filePath(QStringLiteral("own.bmp"));
    ASSERT_TRUE(own.save(file, "BMP"));
    host.Prepare([&](Settings &s) {
        s.CustomFileLines = file;
        s.SetPoint(5, 4.0, 2.0, 1);
    });
    page.OnSetActive();
    EXPECT_EQ(page.PictureBox()->FullSizeBitmap().pixel(10, 20), qRgb(0, 255, 0)) << "the installer's BMP stays";
}

TEST_F(GuideLinePageTest, aPictureWithoutLinesIsWrittenOnlyWhenConfirmed)
{
    const struct {
        const char *name;
        bool lines;
        int answer;  // to the question, when it is asked
        int asked, blocks;
    } cases[] = {
        {"lines: no question", true, 1, 0, 128},
        {"empty, cancelled", false, 1, 1, 0},
        {"empty, confirmed", false, 0, 1, 128},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        host.Prepare([&](Settings &s) {
            for (int i = 0; i <= 22 && !c.lines; ++i)
                s.PointFlags[size_t(i)] = 0;
            s.BaseLineText.clear();
            s.SideLineMode = 0;
        });
        page.OnSetActive();
        ScriptedQuestions questions;
        questions.answer(c.answer);
        Write();
        EXPECT_EQ(int(questions.asked().size()), c.asked);
        EXPECT_EQ(link.commands.filter(QStringLiteral("ATB0X")).size(), c.blocks);
    }
}

TEST(PicturePageDemo, saysThatNothingIsWritten)
{
    FakeHost host;
    DeviceLink demo;
    CPageLoadWarn page;
    page.SetHost(&host);
    page.SetLink(&demo);
    page.EnsureInitialised();
    page.OnSetActive();
    EXPECT_TRUE(page.Estimate()->text().startsWith(QStringLiteral("Демо-режим"))) << qPrintable(page.Estimate()->text());
    page.WriteToModule();
    EXPECT_EQ(page.Estimate()->text(), QStringLiteral("Демо-режим: в модуль ничего не записано."));
    page.ReadFromModule();
    EXPECT_EQ(page.Estimate()->text(), QStringLiteral("Демо-режим: модуль не подключён, читать из него нечего."));
    EXPECT_TRUE(page.ModulePictureBox()->FullSizeBitmap().isNull());
}

} // namespace
