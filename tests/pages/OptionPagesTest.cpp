// The option pages (camera and monitor, grid shift, parking sensor, warning
// time) hosted one at a time with the module follower on a recording link:
// what each control's event puts into the record and so sends to the
// module, driven by real keys and clicks; values from hand-edited files; the
// warning preview cycle; failed commands.
#include "CGuideLinePreview.h"
#include "CPageGridShift.h"
#include "CPageLineBold.h"
#include "CPageMarkPlace.h"
#include "CPageMonCam.h"
#include "CPageParktronic.h"
#include "CPageWarning.h"
#include "CPictureBox.h"
#include "CValueSpinCtrl.h"
#include "Configuration.h"
#include "FakePageHost.h"
#include "GuideLineRenderer.h"
#include "IniFile.h"
#include "RecordingLink.h"
#include "ResourceIds.h"
#include "Settings.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <tuple>

namespace {

enum class PageKind { MonCam, GridShift, Parktronic, Warning, LineBold, MarkPlace };

FollowedStep StepOf(PageKind kind)
{
    switch (kind) {
    case PageKind::MonCam: return FollowedStep::CameraMonitor;
    case PageKind::GridShift: return FollowedStep::GridShift;
    case PageKind::Parktronic: return FollowedStep::ParkingSensor;
    case PageKind::Warning: return FollowedStep::Warning;
    default: return FollowedStep::None;
    }
}

std::unique_ptr<CPageView> MakePage(PageKind kind)
{
    switch (kind) {
    case PageKind::MonCam: return std::make_unique<CPageMonCam>();
    case PageKind::GridShift: return std::make_unique<CPageGridShift>();
    case PageKind::Parktronic: return std::make_unique<CPageParktronic>();
    case PageKind::Warning: return std::make_unique<CPageWarning>();
    case PageKind::LineBold: return std::make_unique<CPageLineBold>();
    case PageKind::MarkPlace: return std::make_unique<CPageMarkPlace>();
    }
    return nullptr;
}

// One page on a fake sheet with a recording link, initialised and shown as
// the sheet shows it just before its first activation.
struct Hosted {
    explicit Hosted(PageKind kind, const std::function<void(Settings &)> &prepare = {})
        : step(StepOf(kind)), page(MakePage(kind))
    {
        if (prepare)
            host.Prepare(prepare);
        host.follower.SetLink(&link);
        host.follower.SetBeforeBox([this] { page->EndHeldPresses(); });
        page->SetHost(&host);
        page->SetLink(&link);
        page->EnsureInitialised();
        page->resize(580, 455);
        page->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }
    template <typename T> T &As() { return *static_cast<T *>(page.get()); }
    // Shown and left as the sheet does: the module follows the step.
    void Activate()
    {
        host.follower.Shown(step);
        page->OnSetActive();
    }
    void Leave()
    {
        page->OnKillActive();
        host.follower.Left(step);
    }
    const Settings &Record() const { return host.Record(); }

