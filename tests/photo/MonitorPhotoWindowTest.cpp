// The photo window on its own, offscreen: the photo read on the worker
// thread while the window shows it is busy and ignores clicks and keys on
// the photo, then what was found; a photo opened over one being read; the
// window closed or destroyed during a read; the corners clicked where no
// grid is found; files that cannot be read.
#include "CMonitorPhotoWindow.h"
#include "PhotoCamera.h"
#include "TestSupport.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class MonitorPhotoWindowTest : public ::testing::Test {
protected:
    // A grey picture without a grid; the installer puts the grid's corners
    // where cells of 40 x 25 pixels from (20, 25) would be.
    QString PlainPicture(const QString &name = QStringLiteral("plain.png"), QSize size = {440, 300})
    {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(QColor(90, 90, 90));
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(picture.save(path));
        return path;
    }
    // A tilted phone photo of the simulated monitor showing the grid.
    QString GridPhoto()
    {
        using namespace ModuleSim;
        const Photo shot = PhotoCamera::Take(PhotoCamera::GridMonitor(), ModuleSettings{}, CameraScene{},
                                             {PhotoKind::Phone, 3, {1600, 1200}});
        const QString path = dir_.filePath(QStringLiteral("phone.png"));
        EXPECT_TRUE(shot.picture.save(path));
        return path;
    }
    static QPointF GridPixel(double x, double y) { return {20 + 40 * x, 25 + 25 * y}; }
    void Click(QPointF picture) { QTest::mouseClick(photo->View(), Qt::LeftButton, {}, photo->ViewPosition(picture)); }
    bool WaitForResult() { return QTest::qWaitFor([&] { return !photo->IsBusy(); }, 120000); }
    // Every worker done and every result delivered, wanted or not.
    static void Settle()
    {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    bool Busy(const char *status) const
    {
        return photo->IsBusy() && photo->BusyIndicator()->isVisible()
               && photo->StatusLine()->text() == QString::fromUtf8(status);
    }

    QTemporaryDir dir_;
    RecordedMessages messages_;
    std::unique_ptr<CMonitorPhotoWindow> photo = std::make_unique<CMonitorPhotoWindow>();
};

TEST_F(MonitorPhotoWindowTest, showsItIsBusyWhileReadingThenWhatWasFound)
{
    const struct {
        bool grid;
        CMonitorPhotoWindow::Use use;
        const char *problem; // its start
    } cases[] = {
        {true, CMonitorPhotoWindow::Use::Points, ""},
        {false, CMonitorPhotoWindow::Use::Points, "На снимке не найдена калибровочная сетка"},
        {false, CMonitorPhotoWindow::Use::LineCheck, "Изображение монитора на снимке не найдено."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.problem);
        photo = std::make_unique<CMonitorPhotoWindow>();
        const QString path = c.grid ? GridPhoto() : PlainPicture();
        c.use == CMonitorPhotoWindow::Use::Points ? photo->OpenPointPhoto(path) : photo->OpenLinePhoto(path, 250, 0);
        EXPECT_TRUE(photo->isVisible() && Busy("Снимок читается..."));
        ASSERT_TRUE(WaitForResult());
        EXPECT_FALSE(photo->BusyIndicator()->isVisible());
        EXPECT_EQ(photo->windowTitle(), QStringLiteral("Снимок монитора - ") + QFileInfo(path).fileName());
        EXPECT_EQ(photo->Mapping().has_value(), c.grid);
        const QString problem = photo->ProblemLine()->text();
        EXPECT_TRUE(*c.problem ? problem.startsWith(QString::fromUtf8(c.problem)) : problem.isEmpty())
            << qPrintable(problem);
    }
    EXPECT_EQ(messages_.count(), 0u);
}

