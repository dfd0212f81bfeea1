// Points taken off a picture of the monitor, on the offscreen sheet with
// real clicks and keys: a click fills the page's row as typing does, and
// the wizard's walk stays as it is with the photo window open. The window
// on its own is tested in tests/photo.
#include "CGuideLinePreview.h"
#include "CMonitorPhotoWindow.h"
#include "CPhonePhotoDialog.h"
#include "CPagePointEntry.h"
#include "CValueSpinCtrl.h"
#include "GridGeometry.h"
#include "PhotoCamera.h"
#include "RecordingLink.h"
#include "ResourceIds.h"
#include "SheetFixture.h"

#include <QBuffer>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpSocket>

#include <algorithm>
#include <cmath>

namespace {

class MonitorPhotoTest : public SheetTest {
protected:
    // A picture with no grid on it; the installer puts the grid's corners
    // where cells of 40 x 25 pixels from (20, 25) would be.
    QString PlainPicture(QSize size = {440, 300})
    {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(QColor(90, 90, 90));
        const QString path = dir_.filePath(QStringLiteral("plain.png"));
        picture.save(path);
        return path;
    }
    static QPointF GridPixel(double x, double y) { return {20 + 40 * x, 25 + 25 * y}; }
    // The photo window once it shows what it found.
    CMonitorPhotoWindow *OpenPhoto(const QString &path)
    {
        dialogs.answer(path);
        QTest::keyClick(sheet.get(), Qt::Key_M, Qt::ControlModifier);
        return Ready(sheet->PhotoWindow());
    }
    static CMonitorPhotoWindow *Ready(CMonitorPhotoWindow *photo)
    {
        EXPECT_TRUE(photo && QTest::qWaitFor([&] { return !photo->IsBusy(); }, 120000));
        return photo;
    }
    static void ClickPicture(CMonitorPhotoWindow *photo, QPointF picture)
    {
        QTest::mouseClick(photo->View(), Qt::LeftButton, {}, photo->ViewPosition(picture));
        QTest::qWait(10);
    }
    static void ClickGridCorners(CMonitorPhotoWindow *photo)
    {
        for (QPointF corner : {GridPixel(0, 0), GridPixel(10, 0), GridPixel(10, 10), GridPixel(0, 10)})
            ClickPicture(photo, corner);
        Ready(photo);
    }
    void View(int commandId)
    {
        sheet->MenuAction(commandId)->trigger();
        QTest::qWait(20);
    }
    // F6 (forward) or F5 (back) as many times.
    void Step(int times)
    {
        for (int i = 0; i < std::abs(times); ++i) {
            QTest::keyClick(sheet.get(), times > 0 ? Qt::Key_F6 : Qt::Key_F5);
            QTest::qWait(10);
        }
    }