    FollowedStep step;
    FakeHost host;
    RecordingLink link;
    RecordedMessages messages;
    std::unique_ptr<CPageView> page;
};

QComboBox *Combo(CPageView &page, int id)
{
    return page.findChild<QComboBox *>(Ids::ObjectName(id));
}

// Actions on a page, by real keys and clicks.
using Action = std::function<void(CPageView &)>;

Action ComboKey(int id, Qt::Key key)
{
    return [=](CPageView &p) { QTest::keyClick(Combo(p, id), key); };
}

Action Spin(bool x, bool up)
{
    return [=](CPageView &p) {
        CValueSpinCtrl *spin = x ? p.SpinX(0) : p.SpinY(0);
        QTest::mouseClick(up ? spin->UpButton() : spin->DownButton(), Qt::LeftButton);
    };
}

// Types text into the X or Y field and presses Enter.
Action Type(bool x, const char *text)
{
    return [=](CPageView &p) {
        QLineEdit *edit = x ? p.EditX(0) : p.EditY(0);
        edit->setFocus();
        edit->setText(QString::fromUtf8(text));
        QTest::keyClick(edit, Qt::Key_Return);
    };
}

Action Shift(Qt::Key key)
{
    return [=](CPageView &p) {
        p.EditX(0)->setFocus();
        QTest::keyClick(p.EditX(0), key, Qt::ShiftModifier);
    };
}

QImage Rgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage Bitmap(int id)
{
    return Rgb(QImage(Ids::BitmapPath(id)));
}

// A visit without a choice leaves the record as it was, also a hand-edited
// one whose values the pages show within their ranges.
TEST(OptionPages, aVisitWithoutAChoiceLeavesTheRecordAsItWas)
{
    const std::pair<PageKind, std::function<void(Settings &)>> cases[] = {
        {PageKind::MonCam, [](Settings &s) { s.Reflection = true; s.LineBrightness = 33; }},
        {PageKind::GridShift, [](Settings &s) { s.CameraShiftX = 300; s.CameraShiftY = -7; }},
        {PageKind::Parktronic, [](Settings &s) { s.IndicatorX = 300; s.IndicatorY = 1000; s.RearEnabled = 7; }},
        {PageKind::Warning, [](Settings &s) { s.WarningSeconds = 9; s.LineBrightness = 500; s.BackgroundBrightness = -3; }},
        {PageKind::LineBold, [](Settings &s) { s.LineThickness = 99; s.CurveTicks = -5; }},
        {PageKind::MarkPlace, [](Settings &s) { s.SideLineMode = 42; s.LabelShiftY = 300; }},
    };
    for (const auto &[kind, prepare] : cases) {
        SCOPED_TRACE(int(kind));
        Hosted h(kind, prepare);
        Settings before;
        prepare(before);
        h.Activate();
        EXPECT_EQ(h.host.checked, h.page->ViewItemId());
        h.page->CommitToRecord();
        h.Leave();
        EXPECT_EQ(h.messages.count(), 0u);
        EXPECT_TRUE(h.Record().SameConfiguration(before)) << "the page changed the record by itself";
    }
}

struct EventCase {
    const char *name;
    PageKind kind;
    std::function<void(Settings &)> prepare;
    Action act;
    QStringList sent;
    int Settings::*field;  // the setting the event changes, and its value after
    int value;
    size_t messages = 0;
};

TEST(OptionPages, eachControlSendsItsCommandsAtOnce)
{
    using P = PageKind;
    const auto bright = [](Settings &s) { s.LineBrightness = 50; s.BackgroundBrightness = 30; };
    const auto front = [](Settings &s) { s.FrontEnabled = 1; };
    const EventCase cases[] = {
        // Grid shift: every change sends the axis it changed.
        {"X spin", P::GridShift, {}, Spin(true, true), {"ATJ251"}, &Settings::CameraShiftX, 251},
        {"Y spin", P::GridShift, {}, Spin(false, false), {"ATK44"}, &Settings::CameraShiftY, 44},
        {"Enter in X", P::GridShift, {}, Type(true, "100"), {"ATJ100"}, &Settings::CameraShiftX, 100},
        {"Enter in Y", P::GridShift, {}, Type(false, "0"), {"ATK0"}, &Settings::CameraShiftY, 0},
        {"Enter out of range", P::GridShift, {}, Type(true, "256"), {}, &Settings::CameraShiftX, 250, 1},
        {"Shift+Right", P::GridShift, {}, Shift(Qt::Key_Right), {"ATJ251"}, &Settings::CameraShiftX, 251},
        {"Shift+Up", P::GridShift, {}, Shift(Qt::Key_Up), {"ATK44"}, &Settings::CameraShiftY, 44},
        {"Shift+Right at 255", P::GridShift, [](Settings &s) { s.CameraShiftX = 255; }, Shift(Qt::Key_Right), {},
         &Settings::CameraShiftX, 255},
        {"Shift+Left at 0", P::GridShift, [](Settings &s) { s.CameraShiftX = 0; }, Shift(Qt::Key_Left), {},
         &Settings::CameraShiftX, 0},

        // Parking sensor: every change sends the three sensor commands.
        // ("Y spin at 0": nothing changes, nothing is sent.)
        {"rear chosen", P::Parktronic, {}, ComboKey(Ids::IDC_COMBO_REAR, Qt::Key_Down), {"ATO1", "ATR0", "ATP0"},
         &Settings::RearEnabled, 1},
        {"rear removed", P::Parktronic, [](Settings &s) { s.RearEnabled = 1; }, ComboKey(Ids::IDC_COMBO_REAR, Qt::Key_Up),
         {"ATO0", "ATR0", "ATP0"}, &Settings::RearEnabled, 0},
        {"rear removed, front set by a file", P::Parktronic, [](Settings &s) { s.FrontEnabled = s.RearEnabled = 1; },
         ComboKey(Ids::IDC_COMBO_REAR, Qt::Key_Up), {"ATO1", "ATR0", "ATP0"}, &Settings::FrontEnabled, 1},
        {"front chosen", P::Parktronic, front, ComboKey(Ids::IDC_COMBO1, Qt::Key_Home), {"ATO0", "ATR0", "ATP0"},
         &Settings::FrontEnabled, 0},
        {"X spin", P::Parktronic, {}, Spin(true, true), {"ATO0", "ATR1", "ATP0"}, &Settings::IndicatorX, 1},
        {"Y spin at 0", P::Parktronic, {}, Spin(false, false), {}, &Settings::IndicatorY, 0},
        {"Enter in Y", P::Parktronic, {}, Type(false, "200"), {"ATO0", "ATR0", "ATP200"}, &Settings::IndicatorY, 200},
        {"Enter 11 in X", P::Parktronic, {}, Type(true, "11"), {}, &Settings::IndicatorX, 0, 1},
        {"Shift+Right", P::Parktronic, {}, Shift(Qt::Key_Right), {"ATO0", "ATR1", "ATP0"}, &Settings::IndicatorX, 1},
        {"Shift+Down", P::Parktronic, {}, Shift(Qt::Key_Down), {"ATO0", "ATR0", "ATP1"}, &Settings::IndicatorY, 1},
        {"Shift+Right at 10", P::Parktronic, [](Settings &s) { s.IndicatorX = 10; }, Shift(Qt::Key_Right), {},
         &Settings::IndicatorX, 10},

        // Warning: the time list sends nothing; brightness sends both values.
        {"time chosen", P::Warning, {}, ComboKey(Ids::IDC_COMBO1, Qt::Key_Down), {}, &Settings::WarningSeconds, 1},
        {"line spin", P::Warning, bright, Spin(true, true), {"ATG51", "ATH30"}, &Settings::LineBrightness, 51},
        {"background spin", P::Warning, bright, Spin(false, false), {"ATG50", "ATH29"}, &Settings::BackgroundBrightness, 29},
        {"Enter in line", P::Warning, bright, Type(true, "20"), {"ATG20", "ATH30"}, &Settings::LineBrightness, 20},
        {"Enter 81", P::Warning, bright, Type(false, "81"), {}, &Settings::BackgroundBrightness, 30, 1},
        {"no Shift steps here", P::Warning, bright, Shift(Qt::Key_Right), {}, &Settings::LineBrightness, 50},
    };
    for (const EventCase &c : cases) {
        SCOPED_TRACE(c.name);
        Hosted h(c.kind, c.prepare);
        h.Activate();
        h.link.commands.clear();
        c.act(*h.page);
        EXPECT_EQ(h.link.commands, c.sent);
        EXPECT_EQ(h.Record().*c.field, c.value);
        EXPECT_EQ(h.messages.count(), c.messages);
    }
}

TEST(OptionPages, beforeTheFirstActivationAChangeChangesOnlyTheControl)
{
    const std::pair<PageKind, Action> cases[] = {
        {PageKind::MonCam, ComboKey(Ids::IDC_COMBO_MIRROR, Qt::Key_Down)},
        {PageKind::Parktronic, ComboKey(Ids::IDC_COMBO_REAR, Qt::Key_Down)},
        {PageKind::Warning, ComboKey(Ids::IDC_COMBO1, Qt::Key_Down)},
        {PageKind::GridShift, Spin(true, true)},
        {PageKind::GridShift, Type(false, "7")},
        {PageKind::Parktronic, Spin(false, true)},
        {PageKind::Warning, Spin(true, true)},
    };
    int n = 0;
    for (const auto &[kind, act] : cases) {
        SCOPED_TRACE(++n);
        Hosted h(kind);
        const QStringList fields = {h.page->EditX(0) ? h.page->EditX(0)->text() : QString(),
                                    h.page->EditY(0) ? h.page->EditY(0)->text() : QString()};
        act(*h.page);
        EXPECT_TRUE(h.link.commands.isEmpty());
        const Settings s;  // the record as constructed, which the page left alone
        EXPECT_TRUE(h.Record().SameConfiguration(s));
        // The fields' start values: 1 and 1 for the grid shift, 5 and 0 for
        // the sensor position.
        if (kind == PageKind::GridShift) {
            EXPECT_EQ(fields, (QStringList{"1", "1"}));
        } else if (kind == PageKind::Parktronic) {
            EXPECT_EQ(fields, (QStringList{"5", "0"}));
        }
    }
}

// A configuration edited by hand: the pages show what they send, and the
// record keeps the file's values; an unknown sensor type shows no entry and
// counts as fitted.
TEST(OptionPages, handEditedValuesAreShownInRangeAndKeptInTheRecord)
{
    Hosted grid(PageKind::GridShift, [](Settings &s) { s.CameraShiftX = 300; });
    grid.Activate();
    EXPECT_EQ(grid.page->EditX(0)->text(), QStringLiteral("255"));
    EXPECT_EQ(grid.Record().CameraShiftX, 300);
    EXPECT_FALSE(grid.host.document.IsModified()) << "the configuration still is its file";

    Hosted sensor(PageKind::Parktronic, [](Settings &s) { s.IndicatorX = 300; s.RearEnabled = 7; });
    sensor.Activate();
    EXPECT_EQ(sensor.Record().IndicatorX, 300);
    EXPECT_EQ(Combo(*sensor.page, Ids::IDC_COMBO_REAR)->currentIndex(), -1);
    EXPECT_EQ(sensor.Record().RearEnabled, 7);

    Hosted warning(PageKind::Warning, [](Settings &s) { s.WarningSeconds = 9; s.BackgroundBrightness = -3; });
    warning.Activate();
    EXPECT_EQ(Combo(*warning.page, Ids::IDC_COMBO1)->currentText(), QStringLiteral("Показывать 5 с"));
    EXPECT_EQ(warning.page->EditY(0)->text(), QStringLiteral("20"));
    EXPECT_EQ(std::pair(warning.Record().WarningSeconds, warning.Record().BackgroundBrightness), std::pair(9, -3));
}

// "В мониторе" stores Reflection 1, sends SetMirroring(1) and shows the
// note mirrored, as the monitor will show it.
TEST(OptionPages, theMirroringChoiceIsStoredSentAndShown)
{
    Hosted h(PageKind::MonCam);
    auto &page = h.As<CPageMonCam>();
    h.Activate();
    EXPECT_EQ(Rgb(page.Picture()->FullSizeBitmap()), Bitmap(Ids::BITMAP_NOTE));
    h.link.commands.clear();
    ComboKey(Ids::IDC_COMBO_MIRROR, Qt::Key_Down)(page);
    EXPECT_EQ(page.MirrorCombo()->currentText(), QStringLiteral("В мониторе"));
    EXPECT_TRUE(h.Record().Reflection);
    EXPECT_EQ(h.link.commands, QStringList{"ATQ1"});
    EXPECT_EQ(Rgb(page.Picture()->FullSizeBitmap()), Bitmap(Ids::BITMAP_NOTE_MIRRORED));
    ComboKey(Ids::IDC_COMBO_MIRROR, Qt::Key_Up)(page);
    EXPECT_FALSE(h.Record().Reflection);
    EXPECT_EQ(h.link.commands, (QStringList{"ATQ1", "ATQ0"}));
    EXPECT_EQ(Rgb(page.Picture()->FullSizeBitmap()), Bitmap(Ids::BITMAP_NOTE));
}

TEST(OptionPages, theGridShiftMovesThePreviewGrid)
{
    Hosted h(PageKind::GridShift);
    auto &page = h.As<CPageGridShift>();
    h.Activate();
    Shift(Qt::Key_Down)(page);
    // The same grid alone, drawn at the new shift.
    CGuideLinePreview expected;
    expected.resize(page.Preview()->size());
    expected.SetShowPoints(false);
    expected.SetShowLines(false);
    expected.SetGridShift(46);
    EXPECT_EQ(page.Preview()->grab().toImage(), expected.grab().toImage());
    expected.SetGridShift(45);
    EXPECT_NE(page.Preview()->grab().toImage(), expected.grab().toImage());
}

TEST(OptionPages, theParkingIndicatorFollowsTheSensorAndItsPosition)
{
    Hosted h(PageKind::Parktronic);
    auto &page = h.As<CPageParktronic>();
    h.Activate();
    const QImage none = page.Preview()->grab().toImage();
    QTest::keyClick(page.RearCombo(), Qt::Key_Down);
    const QImage fitted = page.Preview()->grab().toImage();
    EXPECT_NE(fitted, none) << "the indicator appears";
    Spin(true, true)(page);
    EXPECT_NE(page.Preview()->grab().toImage(), fitted) << "and moves";
    QTest::keyClick(page.RearCombo(), Qt::Key_Up);
    Shift(Qt::Key_Left)(page);
    EXPECT_EQ(page.Preview()->grab().toImage(), none);
}

// A record whose guide-line picture is not black: the base line and a label.
void WithBaseLine(Settings &s)
{
    for (int i = 0; i <= 2; ++i)
        s.SetPoint(i, 2.0 + 3 * i, 8.0, 1);
    s.BaseLineMode = 1;
}

class WarningCycle : public ::testing::Test {
protected:
    QImage Shown(CPageWarning &page) { return Rgb(page.Picture()->FullSizeBitmap()); }
    static QImage Lines(const Settings &s) { return Rgb(RenderGuideLinePicture(s)); }