// While the marks under clicked corners are looked for, and while the next
// photo is read, nothing on the photo is taken.
TEST_F(MonitorPhotoWindowTest, inputOnThePhotoWaitsForTheResult)
{
    int taken = 0;
    photo->SetTarget([&](QPointF) { ++taken; return true; }, [] { return QStringLiteral("Щелчок"); });
    photo->OpenPointPhoto(PlainPicture());
    ASSERT_TRUE(WaitForResult());
    for (QPointF corner : {GridPixel(0, 0), GridPixel(10, 0), GridPixel(10, 10), GridPixel(0, 10)})
        Click(corner);
    EXPECT_TRUE(Busy("Метки ищутся..."));
    Click(GridPixel(5, 5));
    ASSERT_TRUE(WaitForResult());
    Click(GridPixel(5, 5));
    EXPECT_EQ(taken, 1);
    photo->OpenPointPhoto(PlainPicture(QStringLiteral("next.png")));
    Click(GridPixel(5, 5));
    EXPECT_EQ(taken, 1);

    // A photo that cannot be read, opened while the marks are looked for:
    // they are looked for again.
    ASSERT_TRUE(WaitForResult());
    for (QPointF corner : {GridPixel(0, 0), GridPixel(10, 0), GridPixel(10, 10), GridPixel(0, 10)})
        Click(corner);
    photo->OpenPointPhoto(dir_.filePath(QStringLiteral("missing.png")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages_.count() == 1 && !photo->IsBusy(); }, 120000));
    EXPECT_TRUE(photo->Mapping());
    EXPECT_FALSE(photo->ProblemLine()->isVisible()) << qPrintable(photo->ProblemLine()->text());
}

// The second photo is what the window shows, whichever read ends first; a
// second that cannot be read leaves the window as it was before the first.
TEST_F(MonitorPhotoWindowTest, aPhotoOpenedWhileAnotherIsReadReplacesIt)
{
    const QString plain = PlainPicture(), grid = GridPhoto(), missing = dir_.filePath(QStringLiteral("missing.png"));
    const struct {
        QString first, second;
    } cases[] = {{grid, plain}, {plain, grid}, {grid, missing}};
    for (const auto &c : cases) {
        SCOPED_TRACE(qPrintable(c.first + " then " + c.second));
        messages_.clear();
        photo = std::make_unique<CMonitorPhotoWindow>();
        photo->OpenPointPhoto(c.first);
        photo->OpenPointPhoto(c.second);
        Settle();
        const bool shown = c.second != missing;
        EXPECT_FALSE(photo->IsBusy());
        EXPECT_EQ(photo->isVisible(), shown);
        EXPECT_EQ(photo->Picture().isNull(), !shown);
        EXPECT_EQ(photo->Mapping().has_value(), c.second == grid);
        EXPECT_EQ(messages_.count(), shown ? 0u : 1u);
    }
}

