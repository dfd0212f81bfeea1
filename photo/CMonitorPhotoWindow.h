#pragma once

#include "LineCheck.h"
#include "PhotoLocation.h"
#include "PhotoLocator.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;
class PhotoView;

// A picture of the car monitor beside the wizard, to take points off instead
// of reading them by eye. Points: the grid as found drawn over the picture
// and the marks seen in it numbered; a click, or Tab to a mark and Enter,
// hands the grid point to the target (the active point page's row). Line
// check: the normal display with the written lines, and how far the nearest
// line lies from each mark. Where the program finds no grid (no screen),
// the installer clicks the four corners. Not modal; stays open while the
// installer moves through the pages.
class CMonitorPhotoWindow : public QWidget {
    Q_OBJECT

public:
    enum class Use { Points, LineCheck };
    // Takes a grid point; false when nothing took it.
    using TakePoint = std::function<bool(QPointF grid)>;
    // What a click would fill now, for the status line.
    using TargetText = std::function<QString()>;

    explicit CMonitorPhotoWindow(QWidget *parent = nullptr);
    ~CMonitorPhotoWindow() override;

    // Asks for a picture file (PNG, JPEG, BMP) and reads it, turned as its
    // EXIF data says; a null image when the installer cancelled or the file
    // could not be read (then after one message naming it and why).
    static QImage AskAndReadPicture(QString *fileName = nullptr);
    static QImage ReadPicture(const QString &path);

    void ShowPointPhoto(const QImage &picture, const QString &fileName);
    // gridShiftX, gridShiftY: the grid shift as the module has it.
    void ShowLinePhoto(const QImage &picture, const QString &fileName, int gridShiftX, int gridShiftY);

    // The point page a click fills; empty functions when none is shown.
    void SetTarget(TakePoint take, TargetText text);
    void RefreshStatus();

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
    QLabel *ProblemLine() const { return problem_; }
    QPushButton *UndoCornerButton() const { return undo_; }
    QTableWidget *DeviationTable() const { return table_; }

private:
    friend class PhotoView;

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
    TakePoint take_;
    TargetText targetText_;

    PhotoView *view_ = nullptr;
    QLabel *problem_ = nullptr;
    QLabel *status_ = nullptr;
    QPushButton *undo_ = nullptr;
    QTableWidget *table_ = nullptr;
};
