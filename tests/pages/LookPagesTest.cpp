// The line thickness and labels pages on the fake sheet with a recording
// link: fields store into the record and the preview, the labels page waits
// for its first activation and publishes the guide-line picture when left,
// Shift with the cursor keys selects text, hand-edited values are brought
// into range, texts fit, and neither page sends anything.
#include "../preview/GuideLinePreviewTestSupport.h"

#include "CPageLineBold.h"
#include "CPageMarkPlace.h"
#include "CValueSpinCtrl.h"
#include "FakePageHost.h"
#include "PreviewSettings.h"
#include "RecordingLink.h"
#include "ResourceIds.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <limits>

namespace {

// One page on the fake sheet, initialised and shown but not yet activated,
// with the reference guide points in the record. Nothing may reach the module.
template <typename Page>
struct Hosted {
    explicit Hosted(const std::function<void(Settings &)> &prepare = {})
    {
        host.Prepare([&](Settings &r) {
            for (const GridPoint &p : kReferencePoints)
                r.SetPoint(p.slot, p.x, p.y, 1);
            if (prepare)
                prepare(r);
        });
        page.SetHost(&host);
        page.SetLink(&link);
        page.EnsureInitialised();
        page.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&page));
    }
    ~Hosted() { EXPECT_TRUE(link.commands.isEmpty()) << link.commands.join(u' ').toStdString(); }

    FakeHost host;
    const Settings &s = host.Record();
    RecordingLink link;
    RecordedMessages messages;
    Page page;
};