TEST_F(MonitorPhotoWindowTest, closingOrDestroyingTheWindowDuringAReadIsSafeAndDropsIt)
{
    const QString grid = GridPhoto(), missing = dir_.filePath(QStringLiteral("missing.png"));
    const struct {
        QString path;
        bool destroy;
    } cases[] = {{grid, false}, {missing, false}, {grid, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(qPrintable(c.path));
        photo = std::make_unique<CMonitorPhotoWindow>();
        photo->OpenPointPhoto(c.path);
        if (c.destroy)
            photo.reset();
        else
            EXPECT_TRUE(photo->close());
        Settle();
        if (photo) {
            EXPECT_FALSE(photo->isVisible() || photo->IsBusy());
            EXPECT_TRUE(photo->Picture().isNull()) << "the dropped photo is not shown later";
        }
    }
    EXPECT_EQ(messages_.count(), 0u);
}

TEST_F(MonitorPhotoWindowTest, withoutAGridTheFourCornersAreClickedInOrderAndTheLastCanBeTakenBack)
{
    photo->OpenPointPhoto(PlainPicture());
    ASSERT_TRUE(WaitForResult());
    EXPECT_TRUE(photo->ProblemLine()->isVisible()) << "why no grid was found";
    auto status = [&] { return photo->StatusLine()->text(); };
    EXPECT_TRUE(status().contains(QStringLiteral("(0, 0) левый верхний угол сетки"))) << qPrintable(status());
    Click(GridPixel(0, 0));
    Click(GridPixel(10, 0));
    EXPECT_TRUE(status().contains(QStringLiteral("(10, 10) правый нижний"))) << qPrintable(status());
    Click(GridPixel(3, 3)); // a slip
    QTest::keyClick(photo->View(), Qt::Key_Backspace);
    EXPECT_EQ(photo->CornersClicked(), 2);
    Click(GridPixel(5, 5)); // another, taken back with the button
    QTest::mouseClick(photo->UndoCornerButton(), Qt::LeftButton);
    EXPECT_TRUE(status().contains(QStringLiteral("(10, 10) правый нижний"))) << qPrintable(status());
    Click(GridPixel(10, 10));
    EXPECT_TRUE(status().contains(QStringLiteral("(0, 10) левый нижний"))) << qPrintable(status());
    Click(GridPixel(0, 10));
    ASSERT_TRUE(WaitForResult());
    ASSERT_TRUE(photo->Mapping());
    const QPointF inside = photo->Mapping()->ToGrid(GridPixel(7, 2));
    EXPECT_NEAR(inside.x(), 7, 0.03);
    EXPECT_NEAR(inside.y(), 2, 0.03);
    EXPECT_FALSE(photo->ProblemLine()->isVisible());
}

TEST_F(MonitorPhotoWindowTest, anUnreadablePictureGivesOneMessageNamingIt)
{
    const struct {
        const char *file;
        QByteArray content;  // null: no such file
        bool fifo = false;   // a pipe nobody writes to: refused, not waited on
    } cases[] = {{"missing.png", QByteArray()}, {"text.png", "not a picture"}, {"empty.jpg", ""},
                 {"pipe.jpg", QByteArray(), true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        messages_.clear();
        photo = std::make_unique<CMonitorPhotoWindow>();
        const QString path = dir_.filePath(QString::fromLatin1(c.file));
        if (c.fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }
        if (!c.content.isNull()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.content);
        }
        photo->OpenPointPhoto(path);
        ASSERT_TRUE(WaitForResult());
        EXPECT_FALSE(photo->isVisible()) << "hidden again, as it was";
        ASSERT_EQ(messages_.count(), 1u);
        EXPECT_TRUE(messages_.all()[0].text.contains(QString::fromLatin1(c.file))) << qPrintable(messages_.all()[0].text);
    }
}

} // namespace

namespace {

// A click near a mark takes the mark itself; the wheel zooms at the cursor,
// the arrows pan, F fits again, and so does zooming all the way out.
TEST_F(MonitorPhotoWindowTest, aClickTakesTheMarkNearItAndTheViewZoomsPansAndFits)
{
    std::optional<QPointF> taken;
    photo->SetTarget([&](QPointF grid) { taken = grid; return true; }, [] { return QStringLiteral("Щелчок"); });
    photo->resize(900, 700);
    photo->OpenPointPhoto(GridPhoto());
    ASSERT_TRUE(WaitForResult());
    ASSERT_FALSE(photo->Marks().empty());
    const MarkCandidate mark = photo->Marks().front();
    QTest::mouseClick(photo->View(), Qt::LeftButton, {}, photo->ViewPosition(mark.picture) + QPoint(3, -3));
    ASSERT_TRUE(taken);
    EXPECT_EQ(*taken, mark.grid) << "the mark, not the spot";

    const QPointF whole = photo->ViewCentre();
    auto wheel = [&](int delta, QPointF at) {
        QWheelEvent event(at, photo->View()->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, {}, Qt::NoScrollPhase,
                          false);
        QCoreApplication::sendEvent(photo->View(), &event);
    };
    const QPointF cursor = photo->ViewPosition(mark.picture);
    wheel(360, cursor);
    EXPECT_GT(photo->Zoom(), 1.5);
    EXPECT_LT(QLineF(photo->ViewPosition(mark.picture), cursor).length(), 2) << "the mark stays under the cursor";
    const QPointF zoomed = photo->ViewCentre();
    QTest::keyClick(photo->View(), Qt::Key_Right);
    EXPECT_GT(photo->ViewCentre().x(), zoomed.x());
    QTest::keyClick(photo->View(), Qt::Key_F);
    EXPECT_EQ(photo->Zoom(), 1.0);
    EXPECT_EQ(photo->ViewCentre(), whole);
    wheel(360, cursor);
    wheel(-720, cursor);
    EXPECT_EQ(photo->Zoom(), 1.0);
    EXPECT_EQ(photo->ViewCentre(), whole);
}

} // namespace
