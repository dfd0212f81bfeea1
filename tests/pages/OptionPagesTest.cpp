// The option pages (camera and monitor, grid shift, parking sensor, warning
// time) hosted one at a time with a recording link: what each sends to the
// module on activation, on each control's event and on leaving, driven by
// real keys and clicks; values from hand-edited files; the warning preview
// cycle; failed commands.
#include "CGuideLinePreview.h"
#include "CPageGridShift.h"
#include "CPageMonCam.h"
#include "CPageParktronic.h"
#include "CPageWarning.h"
#include "CPictureBox.h"
#include "CValueSpinCtrl.h"
#include "Configuration.h"
#include "FakePageHost.h"
#include "GuideLinePicture.h"
#include "IniFile.h"
#include "ModuleCommands.h"
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

namespace {

enum class PageKind { MonCam, GridShift, Parktronic, Warning };

std::unique_ptr<CPageView> MakePage(PageKind kind)
{
    switch (kind) {
    case PageKind::MonCam: return std::make_unique<CPageMonCam>();
    case PageKind::GridShift: return std::make_unique<CPageGridShift>();
    case PageKind::Parktronic: return std::make_unique<CPageParktronic>();
    case PageKind::Warning: return std::make_unique<CPageWarning>();
    }
    return nullptr;
}

// One page on a fake sheet with a recording link, initialised and shown as
// the sheet shows it just before its first activation.
struct Hosted {
    explicit Hosted(PageKind kind, const std::function<void(Settings &)> &prepare = {})
        : page(MakePage(kind))
    {
        if (prepare)
            prepare(host.settings);
        page->SetHost(&host);
        page->SetLink(&link);
        page->EnsureInitialised();
        page->resize(580, 455);
        page->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }
    template <typename T> T &As() { return *static_cast<T *>(page.get()); }