// The export render of a preview.
QImage ExportOf(CGuideLinePreview &preview)
{
    QImage picture(CGuideLinePreview::kExportWidth, CGuideLinePreview::kExportHeight, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    preview.Draw(painter, true);
    return picture;
}

// What the export must show for the record (with its labels, or without).
QImage ExpectedExport(const Settings &s, bool labels)
{
    CGuideLinePreview preview;
    ShowGuideLines(preview, s);
    if (labels)
        ShowLabels(preview, s);
    return ExportOf(preview);
}

int CountColour(const QImage &image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == colour ? 1 : 0;
    return count;
}

// Replaces an edit's text by typing; letters beyond ASCII come as key text.
void TypeInto(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

// Labels on both borders and centred on the base line, so that every label
// field shows in the picture.
void LabelsOn(Settings &s)
{
    s.SideLineMode = 3;
    s.BaseLineMode = 1;
}

enum Action { SpinUp, SpinDown, Enter };

struct FieldCase {
    const char *name;
    int row;
    int start;       // the record's value before the page is shown
    Action action;
    QString typed;   // for Enter
    QString shown;   // the field's text afterwards
    int stored;      // the record's value afterwards
    QString range;   // bounds in the range message; empty = no message
};

template <typename Page>
void RunFieldCases(std::initializer_list<FieldCase> cases, int Settings::*const fields[], bool labels)
{
    for (const FieldCase &c : cases) {
        SCOPED_TRACE(c.name);
        Hosted<Page> h([&](Settings &s) {
            LabelsOn(s);
            s.*fields[c.row] = c.start;
        });
        h.page.OnSetActive();
        const QImage before = ExportOf(*h.page.Preview());
        ASSERT_TRUE(before == ExpectedExport(h.s, labels)) << "activation gives the preview the record";
        if (c.action == Enter) {
            TypeInto(h.page.EditX(c.row), c.typed);
            QTest::keyClick(h.page.EditX(c.row), Qt::Key_Return);
        } else {
            CValueSpinCtrl *spin = h.page.SpinX(c.row);
            QTest::mouseClick(c.action == SpinUp ? spin->UpButton() : spin->DownButton(), Qt::LeftButton);
        }
        EXPECT_EQ(h.page.EditX(c.row)->text(), c.shown);
        EXPECT_EQ(h.s.*fields[c.row], c.stored);
        const QImage after = ExportOf(*h.page.Preview());
        EXPECT_TRUE(after == ExpectedExport(h.s, labels)) << "the preview draws what the record holds";
        EXPECT_EQ(after == before, c.stored == c.start);
        ASSERT_EQ(h.messages.count(), c.range.isEmpty() ? 0u : 1u);
        if (!c.range.isEmpty()) {
            EXPECT_TRUE(h.messages.all()[0].text.endsWith(c.range)) << h.messages.all()[0].text.toStdString();
        }
    }
}

int Settings::*const kLineBoldFields[] = {&Settings::LineThickness, &Settings::CurveThickness,
                                           &Settings::CurveTicks, &Settings::CurveTicksSpace};
int Settings::*const kMarkFields[] = {&Settings::FontHeight, &Settings::LabelShiftX, &Settings::LabelShiftY};

TEST(LineBoldPage, spinAndEnterStoreIntoTheRecordAndThePreview)
{
    RunFieldCases<CPageLineBold>({
        {"border thicker", 0, 2, SpinUp, {}, "3", 3, {}},
        {"curves thinner", 1, 2, SpinDown, {}, "1", 1, {}},
        {"curves at the top", 1, 10, SpinUp, {}, "10", 10, {}},
        {"border 0 typed", 0, 2, Enter, "0", "0", 0, {}},
        {"dash typed", 2, 15, Enter, "30", "30", 30, {}},
        {"gap with a fraction", 3, 15, Enter, "7.7", "8", 8, {}},
        {"border too thick", 0, 2, Enter, "11", "11", 2, "от 0.00 до 10.00."},
        {"negative dash", 2, 15, Enter, "-1", "-1", 15, "от 0.00 до 30.00."},
    }, kLineBoldFields, false);
}

TEST(MarkPlacePage, spinAndEnterStoreIntoTheRecordAndThePreview)
{
    RunFieldCases<CPageMarkPlace>({
        {"font larger", 0, 25, SpinUp, {}, "26", 26, {}},
        {"font at the bottom", 0, 10, SpinDown, {}, "10", 10, {}},
        {"shift Y down", 2, 5, SpinDown, {}, "4", 4, {}},
        {"shift X typed negative", 1, 0, Enter, "-40", "-40", -40, {}},
        {"shift Y with a fraction", 2, 5, Enter, "12.7", "13", 13, {}},
        {"font too small", 0, 25, Enter, "9", "9", 25, "от 10.00 до 35.00."},
        {"shift X too far", 1, 0, Enter, "-256", "-256", 0, "от -255.00 до 255.00."},
    }, kMarkFields, true);
}

TEST(MarkPlacePage, combosAndTextsCountFromTheFirstActivationAndLeavingPublishesThePicture)
{
    Hosted<CPageMarkPlace> h;
    QComboBox *side = h.page.SideLabelsCombo();
    QComboBox *base = h.page.BaseLabelsCombo();
    ASSERT_EQ(side->count(), 10);
    ASSERT_EQ(base->count(), 11);
    const QImage untouched = ExportOf(*h.page.Preview());
    QTest::keyClick(side, Qt::Key_Down);
    QTest::keyClick(base, Qt::Key_Down);
    TypeInto(h.page.TextEdit(1), QStringLiteral("10"));
    EXPECT_EQ(side->currentIndex(), 1) << "only the combo changes";
    EXPECT_EQ(h.s.SideLineMode, 0);
    EXPECT_EQ(h.s.BaseLineMode, 0);
    EXPECT_EQ(h.s.LabelLineText[0], QStringLiteral("1"));
    EXPECT_TRUE(ExportOf(*h.page.Preview()) == untouched);

    h.host.Prepare([](Settings &r) { r.BaseLineMode = 4; });
    h.page.OnSetActive();
    EXPECT_EQ(side->currentIndex(), 0) << "activation shows the record";
    EXPECT_EQ(base->currentIndex(), 4);
    EXPECT_EQ(h.page.TextEdit(1)->text(), QStringLiteral("1"));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(side, Qt::Key_Down);
    QTest::keyClick(base, Qt::Key_Up);
    TypeInto(h.page.TextEdit(2), QStringLiteral("2 м"));
    TypeInto(h.page.TextEdit(0), QStringLiteral("Бампер"));
    EXPECT_EQ(h.s.SideLineMode, 3);
    EXPECT_EQ(h.s.BaseLineMode, 3);
    EXPECT_EQ(h.s.LabelLineText[1], QStringLiteral("2 м"));
    EXPECT_EQ(h.s.BaseLineText, QStringLiteral("Бампер"));
    EXPECT_TRUE(ExportOf(*h.page.Preview()) == ExpectedExport(h.s, true));

    // The guide-line picture of the page shows the labels.
    h.page.OnKillActive();
    const QImage first = ExportOf(*h.page.Preview());
    ASSERT_EQ(first.size(), QSize(400, 312));
    EXPECT_TRUE(first == ExpectedExport(h.s, true));
    EXPECT_FALSE(first == ExpectedExport(h.s, false)) << "the labels show";

    // A configuration loaded while another page is shown: the next visit
    // shows and keeps its texts rather than the edits' old ones.
    const QString loaded[] = {"База", "A", "B", "C", "D"};
    h.host.Prepare([&](Settings &r) {
        r.BaseLineText = loaded[0];
        for (int k = 0; k < 4; ++k)
            r.LabelLineText[k] = loaded[k + 1];
    });
    h.page.OnSetActive();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(i == 0 ? h.s.BaseLineText : h.s.LabelLineText[i - 1], loaded[i]);
        EXPECT_EQ(h.page.TextEdit(i)->text(), loaded[i]);
    }
    h.page.OnKillActive();
    EXPECT_TRUE(ExportOf(*h.page.Preview()) == ExpectedExport(h.s, true)) << "the new texts show";
    EXPECT_FALSE(ExportOf(*h.page.Preview()) == first);
}

// The base-line text is a text of its own, not a numeric row: Enter and the
// page's commit keep what was typed, without a range message.
TEST(MarkPlacePage, baseLineTextIsNoNumericField)
{
    Hosted<CPageMarkPlace> h;
    h.page.OnSetActive();
    EXPECT_EQ(h.page.EditX(3), nullptr);
    QLineEdit *text = h.page.TextEdit(0);
    text->setFocus();
    TypeInto(text, QStringLiteral("Бампер"));
    QTest::keyClick(text, Qt::Key_Return);
    h.page.CommitToRecord();
    EXPECT_EQ(h.messages.count(), 0u);
    EXPECT_EQ(text->text(), QStringLiteral("Бампер"));
    EXPECT_EQ(h.s.BaseLineText, QStringLiteral("Бампер"));
}

TEST(LookPages, shiftWithCursorKeysSelectsTextInsteadOfChangingValues)
{
    Hosted<CPageMarkPlace> marks;
    Hosted<CPageLineBold> bold;
    marks.page.OnSetActive();
    bold.page.OnSetActive();
    const int fontHeight = marks.s.FontHeight;
    // Shift+Left from the end, as often as the expected selection is long.
    const std::pair<QLineEdit *, QString> cases[] = {
        {marks.page.TextEdit(0), " м"},
        {marks.page.TextEdit(4), "4"},
        {marks.page.EditX(CPageMarkPlace::kFontHeight), "25"},
        {bold.page.EditX(CPageLineBold::kCurveTicks), "15"},
    };
    for (const auto &[edit, selected] : cases) {
        const QString text = edit->text();
        edit->end(false);
        for (qsizetype i = 0; i < selected.size(); ++i)
            QTest::keyClick(edit, Qt::Key_Left, Qt::ShiftModifier);
        EXPECT_EQ(edit->selectedText(), selected);
        EXPECT_EQ(edit->text(), text);
    }
    EXPECT_EQ(marks.s.FontHeight, fontHeight);
    EXPECT_EQ(bold.s.CurveTicks, 15);
}

TEST(LookPages, activationHidesGridAndPointsAndOnlyTheThicknessPageBringsPointsBack)
{
    auto shown = [](CGuideLinePreview *preview, QRgb colour) {
        return CountColour(preview->grab().toImage().convertToFormat(QImage::Format_RGB32), colour);
    };
    const QRgb grid = qRgb(192, 192, 192), points = qRgb(0, 255, 255);
    Hosted<CPageLineBold> bold;
    Hosted<CPageMarkPlace> marks;
    EXPECT_GT(shown(bold.page.Preview(), grid), 0) << "before activation";
    EXPECT_EQ(shown(marks.page.Preview(), points), 0) << "hidden from initialisation on";
    for (CPageView *page : {static_cast<CPageView *>(&bold.page), static_cast<CPageView *>(&marks.page)}) {
        page->OnSetActive();
        auto *preview = static_cast<CPageViewControl *>(page)->Preview();
        EXPECT_EQ(shown(preview, grid) + shown(preview, points), 0);
        page->OnKillActive();
        EXPECT_EQ(shown(preview, points) > 0, page == &bold.page) << "markers back after the thickness page";
    }
}

TEST(LookPages, handEditedValuesOutOfRangeShowInRangeAndStayInTheRecord)
{
    Hosted<CPageLineBold> bold([](Settings &s) {
        s.LineThickness = 9999;
        s.CurveThickness = -3;
        s.CurveTicks = 31;
        s.CurveTicksSpace = std::numeric_limits<int>::min();
    });
    Hosted<CPageMarkPlace> marks([](Settings &s) {
        s.SideLineMode = 42;
        s.BaseLineMode = -1;
        s.FontHeight = 9999;
        s.LabelShiftX = -100000;
        s.LabelShiftY = std::numeric_limits<int>::max();
    });
    bold.page.OnSetActive();
    marks.page.OnSetActive();
    const int boldExpected[] = {10, 0, 30, 0};
    const int boldKept[] = {9999, -3, 31, std::numeric_limits<int>::min()};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(bold.s.*kLineBoldFields[r], boldKept[r]);
        EXPECT_EQ(bold.page.EditX(r)->text(), QString::number(boldExpected[r]));
    }
    EXPECT_TRUE(ExportOf(*bold.page.Preview()) == ExpectedExport(bold.s, false));
    const int marksExpected[] = {35, -255, 255};
    const int marksKept[] = {9999, -100000, std::numeric_limits<int>::max()};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(marks.s.*kMarkFields[r], marksKept[r]);
        EXPECT_EQ(marks.page.EditX(r)->text(), QString::number(marksExpected[r]));
    }
    EXPECT_EQ(std::pair(marks.s.SideLineMode, marks.s.BaseLineMode), std::pair(42, -1));
    EXPECT_EQ(marks.page.SideLabelsCombo()->currentIndex() + marks.page.BaseLabelsCombo()->currentIndex(), 0);
    marks.page.OnKillActive();
    EXPECT_TRUE(ExportOf(*marks.page.Preview()) == ExpectedExport(marks.s, true));
}