    RecordingLink link;
    ScriptedFileDialogs dialogs;
    std::unique_ptr<CPageSheet> sheet;
};

TEST_F(MonitorPhotoTest, aClickOnThePhotoFillsTheActiveRowAsTypingDoes)
{
    const struct {
        const char *name;
        WizardStep step;
        int viewItem;
        int steps;        // F6 presses after the page is shown
        int focusedRow;   // a field of this row gets the focus first, or -1
        bool reflection;  // the module mirrors its drawing
        int row;
        std::vector<int> points;
        const char *status;
    } cases[] = {
        {"base line, first row and its shared point", WizardStep::BaseLine, Ids::ID_VIEW_BASELINE, 0, -1, false, 0,
         {0, 3}, "Щелчок или Enter: точка 1 базовой линии"},
        {"left border, third row", WizardStep::LeftBord, Ids::ID_VIEW_LEFTBORD, 2, -1, false, 2, {5},
         "Щелчок или Enter: точка 3 левой границы"},
        {"left border review, the field last focused", WizardStep::LeftBord, Ids::ID_VIEW_LEFTBORD, 5, 1, false, 1,
         {4}, "Щелчок или Enter: точка 2 левой границы"},
        {"right curve, mirrored by the module", WizardStep::RightCurve, Ids::ID_VIEW_RIGHTCURVE, 0, -1, true, 0, {18},
         "Щелчок или Enter: точка 1 правой кривой"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        messages_.clear();
        sheet = OpenSheet(&link);
        const Settings &s = sheet->SheetSettings();
        Change(*sheet, [&](Settings &w) {
            w.Reflection = c.reflection;
        });
        View(c.viewItem);
        Step(c.steps);
        auto *page = sheet->PageAs<CPagePointEntry>(c.step);
        ASSERT_EQ(sheet->ActivePage(), page);
        if (c.focusedRow >= 0) {
            sheet->activateWindow();
            page->EditY(c.focusedRow)->setFocus(Qt::MouseFocusReason);
            QTest::qWait(10);
        }
        CMonitorPhotoWindow *photo = OpenPhoto(PlainPicture());
        ASSERT_TRUE(photo);
        ClickGridCorners(photo);
        ASSERT_TRUE(photo->Mapping());
        EXPECT_EQ(photo->StatusLine()->text().section(QStringLiteral(" ("), 0, 0), QString::fromUtf8(c.status));

        const int commands = link.commands.size();
        ClickPicture(photo, GridPixel(3.3, 4.6));
        EXPECT_EQ(page->EditX(c.row)->text(), QStringLiteral("3.30"));
        EXPECT_EQ(page->EditY(c.row)->text(), QStringLiteral("4.60"));
        for (int slot : c.points) {
            double x = 0, y = 0;
            unsigned char flag = 0;
            s.GetPoint(slot, x, y, flag);
            EXPECT_NEAR(x, 3.3, 1e-9) << slot;
            EXPECT_NEAR(y, 4.6, 1e-9) << slot;
            EXPECT_EQ(flag, 1) << slot;
            EXPECT_TRUE(page->Preview()->IsPointEnabled(slot)) << slot;
        }
        EXPECT_EQ(page->Preview()->HighlightedPoint(), c.points.front());
        EXPECT_TRUE(sheet->TitleText().endsWith(QStringLiteral("*]")));
        EXPECT_EQ(link.commands.size(), commands) << "nothing goes to the module";
        EXPECT_EQ(messages_.count(), 0u);
    }
}

// A tilted phone photo of the simulated monitor and the truth about it.
struct PhonePhoto {
    ModuleSim::Photo shot = ModuleSim::PhotoCamera::Take(ModuleSim::PhotoCamera::GridMonitor(),
                                                         ModuleSim::ModuleSettings{}, ModuleSim::CameraScene{},
                                                         {ModuleSim::PhotoKind::Phone, 3, {1600, 1200}});
    ModuleSim::PhotoMark Truth(int slot) const
    {
        for (const ModuleSim::PhotoMark &mark : shot.marks)
            if (std::find(mark.slotNumbers.begin(), mark.slotNumbers.end(), slot) != mark.slotNumbers.end())
                return mark;
        return {};
    }
};

// The row being entered shows the mark proposed for it, highlighted on the
// photo; Enter takes it as one edit and moves on; Tab picks another mark.
TEST_F(MonitorPhotoTest, enterTakesTheProposedMarkAndMovesOn)
{
    const PhonePhoto phone;
    const QString path = dir_.filePath(QStringLiteral("phone.png"));
    ASSERT_TRUE(phone.shot.picture.save(path));
    sheet = OpenSheet(&link);
    View(Ids::ID_VIEW_BASELINE);
    auto *page = sheet->PageAs<CPagePointEntry>(WizardStep::BaseLine);
    CMonitorPhotoWindow *photo = OpenPhoto(path);
    ASSERT_TRUE(photo && photo->Mapping()) << qPrintable(photo ? photo->ProblemLine()->text() : QString());
    const Settings before = sheet->SheetSettings();
    const auto &marks = photo->Marks();
    ASSERT_GE(photo->HighlightedMark(), 0);
    const QPointF proposed = marks[photo->HighlightedMark()].grid;
    EXPECT_LT(QLineF(proposed, phone.Truth(0).grid).length(), 0.1) << "the base line's left end";
    EXPECT_NEAR(ReadDecimalPrefix(page->EditX(0)->text()), proposed.x(), 0.03) << "shown in the row";
    EXPECT_TRUE(sheet->SheetSettings().SameConfiguration(before)) << "shown, not taken";

    const int steps = sheet->History().Stack().count();
    QTest::keyClick(photo->View(), Qt::Key_Return);
    QTest::qWait(10);
    EXPECT_EQ(sheet->History().Stack().count(), steps + 1) << "one edit";
    double x = 0, y = 0;
    unsigned char flag = 0;
    for (int slot : {0, 3}) {
        sheet->SheetSettings().GetPoint(slot, x, y, flag);
        EXPECT_NEAR(x, proposed.x(), 0.03) << slot;
        EXPECT_NEAR(y, proposed.y(), 0.03) << slot;
    }
    EXPECT_EQ(page->SubStep(), 1);
    EXPECT_LT(QLineF(marks[photo->HighlightedMark()].grid, phone.Truth(2).grid).length(), 0.1)
        << "then the right end";

    // Tab to the next mark and Enter: that mark goes into row 1.
    QTest::keyClick(photo->View(), Qt::Key_Tab);
    const int chosen = photo->HighlightedMark();
    QTest::keyClick(photo->View(), Qt::Key_Return);
    sheet->SheetSettings().GetPoint(2, x, y, flag);
    EXPECT_NEAR(x, marks[chosen].grid.x(), 0.03);
    EXPECT_EQ(page->SubStep(), 2);
    EXPECT_EQ(messages_.count(), 0u);
}

// "С телефона..." on a point page: the photo the phone's page sends opens in
// the photo window with the page's row proposed, as a file would; the photo
// window's own button opens the QR window again once it was closed.
TEST_F(MonitorPhotoTest, aPhotoFromThePhoneProposesThePagesRowAsAFileDoes)
{
    qputenv("TARVELLO_PHONE_LISTEN", "127.0.0.1");
    const PhonePhoto phone;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(phone.shot.picture.save(&buffer, "PNG"));
    sheet = OpenSheet(&link);
    View(Ids::ID_VIEW_BASELINE);
    auto *page = sheet->PageAs<CPagePointEntry>(WizardStep::BaseLine);
    QTest::mouseClick(page->findChild<QPushButton *>(Ids::ObjectName(Ids::IDC_PHONE_PHOTO)), Qt::LeftButton);
    ASSERT_TRUE(sheet->PhoneDialog() && sheet->PhoneDialog()->isVisible());
    const QUrl url = sheet->PhoneDialog()->ShownUrl();
    QTcpSocket phonePage;
    phonePage.connectToHost(url.host(), quint16(url.port()));
    ASSERT_TRUE(phonePage.waitForConnected(5000));
    phonePage.write("POST " + url.path().toLatin1() + "photo HTTP/1.1\r\nContent-Type: image/png\r\nContent-Length: "
                    + QByteArray::number(png.size()) + "\r\n\r\n" + png);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet->PhotoWindow() != nullptr; }, 30000));
    CMonitorPhotoWindow *photo = Ready(sheet->PhotoWindow());
    ASSERT_TRUE(photo->Mapping());
    const std::optional<QPointF> proposed = page->PhotoProposal();
    ASSERT_TRUE(proposed);
    EXPECT_LT(QLineF(*proposed, phone.Truth(0).grid).length(), 0.1) << "the base line's left end";

    sheet->PhoneDialog()->close();
    EXPECT_FALSE(sheet->PhoneDialog()->Receiver().IsListening());
    QTest::mouseClick(photo->PhoneButton(), Qt::LeftButton);
    EXPECT_TRUE(sheet->PhoneDialog()->isVisible());
    EXPECT_NE(sheet->PhoneDialog()->ShownUrl(), url) << "a new token";
    EXPECT_EQ(messages_.count(), 0u);
}