    FakeHost host;
    RecordingLink link;
    RecordedMessages messages;
    std::unique_ptr<CPageView> page;
};

QComboBox *Combo(CPageView &page, int id)
{
    return page.findChild<QComboBox *>(Ids::ObjectName(id));
}

void Enter(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

void ShiftKey(CPageView &page, Qt::Key key)
{
    page.EditX(0)->setFocus();
    QTest::keyClick(page.EditX(0), key, Qt::ShiftModifier);
}

void Click(QToolButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

QImage Rgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage Bitmap(int id)
{
    return Rgb(QImage(Ids::BitmapPath(id)));
}

const QStringList kDefaultFullWrite = {"ATQ0", "ATK45", "ATJ250", "ATO0", "ATR0", "ATP0",
                                       "ATF0", "ATG80", "ATH25", "ATS1", "ATW", "ATS1"};

struct LifecycleCase {
    const char *name;
    PageKind kind;
    std::function<void(Settings &)> prepare;
    QStringList activation;
    QStringList leaving;
};

TEST(OptionPages, activationAndLeavingSendTheirSequences)
{
    const LifecycleCase cases[] = {
        {"camera and monitor", PageKind::MonCam, {}, {"ATS1", "ATQ0", "ATG70", "ATH25"}, {"ATQ0", "ATW"}},
        {"mirrored in the monitor, whatever the brightness", PageKind::MonCam,
         [](Settings &s) { s.Reflection = true; s.Bright1 = 33; s.Bright2 = 44; },
         {"ATS1", "ATQ1", "ATG70", "ATH25"}, {"ATQ1", "ATW"}},
        {"grid shift, vertical first", PageKind::GridShift, {}, {"ATS3", "ATK45", "ATJ250"}, {"ATK45", "ATJ250", "ATW"}},
        {"parking sensor, none fitted", PageKind::Parktronic, {}, {"ATS1", "ATO0", "ATR0", "ATP0"},
         {"ATO0", "ATR0", "ATP0", "ATW"}},
        {"parking sensor, only the front one", PageKind::Parktronic, [](Settings &s) { s.FrontEnabled = 1; },
         {"ATS1", "ATO1", "ATR0", "ATP0"}, {"ATO1", "ATR0", "ATP0", "ATW"}},
        {"parking sensor, rear one placed", PageKind::Parktronic,
         [](Settings &s) { s.RearEnabled = 1; s.MenuShift = 7; s.MenuShiftY = 200; },
         {"ATS1", "ATO1", "ATR7", "ATP200"}, {"ATO1", "ATR7", "ATP200", "ATW"}},
        // "Не выводить": the warning-dependent screen and the last one are both 1.
        {"warning not shown", PageKind::Warning, {}, {"ATS1", "ATG80", "ATH25"}, kDefaultFullWrite},
        {"warning shown 3 s, every setting in the full write", PageKind::Warning,
         [](Settings &s) {
             s.WarningEnabled = 3; s.Reflection = true; s.CameraShiftX = 12; s.CameraShiftY = 34;
             s.RearEnabled = 1; s.MenuShift = 4; s.MenuShiftY = 99; s.Bright1 = 60; s.Bright2 = 21;
         },
         {"ATS1", "ATG60", "ATH21"},
         {"ATQ1", "ATK34", "ATJ12", "ATO1", "ATR4", "ATP99", "ATF3", "ATG60", "ATH21", "ATS4", "ATW", "ATS1"}},
    };
    for (const LifecycleCase &c : cases) {
        SCOPED_TRACE(c.name);
        Hosted h(c.kind, c.prepare);
        EXPECT_TRUE(h.link.commands.isEmpty()) << "nothing before the first activation";
        h.page->OnSetActive();
        EXPECT_EQ(h.link.commands, c.activation);
        EXPECT_EQ(h.host.checked, h.page->ViewItemId());
        h.link.commands.clear();
        h.page->OnKillActive();
        EXPECT_EQ(h.link.commands, c.leaving);
        EXPECT_EQ(h.messages.count(), 0u);
    }
}

struct EventCase {
    const char *name;
    PageKind kind;
    std::function<void(Settings &)> prepare;
    std::function<void(CPageView &)> act;
    QStringList sent;
    std::function<void(const Settings &)> check;
    size_t messages = 0;
};

TEST(OptionPages, eachControlSendsItsCommandsAtOnce)
{
    const auto bright = [](Settings &s) { s.Bright1 = 50; s.Bright2 = 30; };
    const EventCase cases[] = {
        // Camera and monitor: the mirroring list.
        {"В мониторе", PageKind::MonCam, {},
         [](CPageView &p) { QTest::keyClick(Combo(p, Ids::IDC_COMBO_MIRROR), Qt::Key_Down); }, {"ATQ1"},
         [](const Settings &s) { EXPECT_TRUE(s.Reflection); }},
        {"back to В камере", PageKind::MonCam, [](Settings &s) { s.Reflection = true; },
         [](CPageView &p) { QTest::keyClick(Combo(p, Ids::IDC_COMBO_MIRROR), Qt::Key_Up); }, {"ATQ0"},
         [](const Settings &s) { EXPECT_FALSE(s.Reflection); }},

        // Grid shift: a spin sends its own axis only.
        {"X spin", PageKind::GridShift, {}, [](CPageView &p) { Click(p.SpinX(0)->UpButton()); }, {"ATJ251"},
         [](const Settings &s) { EXPECT_EQ(s.CameraShiftX, 251); EXPECT_EQ(s.CameraShiftY, 45); }},
        {"Y spin", PageKind::GridShift, {}, [](CPageView &p) { Click(p.SpinY(0)->DownButton()); }, {"ATK44"},
         [](const Settings &s) { EXPECT_EQ(s.CameraShiftX, 250); EXPECT_EQ(s.CameraShiftY, 44); }},
        {"Up in the X edit is its spin", PageKind::GridShift, {},
         [](CPageView &p) { p.EditX(0)->setFocus(); QTest::keyClick(p.EditX(0), Qt::Key_Up); }, {"ATJ251"},
         [](const Settings &s) { EXPECT_EQ(s.CameraShiftX, 251); }},
        // Enter and Shift + cursor keys send vertical, then horizontal.
        {"Enter in X", PageKind::GridShift, {}, [](CPageView &p) { Enter(p.EditX(0), "100"); }, {"ATK45", "ATJ100"},
         [](const Settings &s) { EXPECT_EQ(s.CameraShiftX, 100); }},
        {"Enter in Y", PageKind::GridShift, {}, [](CPageView &p) { Enter(p.EditY(0), "0"); }, {"ATK0", "ATJ250"},
         [](const Settings &s) { EXPECT_EQ(s.CameraShiftY, 0); }},
        {"Enter out of range", PageKind::GridShift, {}, [](CPageView &p) { Enter(p.EditX(0), "256"); }, {},
         [](const Settings &s) { EXPECT_EQ(s.CameraShiftX, 250); }, 1},
        {"Shift+Right", PageKind::GridShift, {}, [](CPageView &p) { ShiftKey(p, Qt::Key_Right); }, {"ATK45", "ATJ251"},
         [](const Settings &s) { EXPECT_EQ(s.CameraShiftX, 251); }},
        {"Shift+Up", PageKind::GridShift, {}, [](CPageView &p) { ShiftKey(p, Qt::Key_Up); }, {"ATK44", "ATJ250"},
         [](const Settings &s) { EXPECT_EQ(s.CameraShiftY, 44); }},
        {"Shift+Right at 255", PageKind::GridShift, [](Settings &s) { s.CameraShiftX = 255; },
         [](CPageView &p) { ShiftKey(p, Qt::Key_Right); }, {}, [](const Settings &s) { EXPECT_EQ(s.CameraShiftX, 255); }},
        {"Shift+Left at 0", PageKind::GridShift, [](Settings &s) { s.CameraShiftX = 0; },
         [](CPageView &p) { ShiftKey(p, Qt::Key_Left); }, {}, [](const Settings &s) { EXPECT_EQ(s.CameraShiftX, 0); }},

        // Parking sensor: every change sends the three sensor commands.
        {"rear sensor chosen", PageKind::Parktronic, {},
         [](CPageView &p) { QTest::keyClick(Combo(p, Ids::IDC_PICTURE), Qt::Key_Down); }, {"ATO1", "ATR0", "ATP0"},
         [](const Settings &s) { EXPECT_EQ(s.RearEnabled, 1); }},
        {"rear sensor removed", PageKind::Parktronic, [](Settings &s) { s.RearEnabled = 1; },
         [](CPageView &p) { QTest::keyClick(Combo(p, Ids::IDC_PICTURE), Qt::Key_Up); }, {"ATO0", "ATR0", "ATP0"},
         [](const Settings &s) { EXPECT_EQ(s.RearEnabled, 0); }},
        {"front set from a file, rear chosen and removed", PageKind::Parktronic, [](Settings &s) { s.FrontEnabled = 1; },
         [](CPageView &p) {
             QTest::keyClick(Combo(p, Ids::IDC_PICTURE), Qt::Key_Down);
             QTest::keyClick(Combo(p, Ids::IDC_PICTURE), Qt::Key_Up);
         },
         {"ATO1", "ATR0", "ATP0", "ATO1", "ATR0", "ATP0"}, [](const Settings &s) { EXPECT_EQ(s.FrontEnabled, 1); }},
        {"X spin", PageKind::Parktronic, {}, [](CPageView &p) { Click(p.SpinX(0)->UpButton()); }, {"ATO0", "ATR1", "ATP0"},
         [](const Settings &s) { EXPECT_EQ(s.MenuShift, 1); }},
        {"Y spin at 0 stays", PageKind::Parktronic, {}, [](CPageView &p) { Click(p.SpinY(0)->DownButton()); },
         {"ATO0", "ATR0", "ATP0"}, [](const Settings &s) { EXPECT_EQ(s.MenuShiftY, 0); }},
        {"Enter in Y", PageKind::Parktronic, {}, [](CPageView &p) { Enter(p.EditY(0), "200"); }, {"ATO0", "ATR0", "ATP200"},
         [](const Settings &s) { EXPECT_EQ(s.MenuShiftY, 200); }},
        {"Enter 11 in X", PageKind::Parktronic, {}, [](CPageView &p) { Enter(p.EditX(0), "11"); }, {},
         [](const Settings &s) { EXPECT_EQ(s.MenuShift, 0); }, 1},
        {"Shift+Right", PageKind::Parktronic, {}, [](CPageView &p) { ShiftKey(p, Qt::Key_Right); }, {"ATO0", "ATR1", "ATP0"},
         [](const Settings &s) { EXPECT_EQ(s.MenuShift, 1); }},
        {"Shift+Down", PageKind::Parktronic, {}, [](CPageView &p) { ShiftKey(p, Qt::Key_Down); }, {"ATO0", "ATR0", "ATP1"},
         [](const Settings &s) { EXPECT_EQ(s.MenuShiftY, 1); }},
        {"Shift+Right at 10", PageKind::Parktronic, [](Settings &s) { s.MenuShift = 10; },
         [](CPageView &p) { ShiftKey(p, Qt::Key_Right); }, {}, [](const Settings &s) { EXPECT_EQ(s.MenuShift, 10); }},

        // Warning: the time list sends nothing; brightness sends both values.
        {"warning time chosen", PageKind::Warning, {},
         [](CPageView &p) { QTest::keyClick(Combo(p, Ids::IDC_COMBO1), Qt::Key_Down); }, {},
         [](const Settings &s) { EXPECT_EQ(s.WarningEnabled, 1); }},
        {"line brightness spin", PageKind::Warning, bright, [](CPageView &p) { Click(p.SpinX(0)->UpButton()); },
         {"ATG51", "ATH30"}, [](const Settings &s) { EXPECT_EQ(s.Bright1, 51); }},
        {"background brightness spin", PageKind::Warning, bright, [](CPageView &p) { Click(p.SpinY(0)->DownButton()); },
         {"ATG50", "ATH29"}, [](const Settings &s) { EXPECT_EQ(s.Bright2, 29); }},
        {"Enter in line brightness", PageKind::Warning, bright, [](CPageView &p) { Enter(p.EditX(0), "20"); },
         {"ATG20", "ATH30"}, [](const Settings &s) { EXPECT_EQ(s.Bright1, 20); }},
        {"Enter 81", PageKind::Warning, bright, [](CPageView &p) { Enter(p.EditY(0), "81"); }, {},
         [](const Settings &s) { EXPECT_EQ(s.Bright2, 30); }, 1},
        {"no Shift steps here", PageKind::Warning, bright, [](CPageView &p) { ShiftKey(p, Qt::Key_Right); }, {},
         [](const Settings &s) { EXPECT_EQ(s.Bright1, 50); }},
    };
    for (const EventCase &c : cases) {
        SCOPED_TRACE(c.name);
        Hosted h(c.kind, c.prepare);
        h.page->OnSetActive();
        h.link.commands.clear();
        c.act(*h.page);
        EXPECT_EQ(h.link.commands, c.sent);
        c.check(h.host.settings);
        EXPECT_EQ(h.messages.count(), c.messages);
    }
}

TEST(OptionPages, aChangeBeforeTheFirstActivationChangesOnlyTheControl)
{
    struct Case {
        const char *name;
        PageKind kind;
        std::function<void(CPageView &)> act;
    };
    const Case cases[] = {
        {"mirroring", PageKind::MonCam, [](CPageView &p) { QTest::keyClick(Combo(p, Ids::IDC_COMBO_MIRROR), Qt::Key_Down); }},
        {"rear sensor", PageKind::Parktronic, [](CPageView &p) { QTest::keyClick(Combo(p, Ids::IDC_PICTURE), Qt::Key_Down); }},
        {"warning time", PageKind::Warning, [](CPageView &p) { QTest::keyClick(Combo(p, Ids::IDC_COMBO1), Qt::Key_Down); }},
        {"grid shift spin", PageKind::GridShift, [](CPageView &p) { Click(p.SpinX(0)->UpButton()); }},
        {"grid shift Enter", PageKind::GridShift, [](CPageView &p) { Enter(p.EditY(0), "7"); }},
        {"sensor position spin", PageKind::Parktronic, [](CPageView &p) { Click(p.SpinY(0)->UpButton()); }},
        {"brightness spin", PageKind::Warning, [](CPageView &p) { Click(p.SpinX(0)->UpButton()); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Hosted h(c.kind);
        h.host.settings.Changed = 0;
        const Settings before = h.host.settings;
        c.act(*h.page);
        EXPECT_TRUE(h.link.commands.isEmpty());
        const Settings &s = h.host.settings;
        EXPECT_EQ(s.Reflection, before.Reflection);
        EXPECT_EQ(s.CameraShiftX, before.CameraShiftX);
        EXPECT_EQ(s.CameraShiftY, before.CameraShiftY);
        EXPECT_EQ(s.RearEnabled, before.RearEnabled);
        EXPECT_EQ(s.MenuShiftY, before.MenuShiftY);
        EXPECT_EQ(s.WarningEnabled, before.WarningEnabled);
        EXPECT_EQ(s.Bright1, before.Bright1);
        EXPECT_EQ(s.Changed, 0);
    }
}

TEST(OptionPages, fieldsHoldTheirStartValuesBeforeTheFirstActivation)
{
    Hosted grid(PageKind::GridShift);
    EXPECT_EQ(grid.page->EditX(0)->text(), QStringLiteral("1"));
    EXPECT_EQ(grid.page->EditY(0)->text(), QStringLiteral("1"));
    Hosted sensor(PageKind::Parktronic);
    EXPECT_EQ(sensor.page->EditX(0)->text(), QStringLiteral("5"));
    EXPECT_EQ(sensor.page->EditY(0)->text(), QStringLiteral("0"));
    EXPECT_EQ(Combo(*sensor.page, Ids::IDC_COMBO1)->count(), 1);
    EXPECT_EQ(Combo(*sensor.page, Ids::IDC_COMBO1)->itemText(0), QStringLiteral("Нет парктроника"));
    EXPECT_EQ(Combo(*sensor.page, Ids::IDC_PICTURE)->itemText(1), QStringLiteral("PZ - 118"));
    Hosted warning(PageKind::Warning);
    QComboBox *times = Combo(*warning.page, Ids::IDC_COMBO1);
    ASSERT_EQ(times->count(), 6);
    EXPECT_EQ(times->itemText(0), QStringLiteral("Не выводить"));
    EXPECT_EQ(times->itemText(5), QStringLiteral("Показывать 5с"));
}

// A configuration edited by hand: the pages show and send the nearest value
// the module takes, and the record holds what the page shows.
TEST(OptionPages, handEditedValuesOutOfRangeAreBroughtIntoRange)
{
    {
        Hosted h(PageKind::GridShift, [](Settings &s) { s.CameraShiftX = 300; s.CameraShiftY = -7; s.Changed = 0; });
        h.page->OnSetActive();
        EXPECT_EQ(h.link.commands, (QStringList{"ATS3", "ATK0", "ATJ255"}));
        EXPECT_EQ(h.page->EditX(0)->text(), QStringLiteral("255"));
        EXPECT_EQ(h.host.settings.CameraShiftX, 255);
        EXPECT_EQ(h.host.settings.CameraShiftY, 0);
        EXPECT_EQ(h.host.settings.Changed, 1) << "the configuration now differs from its file";
    }
    {
        Hosted h(PageKind::Parktronic, [](Settings &s) { s.MenuShift = 300; s.MenuShiftY = 1000; s.RearEnabled = 7; });
        h.page->OnSetActive();
        EXPECT_EQ(h.link.commands, (QStringList{"ATS1", "ATO1", "ATR10", "ATP255"}));
        EXPECT_EQ(h.page->EditX(0)->text(), QStringLiteral("10"));
        EXPECT_EQ(h.host.settings.MenuShift, 10);
        // An unknown sensor type shows no entry and still counts as fitted.
        EXPECT_EQ(Combo(*h.page, Ids::IDC_PICTURE)->currentIndex(), -1);
        EXPECT_EQ(h.host.settings.RearEnabled, 7);
    }
    {
        Hosted h(PageKind::Warning, [](Settings &s) { s.WarningEnabled = 9; s.Bright1 = 500; s.Bright2 = -3; });
        h.page->OnSetActive();
        EXPECT_EQ(h.link.commands, (QStringList{"ATS1", "ATG80", "ATH20"}));
        EXPECT_EQ(Combo(*h.page, Ids::IDC_COMBO1)->currentText(), QStringLiteral("Показывать 5с"));
        EXPECT_EQ(h.page->EditX(0)->text(), QStringLiteral("80"));
        EXPECT_EQ(h.host.settings.WarningEnabled, 5);
        h.link.commands.clear();
        h.page->OnKillActive();
        ASSERT_EQ(h.link.commands.size(), 12);
        EXPECT_EQ(h.link.commands[6], QStringLiteral("ATF5"));
        EXPECT_EQ(h.link.commands[9], QStringLiteral("ATS4"));
    }
    {
        // The full settings write on its own (as a command-line run sends it)
        // never sends a value the module does not take.
        Settings s;
        s.Reflection = true;
        s.CameraShiftX = 999;
        s.CameraShiftY = -1;
        s.FrontEnabled = -2;
        s.MenuShift = -5;
        s.MenuShiftY = 256;
        s.WarningEnabled = -1;
        s.Bright1 = 0;
        s.Bright2 = 81;
        RecordingLink link;
        ModuleCommands::SendFullSettings(link, s);
        EXPECT_EQ(link.commands, (QStringList{"ATQ1", "ATK0", "ATJ255", "ATO1", "ATR0", "ATP255", "ATF0", "ATG20",
                                              "ATH80", "ATS1", "ATW", "ATS1"}));
    }
}

TEST(OptionPages, theMonCamPictureShowsTheNoteAsTheMonitorWill)
{
    Hosted h(PageKind::MonCam);
    auto &page = h.As<CPageMonCam>();
    page.OnSetActive();
    EXPECT_EQ(Rgb(page.Picture()->FullSizeBitmap()), Bitmap(Ids::BITMAP_NOTE));
    QTest::keyClick(page.MirrorCombo(), Qt::Key_Down);
    EXPECT_EQ(Rgb(page.Picture()->FullSizeBitmap()), Bitmap(Ids::BITMAP_NOTE_MIRRORED));
    EXPECT_NE(Bitmap(Ids::BITMAP_NOTE), Bitmap(Ids::BITMAP_NOTE_MIRRORED));
}

TEST(OptionPages, theGridShiftMovesThePreviewGrid)
{
    Hosted h(PageKind::GridShift);
    auto &page = h.As<CPageGridShift>();
    page.OnSetActive();
    ShiftKey(page, Qt::Key_Down);
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
    page.OnSetActive();
    const QImage none = page.Preview()->grab().toImage();
    QTest::keyClick(page.RearCombo(), Qt::Key_Down);
    const QImage fitted = page.Preview()->grab().toImage();
    EXPECT_NE(fitted, none) << "the indicator appears";
    Click(page.SpinX(0)->UpButton());
    EXPECT_NE(page.Preview()->grab().toImage(), fitted) << "and moves";
    QTest::keyClick(page.RearCombo(), Qt::Key_Up);
    ShiftKey(page, Qt::Key_Left);
    EXPECT_EQ(page.Preview()->grab().toImage(), none);
}

class WarningCycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        lines = QImage(400, 312, QImage::Format_RGB32);
        lines.fill(qRgb(0, 200, 0));
        PublishGuideLinePicture(lines);
    }
    void TearDown() override { PublishGuideLinePicture(QImage()); }

    QImage Shown(CPageWarning &page) { return Rgb(page.Picture()->FullSizeBitmap()); }

    QImage lines;
};

TEST_F(WarningCycle, twoSecondsWarningFourLinesOneUnchanged)
{
    Hosted h(PageKind::Warning);
    auto &page = h.As<CPageWarning>();
    page.OnSetActive();
    EXPECT_TRUE(page.CycleRunning());
    EXPECT_EQ(Shown(page), lines) << "the guide lines on activation";
    QTest::keyClick(page.WarningCombo(), Qt::Key_Down);
    QTest::keyClick(page.WarningCombo(), Qt::Key_Down);
    ASSERT_EQ(page.WarningCombo()->currentText(), QStringLiteral("Показывать 2с"));
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
    page.OnKillActive();
    EXPECT_FALSE(page.CycleRunning());
}

TEST_F(WarningCycle, notShownSendsNothingAndKeepsTheLines)
{
    Hosted h(PageKind::Warning);
    auto &page = h.As<CPageWarning>();
    page.OnSetActive();
    h.link.commands.clear();
    for (int i = 0; i < 5; ++i)
        page.Tick();
    EXPECT_TRUE(h.link.commands.isEmpty());
    EXPECT_EQ(Shown(page), lines);
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
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("BM\x10\x00\x00\x00garbage");
    broken.close();

    Hosted h(PageKind::Warning, [&](Settings &s) {
        s.WarningEnabled = 1;
        s.CustomFileLines = customPath;
        s.CustomFileWarning = brokenPath;
    });
    auto &page = h.As<CPageWarning>();
    page.OnSetActive();
    EXPECT_EQ(Shown(page), Rgb(custom));
    page.Tick();
    EXPECT_TRUE(page.Picture()->FullSizeBitmap().isNull());
    page.Tick();
    EXPECT_EQ(Shown(page), Rgb(custom));
}

TEST(OptionPages, aFailedCommandShowsOneBoxAndTheSequenceGoesOn)
{
    {
        Hosted h(PageKind::MonCam);
        h.link.answer = [](const QString &c) { return c == QLatin1String("ATQ0") ? kLinkFail : kLinkOk; };
        h.page->OnSetActive();
        EXPECT_EQ(h.link.commands, (QStringList{"ATS1", "ATQ0", "ATG70", "ATH25"}));
        ASSERT_EQ(h.messages.count(), 1u);
        EXPECT_EQ(h.messages.all()[0].text,
                  QStringLiteral("При настройке устройства возникла ошибка.\nПроверьте соединительный кабель, "
                                 "питание и повторите операцию."));
    }
    {
        // A module that is gone: twelve boxes when the warning page is left.
        Hosted h(PageKind::Warning);
        h.page->OnSetActive();
        h.messages.clear();
        h.link.commands.clear();
        h.link.answer = [](const QString &) { return kLinkFail; };
        h.page->OnKillActive();
        EXPECT_EQ(h.link.commands, kDefaultFullWrite);
        EXPECT_EQ(h.messages.count(), 12u);
    }
    {
        Hosted h(PageKind::Parktronic);
        h.page->OnSetActive();
        h.link.commands.clear();
        h.link.answer = [](const QString &c) { return c.startsWith(QLatin1String("ATO")) ? kLinkFail : kLinkOk; };
        Click(h.page->SpinY(0)->UpButton());
        EXPECT_EQ(h.link.commands, (QStringList{"ATO0", "ATR0", "ATP1"}));
        EXPECT_EQ(h.messages.count(), 1u);
        EXPECT_EQ(h.host.settings.MenuShiftY, 1) << "nothing is rolled back";
    }
}

// The warning page as the installer sees it, with the built-in guide lines
// rendered as the labels page renders them. With TARVELLO_SCREENSHOT_DIR
// set, the pictures are kept there.
TEST_F(WarningCycle, screenshotOfTheWarningPage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    IniFile::Clear();
    Settings config;
    ConfigurationFiles files;
    files.defaultFileName = dir.filePath(QStringLiteral("default.ini"));
    NewConfiguration(config, files);
    CGuideLinePreview render;
    // Every built-in point entered.
    for (int i = 0; i <= 22; ++i) {
        double x = 0, y = 0;
        unsigned char flag = 0;
        config.GetPoint(i, x, y, flag);
        config.SetPoint(i, x, y, 1);
        render.SetPoint(i, x, y, true, false);
    }
    render.SetGridShift(config.CameraShiftY);
    render.SetSideLineMode(1);
    render.SetBaseLineMode(1);
    render.SetShowGrid(false);
    render.SetShowPoints(false);
    const QImage guideLines = render.RenderExport();
    IniFile::Clear();

    Hosted h(PageKind::Warning, [&](Settings &s) { s = config; s.WarningEnabled = 3; });
    auto &page = h.As<CPageWarning>();
    page.OnSetActive();
    QTest::qWait(30);
    EXPECT_EQ(Shown(page), Rgb(guideLines));
    const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR");
    const QImage shot = page.grab().toImage();
    if (!keep.isEmpty())
        shot.save(QDir(keep).filePath(QStringLiteral("page15-warning.png")));
    page.Tick();
    QTest::qWait(30);
    if (!keep.isEmpty())
        page.grab().toImage().save(QDir(keep).filePath(QStringLiteral("page15-warning-cycle.png")));
}

// Each page at the sheet's start size: every control inside the page and
// clear of the others, so no text is cut off or covered.
TEST(OptionPages, controlsLieInsideThePageAndApart)
{
    const std::pair<PageKind, const char *> pages[] = {{PageKind::MonCam, "page02-moncam.png"},
                                                       {PageKind::GridShift, "page03-gridshift.png"},
                                                       {PageKind::Parktronic, "page14-parktronic.png"},
                                                       {PageKind::Warning, "page15-warning-layout.png"}};
    const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR");
    for (const auto &[kind, file] : pages) {
        SCOPED_TRACE(file);
        Hosted h(kind, [](Settings &s) { s.RearEnabled = 1; s.MenuShift = 3; s.MenuShiftY = 40; });
        h.page->OnSetActive();
        QTest::qWait(20);
        if (!keep.isEmpty())
            h.page->grab().toImage().save(QDir(keep).filePath(QString::fromLatin1(file)));
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
