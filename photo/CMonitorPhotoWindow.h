#pragma once

#include "LineCheck.h"
#include "PhotoLocation.h"
#include "PhotoWork.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class PhotoView;

// A picture of the car monitor beside the wizard, to take points off instead
// of reading them by eye. Points: the grid as found drawn over the picture
// and the marks seen in it numbered, the sure ones first (the doubtful drawn
// paler and dashed, Tab reaches them last); the mark the target proposes
// for its row is highlighted, Enter takes it and moves on to the next row,
// Tab highlights another mark, Ctrl+Enter takes every proposed point of the
// page; a click takes the mark under it, or the grid point there. Line
// check: the normal display with the written lines, and how far the nearest
// line lies from each mark. Where the program finds no grid (no screen),
// the installer clicks the four corners. Not modal; stays open while the
// installer moves through the pages. The photo is read and searched on a
// worker thread while the window shows that it is busy and ignores input
// that would act on the photo. The worker never touches the window: its
// result comes back by a queued signal, and is dropped when a newer photo
// was opened meanwhile, or, for a photo being read, when the window was
// closed.
class CMonitorPhotoWindow : public QWidget {
    Q_OBJECT

public:
    using Use = PhotoWork::Use;
    // Takes a grid point; false when nothing took it.
    using TakePoint = std::function<bool(QPointF grid)>;
    // What a click would fill now, for the status line.
    using TargetText = std::function<QString()>;
    // What the window fills: the active point page.
    struct Target {
        TakePoint take;                                 // a click
        TakePoint confirm;                              // Enter: take it and move on
        std::function<bool()> takeAll;                  // Ctrl+Enter, "Принять все"
        std::function<std::optional<QPointF>()> proposal; // the mark proposed for the row
        TargetText text;
    };

    explicit CMonitorPhotoWindow(QWidget *parent = nullptr);
    ~CMonitorPhotoWindow() override;

    // Asks for a picture file (PNG, JPEG, BMP); nullopt when the installer
    // cancelled.
    static std::optional<QString> AskPhotoPath();

    // Shows the window and starts reading the photo at path (turned as its
    // EXIF data says) and looking for what the use needs; the window shows
    // what it had until the result arrives. A photo opened while another is
    // read replaces it. A file that cannot be read leaves the window as it
    // was (hidden again when it was hidden) and says so in one message
    // naming it and why.
    // gridShiftY: the module's grid shift down, which tells the photo's top.
    void OpenPointPhoto(const QString &path, int gridShiftY = Grid::kDefaultShiftY);
    // gridShiftX, gridShiftY: the grid shift as the module has it.
    void OpenLinePhoto(const QString &path, int gridShiftX, int gridShiftY);
    // A photo already decoded (the phone's, kept at path), looked at as one
    // read from its file.
    void OpenDecodedPhoto(const QString &path, const QImage &picture, Use use,
                          int gridShiftX = Grid::kCentredShiftX, int gridShiftY = Grid::kDefaultShiftY);
    // True while a photo is read or searched on the worker thread.
    bool IsBusy() const { return busy_ != Busy::No; }

    // The point page a click fills; empty functions when none is shown.
    void SetTarget(TakePoint take, TargetText text) { SetTarget(Target{take, take, {}, {}, text}); }
    void SetTarget(Target target);
    // The status line, and the highlight back on the target's proposal.
    void RefreshStatus();
    // Where the window goes: right of owner, as tall as the screen, so that
    // the owner's fields and preview stay in sight; the owner moves to the
    // left edge when the screen has too little room right of it.
    void PlaceBeside(QWidget *owner);

    Use CurrentUse() const { return use_; }
    const QImage &Picture() const { return picture_; }
    const std::optional<GridMapping> &Mapping() const { return mapping_; }
    const std::vector<MarkCandidate> &Marks() const { return marks_; }
    const std::vector<LineDeviation> &Deviations() const { return deviations_; }
    int HighlightedMark() const { return highlighted_; }
    int CornersClicked() const { return static_cast<int>(corners_.size()); }

    QWidget *View() const;
    // Where a picture pixel shows in the view, for a click there.
    QPoint ViewPosition(QPointF picture) const;
    QLabel *StatusLine() const { return status_; }
    QProgressBar *BusyIndicator() const { return busyIndicator_; }
    QLabel *ProblemLine() const { return problem_; }
    QPushButton *UndoCornerButton() const { return undo_; }
    QTableWidget *DeviationTable() const { return table_; }
    QPushButton *TakeAllButton() const { return takeAll_; }
    // The view's zoom (1: the whole picture fits) and the picture point at
    // the view's centre.
    double Zoom() const;
    QPointF ViewCentre() const;

    QPushButton *PhoneButton() const { return phone_; }

signals:
    // "С телефона...": the installer wants the photo sent from the phone.
    void PhoneRequested();
    // Other marks are shown (a photo read, the marks found under corners),
    // or none (the window closed).
    void MarksChanged();

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    friend class PhotoView;

    enum class Busy { No, Reading, Finding };

    // decoded: the picture when it is read already, null to read path.
    void StartReading(const QString &path, Use use, int gridShiftX, int gridShiftY, const QImage &decoded = {});
    void ReadingDone(const QString &path, Use use, int gridShiftX, int gridShiftY, PhotoWork::Read read);
    // Looks for what the use needs under mapping_ (from clicked corners).
    void StartFinding();
    void FindingDone(PhotoWork::Findings found);
    // The photo being read is given up: the window is as it was before it.
    void DropReading();
    // Enters the busy state and numbers the work started; a result whose
    // number is no longer job_ is dropped.
    quint64 BeginWork(Busy kind);
    void EndWork();
    void Reset(const QImage &picture, const QString &fileName, Use use);
    // A click on the picture, in picture pixels.
    void PictureClicked(QPointF picture);
    void AddCorner(QPointF picture);
    void UndoCorner();
    // The four corners are in: the mapping from them, or start again.
    void CornersDone();
    void MappingFound();
    void StepMark(bool forward);
    void TakeHighlighted();
    void TakeAll();
    // The mark drawn within a few view pixels of a picture point, or -1.
    int MarkNear(QPointF picture) const;
    void FillTable();
    QString CornerName(int index) const;
    void SetProblem(const QString &text);

    Use use_ = Use::Points;
    QImage picture_;
    std::optional<GridMapping> mapping_;
    std::vector<MarkCandidate> marks_;
    std::vector<LineDeviation> deviations_;
    std::vector<QPointF> corners_;
    int highlighted_ = -1;
    int gridShiftX_ = 0;
    int gridShiftY_ = 0;
    Target target_;
    Busy busy_ = Busy::No;
    quint64 job_ = 0;
    // The window was hidden when the photo being read was opened: a file
    // that cannot be read hides it again.
    bool hideIfUnread_ = false;
    // A search under clicked corners was under way then: it runs again.
    bool findAgainIfUnread_ = false;

    PhotoView *view_ = nullptr;
    QLabel *problem_ = nullptr;
    QLabel *status_ = nullptr;
    QProgressBar *busyIndicator_ = nullptr;
    QPushButton *undo_ = nullptr;
    QPushButton *takeAll_ = nullptr;
    QPushButton *phone_ = nullptr;
    QTableWidget *table_ = nullptr;
};