// From one photo, every point page filled by taking what it proposes; the
// keys and clicks are counted (bench/photo_walk.py prints the count).
TEST_F(MonitorPhotoTest, onePhotoFillsEveryPointPageWithItsTrueMarks)
{
    const PhonePhoto phone;
    const QString path = dir_.filePath(QStringLiteral("phone.png"));
    ASSERT_TRUE(phone.shot.picture.save(path));
    sheet = OpenSheet(&link);
    View(Ids::ID_VIEW_BASELINE);
    int presses = 0;
    dialogs.answer(path);
    QTest::keyClick(sheet.get(), Qt::Key_M, Qt::ControlModifier);
    presses += 2; // and the file chosen
    CMonitorPhotoWindow *photo = Ready(sheet->PhotoWindow());
    ASSERT_TRUE(photo && photo->Mapping());
    auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = {}, QWidget *where = nullptr) {
        QTest::keyClick(where ? where : photo->View(), key, modifiers);
        QTest::qWait(10);
        ++presses;
    };
    for (WizardStep step : {WizardStep::BaseLine, WizardStep::LeftBord, WizardStep::MirrorLine,
                            WizardStep::RightBord, WizardStep::LeftCurve, WizardStep::RightCurve}) {
        ASSERT_EQ(sheet->ActiveIndex(), StepIndex(step));
        // Ctrl+Enter in the photo window, or once in the wizard's own.
        if (step != WizardStep::MirrorLine)
            press(Qt::Key_Return, Qt::ControlModifier, step == WizardStep::LeftCurve ? sheet.get() : nullptr);
        if (step != WizardStep::RightCurve)
            press(Qt::Key_F6);
    }
    RecordProperty("keys_and_clicks", presses);
    for (int slot : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 18, 19, 20}) {
        double x = 0, y = 0;
        unsigned char flag = 0;
        sheet->SheetSettings().GetPoint(slot, x, y, flag);
        // A mark read within 0.05 units, entered at the fields' step of 0.05.
        constexpr double kTolerance = 0.05 + Grid::kStep / 2;
        EXPECT_NEAR(x, phone.Truth(slot).grid.x(), kTolerance) << slot;
        EXPECT_NEAR(y, phone.Truth(slot).grid.y(), kTolerance) << slot;
        EXPECT_EQ(flag, 1) << slot;
    }
    EXPECT_EQ(messages_.count(), 0u);
}