    QImage lines;
};

TEST_F(WarningCycle, twoSecondsWarningFourLinesOneUnchanged)
{
    Hosted h(PageKind::Warning, WithBaseLine);
    auto &page = h.As<CPageWarning>();
    lines = Lines(h.Record());
    h.Activate();
    EXPECT_TRUE(page.CycleRunning());
    EXPECT_EQ(Shown(page), lines) << "the guide lines on activation";
    QTest::keyClick(page.WarningCombo(), Qt::Key_Down);
    QTest::keyClick(page.WarningCombo(), Qt::Key_Down);
    ASSERT_EQ(page.WarningCombo()->currentText(), QStringLiteral("Показывать 2 с"));
    h.link.commands.clear();

    const QImage warning = Bitmap(Ids::BITMAP_WARNING);
    struct Second {
        QStringList sent;
        QImage shown;
    };
    const Second seconds[] = {
        {{"ATS4"}, warning}, {{}, warning},                                   // warning, 2 s
        {{"ATS1"}, lines},   {{}, lines},   {{}, lines}, {{}, lines},         // lines, 4 s
        {{}, lines},                                                          // unchanged, 1 s
        {{"ATS4"}, warning},                                                  // and again
    };
    int second = 0;
    for (const Second &s : seconds) {
        SCOPED_TRACE(++second);
        h.link.commands.clear();
        page.Tick();
        EXPECT_EQ(h.link.commands, s.sent);
        EXPECT_EQ(Shown(page), s.shown);
    }
    h.Leave();
    EXPECT_FALSE(page.CycleRunning());
}

TEST_F(WarningCycle, notShownSendsNothingAndKeepsTheLines)
{
    Hosted h(PageKind::Warning, WithBaseLine);
    auto &page = h.As<CPageWarning>();
    lines = Lines(h.Record());
    h.Activate();
    h.link.commands.clear();
    for (int i = 0; i < 5; ++i)
        page.Tick();
    EXPECT_TRUE(h.link.commands.isEmpty());
    EXPECT_EQ(Shown(page), lines);
}

// The lines are the record's as it stands when the page is shown, whatever
// was drawn elsewhere; the cycle shows them without drawing them again.
TEST_F(WarningCycle, linesAreTheRecordsDrawnOncePerVisit)
{
    Hosted h(PageKind::Warning, [](Settings &s) {
        WithBaseLine(s);
        s.WarningSeconds = 1;
    });
    auto &page = h.As<CPageWarning>();
    const QImage first = Lines(h.Record());
    h.Activate();
    EXPECT_EQ(Shown(page), first);
    h.host.Prepare([](Settings &s) { s.SetPoint(1, 5.0, 6.0, 1); });
    const QImage second = Lines(h.Record());
    ASSERT_NE(first, second);
    page.Tick();  // the warning
    page.Tick();  // the lines again: still this visit's
    EXPECT_EQ(Shown(page), first);
    h.Leave();
    h.Activate();
    EXPECT_EQ(Shown(page), second) << "the next visit draws the record anew";
}

TEST_F(WarningCycle, chosenPictureFilesAreShownAndABrokenOneLeavesTheAreaEmpty)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage custom(400, 312, QImage::Format_RGB32);
    custom.fill(qRgb(255, 255, 255));
    const QString customPath = dir.filePath(QStringLiteral("lines.bmp"));
    ASSERT_TRUE(custom.save(customPath, "BMP"));
    const QString brokenPath = dir.filePath(QStringLiteral("broken.bmp"));
    QFile broken(brokenPath);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write("BM garbage") > 0);
    broken.close();

    Hosted h(PageKind::Warning, [&](Settings &s) {
        s.WarningSeconds = 1;
        s.CustomFileLines = customPath;
        s.CustomFileWarning = brokenPath;
    });
    auto &page = h.As<CPageWarning>();
    h.Activate();
    EXPECT_EQ(Shown(page), Rgb(custom));
    page.Tick();
    EXPECT_TRUE(page.Picture()->FullSizeBitmap().isNull());
    page.Tick();
    EXPECT_EQ(Shown(page), Rgb(custom));
}