// At the size the sheet first gives its widest page (the template grown by
// 100 pixels each way) every text fits whole, every combo entry fits the
// closed combo, and no two controls overlap. With TARVELLO_SCREENSHOT_DIR
// set, the pages are kept there to be looked at.
TEST(LookPages, textsFitAndControlsDoNotOverlap)
{
    Hosted<CPageMarkPlace> marks(LabelsOn);
    marks.host.Prepare([](Settings &r) { r.LabelLineText[0] = QStringLiteral("1 м"); });
    Hosted<CPageLineBold> bold;
    for (const auto &[page, file] : {std::pair<CPageView *, const char *>{&marks.page, "page11-markplace.png"},
                                     {&bold.page, "page10-linebold.png"}}) {
        SCOPED_TRACE(file);
        page->OnSetActive();
        page->resize(page->TemplateSize() + QSize(100, 100));
        QTest::qWait(30);
        const QList<QWidget *> controls = page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (qsizetype i = 0; i < controls.size(); ++i) {
            QWidget *w = controls[i];
            EXPECT_TRUE(page->rect().contains(w->geometry())) << w->objectName().toStdString();
            for (qsizetype j = i + 1; j < controls.size(); ++j)
                EXPECT_FALSE(w->geometry().intersects(controls[j]->geometry()))
                    << w->objectName().toStdString() << " and " << controls[j]->objectName().toStdString();
            if (auto *label = qobject_cast<QLabel *>(w)) {
                EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
            }
            if (auto *combo = qobject_cast<QComboBox *>(w)) {
                QStyleOptionComboBox option;
                option.initFrom(combo);
                const int field =
                    combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo).width();
                for (int k = 0; k < combo->count(); ++k)
                    EXPECT_LE(combo->fontMetrics().horizontalAdvance(combo->itemText(k)), field)
                        << combo->itemText(k).toStdString();
            }
        }
        if (const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR"); !keep.isEmpty())
            page->grab().toImage().save(QDir(keep).filePath(QString::fromLatin1(file)));
    }
}

} // namespace