// The walk through the rows and the review, and what a click fills at each
// step, with the photo window open and the keys pressed in it.
TEST_F(MonitorPhotoTest, theRowWalkStaysAsItIsWithThePhotoOpen)
{
    sheet = OpenSheet(&link);
    View(Ids::ID_VIEW_LEFTBORD);
    auto *page = sheet->PageAs<CPagePointEntry>(WizardStep::LeftBord);
    CMonitorPhotoWindow *photo = OpenPhoto(PlainPicture());
    ASSERT_TRUE(photo);
    ClickGridCorners(photo);
    auto rows = [&] {
        QString r;
        for (int i = 0; i < page->RowCount(); ++i)
            r += !page->EditX(i)->isVisible() ? '-' : page->EditX(i)->isEnabled() ? 'E' : 'd';
        return r;
    };
    const char *walk[] = {"dE---", "ddE--", "dddE-", "ddddE", "EEEEE"};
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(photo->View(), Qt::Key_F6);
        QTest::qWait(10);
        EXPECT_EQ(rows(), walk[i]);
        EXPECT_EQ(photo->StatusLine()->text().section(QStringLiteral(" ("), 0, 0),
                  QStringLiteral("Щелчок или Enter: точка %1 левой границы").arg(std::min(i + 2, 5)));
    }
    ClickPicture(photo, GridPixel(1, 9));
    EXPECT_EQ(rows(), "EEEEE") << "a click does not step";
    EXPECT_EQ(page->EditX(4)->text(), QStringLiteral("1.00"));
    Step(1);
    EXPECT_EQ(sheet->ActiveIndex(), StepIndex(WizardStep::MirrorLine));
    EXPECT_FALSE(sheet->MenuAction(Ids::ID_MONITOR_PHOTO)->isEnabled());
    const Settings before = sheet->SheetSettings();
    ClickPicture(photo, GridPixel(6, 6));
    EXPECT_TRUE(sheet->SheetSettings().SameConfiguration(before)) << "no point page, nothing filled";
    EXPECT_TRUE(photo->StatusLine()->text().startsWith(QStringLiteral("Откройте страницу ввода точек")))
        << qPrintable(photo->StatusLine()->text());
}

// The written lines are measured under the mapping from the monitor
// picture's corners and the grid shift of the record.
TEST_F(MonitorPhotoTest, theLineCheckMapsTheScreenWithTheRecordsGridShift)
{
    sheet = OpenSheet(&link);
    Change(*sheet, [](Settings &s) { s.SetCameraShift(230, 50); });
    View(Ids::ID_VIEW_LOADBMP);
    auto *check = sheet->findChild<QPushButton *>(Ids::ObjectName(Ids::IDC_CHECK_PHOTO));
    ASSERT_TRUE(check && check->isVisible());
    dialogs.answer(PlainPicture({400, 312}));
    QTest::mouseClick(check, Qt::LeftButton);
    CMonitorPhotoWindow *photo = Ready(sheet->PhotoWindow());
    ASSERT_TRUE(photo);
    EXPECT_EQ(photo->CurrentUse(), CMonitorPhotoWindow::Use::LineCheck);
    EXPECT_TRUE(photo->DeviationTable()->isVisible());
    for (QPointF corner : {QPointF(0, 0), QPointF(400, 0), QPointF(400, 312), QPointF(0, 312)})
        ClickPicture(photo, corner);
    ASSERT_TRUE(Ready(photo)->Mapping());
    const QPointF origin = photo->Mapping()->ToPicture({0, 0});
    EXPECT_NEAR(origin.x(), -20, 1.5);
    EXPECT_NEAR(origin.y(), 50, 1.5);
    EXPECT_EQ(photo->DeviationTable()->rowCount(), int(photo->Deviations().size()));
}

} // namespace