// An arrow held down while the module fails: the first failure ends the
// hold, so one step is sent and its boxes shown once; the release adds
// nothing, and the next click steps again.
TEST(OptionPages, aFailedStepEndsTheArrowsRepeat)
{
    const std::tuple<PageKind, bool, QStringList> cases[] = {
        {PageKind::GridShift, true, {"ATJ251"}}, {PageKind::Parktronic, false, {"ATO0", "ATR0", "ATP1"}},
        {PageKind::Warning, true, {"ATG51", "ATH25"}},
    };
    for (const auto &[kind, x, sent] : cases) {
        SCOPED_TRACE(int(kind));
        Hosted h(kind, [](Settings &s) { s.LineBrightness = 50; });
        h.Activate();
        h.link.commands.clear();
        h.link.answer = [](const QString &) { return kLinkFail; };
        QToolButton *arrow = (x ? h.page->SpinX(0) : h.page->SpinY(0))->UpButton();
        QTest::mousePress(arrow, Qt::LeftButton);
        QTest::qWait(800);  // past the repeat delay and several repeats
        QTest::mouseRelease(arrow, Qt::LeftButton);
        EXPECT_EQ(h.link.commands, sent);
        EXPECT_EQ(h.messages.count(), size_t(sent.size()));
        QTest::mouseClick(arrow, Qt::LeftButton);
        EXPECT_EQ(h.link.commands.size(), 2 * sent.size());
    }
}

TEST(OptionPages, aFailedCommandShowsOneBoxAndTheSequenceGoesOn)
{
    {
        Hosted h(PageKind::MonCam);
        h.link.answer = [](const QString &c) { return c == QLatin1String("ATQ0") ? kLinkFail : kLinkOk; };
        h.Activate();
        EXPECT_EQ(h.link.commands, (QStringList{"ATS1", "ATQ0", "ATG70", "ATH25"}));
        ASSERT_EQ(h.messages.count(), 1u);
        EXPECT_EQ(h.messages.all()[0].text,
                  QStringLiteral("При настройке устройства возникла ошибка.\nПроверьте соединительный кабель, "
                                 "питание и повторите операцию."));
    }
    {
        // A module that is gone: twelve boxes when the warning page is left.
        Hosted h(PageKind::Warning);
        h.Activate();
        h.messages.clear();
        h.link.commands.clear();
        h.link.answer = [](const QString &) { return kLinkFail; };
        h.Leave();
        EXPECT_EQ(h.link.commands.size(), 12) << "the full settings write goes on";
        EXPECT_EQ(h.messages.count(), 12u);
    }
}

// Each page at the sheet's start size, with the built-in guide points
// entered: every control inside the page and clear of the others, no label
// cut off. With TARVELLO_SCREENSHOT_DIR set, the pictures are kept there.
TEST_F(WarningCycle, pagesAtTheSheetsStartSizeShowEveryControlWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    IniFile::Clear();
    Settings config;
    ConfigurationFiles files;
    files.defaultFileName = dir.filePath(QStringLiteral("default.ini"));
    NewConfiguration(config, files);
    IniFile::Clear();
    for (int i = 0; i <= 22; ++i) {
        double x = 0, y = 0;
        unsigned char flag = 0;
        config.GetPoint(i, x, y, flag);
        config.SetPoint(i, x, y, 1);
    }
    config.SideLineMode = config.BaseLineMode = 1;
    config.RearEnabled = 1;
    config.IndicatorX = 3;
    config.IndicatorY = 40;
    config.WarningSeconds = 3;

    const std::pair<PageKind, const char *> pages[] = {{PageKind::MonCam, "page02-moncam.png"},
                                                       {PageKind::GridShift, "page03-gridshift.png"},
                                                       {PageKind::Parktronic, "page14-parktronic.png"},
                                                       {PageKind::Warning, "page15-warning.png"}};
    const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR");
    auto shoot = [&](QWidget *page, const char *file) {
        QTest::qWait(20);
        if (!keep.isEmpty())
            page->grab().toImage().save(QDir(keep).filePath(QString::fromLatin1(file)));
    };
    for (const auto &[kind, file] : pages) {
        SCOPED_TRACE(file);
        Hosted h(kind, [&](Settings &s) { s = config; });
        h.Activate();
        shoot(h.page.get(), file);
        if (kind == PageKind::Warning) {
            h.As<CPageWarning>().Tick();
            shoot(h.page.get(), "page15-warning-cycle.png");
        }
        std::vector<QWidget *> controls;
        for (QWidget *w : h.page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (w->objectName().startsWith(QLatin1String("id")) && w->isVisible())
                controls.push_back(w);
        ASSERT_GE(controls.size(), 4u);
        for (QWidget *w : controls) {
            EXPECT_TRUE(h.page->rect().contains(w->geometry())) << w->objectName().toStdString();
            if (auto *label = qobject_cast<QLabel *>(w)) {
                EXPECT_LE(label->sizeHint().width(), label->width()) << "cut off: " << label->text().toStdString();
            }
            for (QWidget *other : controls) {
                if (other != w) {
                    EXPECT_FALSE(w->geometry().intersects(other->geometry()))
                        << w->objectName().toStdString() << " covers " << other->objectName().toStdString();
                }
            }
        }
    }
}

} // namespace
