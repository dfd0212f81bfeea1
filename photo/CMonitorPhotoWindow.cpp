#include "CMonitorPhotoWindow.h"

#include "FileDialogRequest.h"
#include "LabelPlacement.h"
#include "UserMessage.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMaxZoom = 8.0;
constexpr int kMarkRadius = 7;

QString Signed(double v, int decimals)
{
    return (v >= 0 ? QStringLiteral("+") : QString()) + QString::number(v, 'f', decimals);
}

// Calls done with the work's result on context's thread once the work has
// finished; never when context is gone by then.
template <typename T, typename Done>
void WhenDone(QObject *context, QFuture<T> work, Done done)
{
    auto *watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, done] {
        watcher->deleteLater();
        done(watcher->result());
    });
    watcher->setFuture(std::move(work));
}

} // namespace

// The picture, scaled to fit, zoomed with the wheel at the cursor, panned
// by dragging or with the arrow keys, fitted again with F or Home (and when
// zoomed all the way out), with what was found drawn over it. Keys: Enter
// takes the highlighted mark and moves on, Ctrl+Enter takes every proposed
// one, Tab / Shift+Tab step through the marks, Backspace takes back the
// last corner. While the window is busy, clicks, these keys and the wheel
// do nothing (the view's own keys still move it).
class PhotoView : public QWidget {
public:
    explicit PhotoView(CMonitorPhotoWindow *owner) : QWidget(owner), owner_(owner)
    {
        setFocusPolicy(Qt::StrongFocus);
        setMinimumSize(200, 150);
        setCursor(Qt::CrossCursor);
    }

    void ResetZoom()
    {
        zoom_ = 1.0;
        centre_ = QRectF(owner_->picture_.rect()).center();
        update();
    }
    double Zoom() const { return zoom_; }
    QPointF Centre() const { return centre_; }

    // Picture pixels to view pixels.
    QTransform ToView() const
    {
        const QSizeF picture = owner_->picture_.size();
        if (picture.isEmpty())
            return {};
        const double fit = std::min(width() / picture.width(), height() / picture.height());
        const double scale = fit * zoom_;
        QTransform t;
        t.translate(width() / 2.0, height() / 2.0);
        t.scale(scale, scale);
        t.translate(-centre_.x(), -centre_.y());
        return t;
    }

protected:
    bool focusNextPrevChild(bool next) override
    {
        if (owner_->IsBusy())
            return true;
        if (owner_->marks_.empty())
            return QWidget::focusNextPrevChild(next);
        owner_->StepMark(next);
        return true;
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        const double step = 40 / std::max(1e-9, ToView().m11());
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (event->modifiers() & Qt::ControlModifier)
                owner_->TakeAll();
            else
                owner_->TakeHighlighted();
            return;
        case Qt::Key_Backspace:
            owner_->UndoCorner();
            return;
        case Qt::Key_F:
        case Qt::Key_Home:
            ResetZoom();
            return;
        case Qt::Key_Left:
            Pan({-step, 0});
            return;
        case Qt::Key_Right:
            Pan({step, 0});
            return;
        case Qt::Key_Up:
            Pan({0, -step});
            return;
        case Qt::Key_Down:
            Pan({0, step});
            return;
        default:
            QWidget::keyPressEvent(event);
        }
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        setFocus(Qt::MouseFocusReason);
        pressedAt_ = event->position();
        dragged_ = false;
    }

    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (!(event->buttons() & (Qt::LeftButton | Qt::MiddleButton | Qt::RightButton)))
            return;
        // A few pixels of a shaking hand are still a click.
        if (!dragged_ && QLineF(pressedAt_, event->position()).length() < 5)
            return;
        const double scale = ToView().m11();
        if (scale > 0)
            Pan(-(event->position() - pressedAt_) / scale);
        pressedAt_ = event->position();
        dragged_ = true;
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton || dragged_ || owner_->picture_.isNull())
            return;
        bool invertible = false;
        const QTransform back = ToView().inverted(&invertible);
        if (invertible)
            owner_->PictureClicked(back.map(event->position()));
    }

    void wheelEvent(QWheelEvent *event) override
    {
        if (owner_->picture_.isNull() || owner_->IsBusy())
            return;
        bool invertible = false;
        const QTransform back = ToView().inverted(&invertible);
        if (!invertible)
            return;
        // The picture point under the cursor stays under it.
        const QPointF cursor = event->position();
        const QPointF anchor = back.map(cursor);
        const double steps = event->angleDelta().y() / 120.0;
        zoom_ = std::clamp(zoom_ * std::pow(1.25, steps), 1.0, kMaxZoom);
        if (zoom_ <= 1.0) {
            // All the way out: the whole picture again.
            ResetZoom();
            return;
        }
        const double scale = ToView().m11();
        centre_ = anchor - (cursor - QPointF(width() / 2.0, height() / 2.0)) / scale;
        Pan({0, 0});
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(40, 40, 40));
        if (owner_->picture_.isNull())
            return;
        const QTransform t = ToView();
        p.save();
        p.setTransform(t);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(0, 0, owner_->picture_);
        p.restore();
        p.setRenderHint(QPainter::Antialiasing);

        if (const auto &mapping = owner_->mapping_) {
            // The 11 + 11 grid lines as found; the mapping keeps lines straight.
            p.setPen(QPen(QColor(0, 220, 255, 170), 1.5));
            for (int i = 0; i <= 10; ++i) {
                p.drawLine(t.map(mapping->ToPicture({double(i), 0})), t.map(mapping->ToPicture({double(i), 10})));
                p.drawLine(t.map(mapping->ToPicture({0, double(i)})), t.map(mapping->ToPicture({10, double(i)})));
            }
        }
        std::vector<Marker> markers;
        for (size_t i = 0; i < owner_->corners_.size(); ++i)
            markers.push_back({t.map(owner_->corners_[i]), QString::number(i + 1), QColor(255, 60, 60), false, false});
        for (size_t i = 0; i < owner_->marks_.size(); ++i) {
            // A doubtful candidate (a faint mark, a corner or a strip's end
            // that may be none) is drawn paler, dashed and with a plain number.
            const bool doubtful = owner_->marks_[i].confidence < MarkCandidate::kConfident;
            const bool highlighted = int(i) == owner_->highlighted_;
            markers.push_back({t.map(owner_->marks_[i].picture), QString::number(i + 1),
                               highlighted ? QColor(255, 230, 0) : doubtful ? QColor(170, 210, 175) : QColor(60, 255, 90),
                               highlighted, doubtful});
        }
        if (owner_->mapping_ && owner_->use_ == CMonitorPhotoWindow::Use::LineCheck)
            AddDeviations(p, t, *owner_->mapping_, markers);
        DrawMarkers(p, markers);
    }

private:
    struct Marker {
        QPointF at;
        QString label;
        QColor colour;
        bool highlighted;
        bool doubtful;
    };

    // Keeps the view's centre on the picture.
    void Pan(QPointF by)
    {
        const QRectF bounds = owner_->picture_.rect();
        centre_ += by;
        centre_.setX(std::clamp(centre_.x(), bounds.left(), bounds.right()));
        centre_.setY(std::clamp(centre_.y(), bounds.top(), bounds.bottom()));
        update();
    }

    static void DrawMarkers(QPainter &p, const std::vector<Marker> &markers)
    {
        // A sure mark's number is bold, a doubtful one's plain.
        const QFont plain = p.font();
        QFont bold = plain;
        bold.setBold(true);
        std::vector<QPointF> at;
        std::vector<QSizeF> sizes;
        for (const Marker &m : markers) {
            at.push_back(m.at);
            const QFontMetrics metrics(m.doubtful ? plain : bold);
            sizes.push_back(QSizeF(metrics.boundingRect(m.label).adjusted(-2, -1, 2, 1).size()));
        }
        const std::vector<QRectF> boxes = LabelPlacement::Place(at, sizes, kMarkRadius + 3);
        for (size_t i = 0; i < markers.size(); ++i) {
            const Marker &m = markers[i];
            const int r = m.highlighted ? kMarkRadius + 3 : kMarkRadius;
            const Qt::PenStyle style = m.doubtful ? Qt::DashLine : Qt::SolidLine;
            p.setPen(QPen(QColor(0, 0, 0, m.doubtful ? 110 : 255), m.highlighted ? 4 : 3, style));
            p.drawEllipse(m.at, r, r);
            p.setPen(QPen(m.colour, m.highlighted ? 2.5 : m.doubtful ? 1.0 : 1.5, style));
            p.drawEllipse(m.at, r, r);
            p.fillRect(boxes[i], QColor(0, 0, 0, 160));
            p.setPen(m.colour);
            p.setFont(m.doubtful ? plain : bold);
            p.drawText(boxes[i], Qt::AlignCenter, m.label);
        }
        p.setFont(plain);
    }

    void AddDeviations(QPainter &p, const QTransform &t, const GridMapping &mapping,
                       std::vector<Marker> &markers) const
    {
        const auto &deviations = owner_->deviations_;
        for (size_t i = 0; i < deviations.size(); ++i) {
            const LineDeviation &d = deviations[i];
            const QPointF mark = t.map(mapping.ToPicture(d.mark));
            const QColor colour = d.lineFound ? QColor(255, 230, 0) : QColor(255, 80, 80);
            QString text = QStringLiteral("%1: ").arg(i + 1);
            if (d.lineFound) {
                p.setPen(QPen(colour, 2));
                p.drawLine(mark, t.map(mapping.ToPicture(d.mark + d.offsetUnits)));
                // Short at the mark: the table under the picture has the rest.
                text += QString::number(d.DistanceUnits(), 'f', 2);
            } else {
                text += QStringLiteral("-");
            }
            markers.push_back({mark, text, colour, false, false});
        }
    }

    CMonitorPhotoWindow *owner_;
    double zoom_ = 1.0;
    QPointF centre_;
    QPointF pressedAt_;
    bool dragged_ = false;
};

CMonitorPhotoWindow::CMonitorPhotoWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("CMonitorPhotoWindow"));
    setWindowTitle(tr("Снимок монитора"));

    problem_ = new QLabel(this);
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #b00000;"));
    problem_->hide();
    view_ = new PhotoView(this);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    busyIndicator_ = new QProgressBar(this);
    busyIndicator_->setRange(0, 0);
    busyIndicator_->setTextVisible(false);
    busyIndicator_->setMaximumWidth(160);
    busyIndicator_->hide();
    undo_ = new QPushButton(tr("Отменить угол"), this);
    undo_->setAutoDefault(false);
    undo_->setFocusPolicy(Qt::NoFocus);
    connect(undo_, &QPushButton::clicked, this, &CMonitorPhotoWindow::UndoCorner);
    takeAll_ = new QPushButton(tr("Принять все (Ctrl+Enter)"), this);
    takeAll_->setAutoDefault(false);
    takeAll_->setFocusPolicy(Qt::NoFocus);
    takeAll_->hide();
    connect(takeAll_, &QPushButton::clicked, this, &CMonitorPhotoWindow::TakeAll);
    phone_ = new QPushButton(tr("С телефона..."), this);
    phone_->setAutoDefault(false);
    phone_->setFocusPolicy(Qt::NoFocus);
    connect(phone_, &QPushButton::clicked, this, &CMonitorPhotoWindow::PhoneRequested);
    table_ = new QTableWidget(0, 4, this);
    table_->setHorizontalHeaderLabels(
        {tr("№"), tr("Метка (X; Y)"), tr("До линии, ед. сетки"), tr("До линии, пикс. монитора")});
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setMaximumHeight(180);
    table_->hide();

    auto *statusRow = new QHBoxLayout;
    statusRow->addWidget(busyIndicator_);
    statusRow->addWidget(status_, 1);
    statusRow->addWidget(undo_);
    statusRow->addWidget(takeAll_);
    statusRow->addWidget(phone_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(problem_);
    layout->addWidget(view_, 1);
    layout->addLayout(statusRow);
    layout->addWidget(table_);

    // Large from the start: the marks are small on a phone photo.
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        resize(available.size() * 0.8);
        move(available.center() - rect().center());
    }
}

void CMonitorPhotoWindow::PlaceBeside(QWidget *owner)
{
    const QScreen *screen = owner ? owner->screen() : nullptr;
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // The frames around the client areas (title bar, borders), the same
    // for both windows.
    QRect frame = owner->frameGeometry();
    const QSize decoration = frame.size() - owner->size();
    // Too little room to the right for a useful picture: the owner goes to
    // the screen's left edge.
    constexpr int kUseful = 560;
    if (available.right() - frame.right() < kUseful && frame.left() > available.left()) {
        frame.moveLeft(available.left());
        owner->move(frame.topLeft());
    }
    // Right of the owner, from top to bottom; on a screen too narrow even
    // for that, over the owner's right edge rather than smaller than this.
    constexpr int kSmallest = 320;
    const int left = std::max(available.left(), std::min(frame.right() + 1, available.right() - kSmallest));
    const QRect outer(QPoint(left, available.top()), available.bottomRight());
    resize(std::max(200, outer.width() - decoration.width()), std::max(150, outer.height() - decoration.height()));
    move(outer.topLeft());
}

void CMonitorPhotoWindow::hideEvent(QHideEvent *event)
{
    // A closed window proposes nothing any more.
    QWidget::hideEvent(event);
    emit MarksChanged();
}

CMonitorPhotoWindow::~CMonitorPhotoWindow() = default;

std::optional<QString> CMonitorPhotoWindow::AskPhotoPath()
{
    return AskFileName(
        TypedFileDialog(FileDialogRequest::Kind::Open, tr("Изображения"), QStringLiteral("*.png *.jpg *.jpeg *.bmp")));
}

QWidget *CMonitorPhotoWindow::View() const
{
    return view_;
}

QPoint CMonitorPhotoWindow::ViewPosition(QPointF picture) const
{
    return view_->ToView().map(picture).toPoint();
}

void CMonitorPhotoWindow::Reset(const QImage &picture, const QString &fileName, Use use)
{
    use_ = use;
    picture_ = picture;
    mapping_.reset();
    marks_.clear();
    deviations_.clear();
    corners_.clear();
    highlighted_ = -1;
    SetProblem({});
    table_->setRowCount(0);
    table_->setVisible(use == Use::LineCheck);
    setWindowTitle(tr("Снимок монитора - %1").arg(fileName));
    view_->ResetZoom();
}

void CMonitorPhotoWindow::OpenPointPhoto(const QString &path, int gridShiftY)
{
    StartReading(path, Use::Points, 0, gridShiftY);
}

void CMonitorPhotoWindow::OpenLinePhoto(const QString &path, int gridShiftX, int gridShiftY)
{
    StartReading(path, Use::LineCheck, gridShiftX, gridShiftY);
}

void CMonitorPhotoWindow::OpenDecodedPhoto(const QString &path, const QImage &picture, Use use, int gridShiftX,
                                           int gridShiftY)
{
    StartReading(path, use, gridShiftX, gridShiftY, picture);
}

void CMonitorPhotoWindow::StartReading(const QString &path, Use use, int gridShiftX, int gridShiftY,
                                       const QImage &decoded)
{
    // A photo that replaces one being read keeps what the window was before that one.
    if (busy_ != Busy::Reading) {
        hideIfUnread_ = !isVisible();
        findAgainIfUnread_ = busy_ == Busy::Finding;
    }
    const quint64 job = BeginWork(Busy::Reading);
    QFuture<PhotoWork::Read> work = decoded.isNull()
        ? QtConcurrent::run(PhotoWork::ReadPhoto, path, use, gridShiftX, gridShiftY)
        : QtConcurrent::run(PhotoWork::Examine, decoded, use, gridShiftX, gridShiftY);
    WhenDone(this, std::move(work),
             [this, job, path, use, gridShiftX, gridShiftY](PhotoWork::Read read) {
                 if (job == job_)
                     ReadingDone(path, use, gridShiftX, gridShiftY, std::move(read));
             });
    show();
    raise();
    activateWindow();
}

void CMonitorPhotoWindow::ReadingDone(const QString &path, Use use, int gridShiftX, int gridShiftY,
                                      PhotoWork::Read read)
{
    if (!read.fileProblem.isEmpty()) {
        DropReading();
        if (hideIfUnread_) {
            hide();
            if (QWidget *owner = parentWidget())
                owner->activateWindow();
        }
        // Last: the message box waits for the installer.
        ShowMessage({tr("Не удалось открыть снимок «%1»:\n%2").arg(QDir::toNativeSeparators(path), read.fileProblem),
                     ProgramCaption(), UserMessage::Icon::Warning, {}});
        return;
    }
    EndWork();
    Reset(read.picture, QFileInfo(path).fileName(), use);
    gridShiftX_ = gridShiftX;
    gridShiftY_ = gridShiftY;
    mapping_ = std::move(read.found.mapping);
    marks_ = std::move(read.found.marks);
    deviations_ = std::move(read.found.deviations);
    SetProblem(read.found.problem);
    MappingFound();
}

void CMonitorPhotoWindow::FindingDone(PhotoWork::Findings found)
{
    EndWork();
    marks_ = std::move(found.marks);
    deviations_ = std::move(found.deviations);
    SetProblem(found.problem);
    MappingFound();
}

quint64 CMonitorPhotoWindow::BeginWork(Busy kind)
{
    busy_ = kind;
    busyIndicator_->show();
    view_->setCursor(Qt::BusyCursor);
    RefreshStatus();
    return ++job_;
}

void CMonitorPhotoWindow::EndWork()
{
    busy_ = Busy::No;
    busyIndicator_->hide();
    view_->setCursor(Qt::CrossCursor);
}

void CMonitorPhotoWindow::DropReading()
{
    ++job_;
    EndWork();
    if (findAgainIfUnread_)
        StartFinding();
    else
        RefreshStatus();
}

void CMonitorPhotoWindow::closeEvent(QCloseEvent *event)
{
    // The installer closed the window on a photo still being read: it is
    // not shown later, nor its file's problem said.
    if (busy_ == Busy::Reading)
        DropReading();
    QWidget::closeEvent(event);
}

void CMonitorPhotoWindow::SetProblem(const QString &text)
{
    problem_->setText(text);
    problem_->setVisible(!text.isEmpty());
}

void CMonitorPhotoWindow::MappingFound()
{
    if (mapping_ && use_ == Use::LineCheck)
        FillTable();
    highlighted_ = -1;
    emit MarksChanged();
    RefreshStatus();
    view_->update();
}

void CMonitorPhotoWindow::SetTarget(Target target)
{
    target_ = std::move(target);
    RefreshStatus();
}

double CMonitorPhotoWindow::Zoom() const
{
    return view_->Zoom();
}

QPointF CMonitorPhotoWindow::ViewCentre() const
{
    return view_->Centre();
}

QString CMonitorPhotoWindow::CornerName(int index) const
{
    if (use_ == Use::Points) {
        const QString names[] = {tr("(0, 0) левый верхний угол сетки"), tr("(10, 0) правый верхний"),
                                 tr("(10, 10) правый нижний"), tr("(0, 10) левый нижний")};
        return names[index];
    }
    const QString names[] = {tr("левый верхний угол изображения монитора"), tr("правый верхний"),
                             tr("правый нижний"), tr("левый нижний")};
    return names[index];
}

void CMonitorPhotoWindow::RefreshStatus()
{
    undo_->setVisible(!mapping_ || !corners_.empty());
    undo_->setEnabled(!IsBusy() && !mapping_ && !corners_.empty());
    if (IsBusy()) {
        status_->setText(busy_ == Busy::Reading ? tr("Снимок читается...") : tr("Метки ищутся..."));
        return;
    }
    if (picture_.isNull()) {
        status_->clear();
        return;
    }
    if (!mapping_) {
        const int n = CornersClicked();
        QString text = tr("Щёлкните угол %1 из 4: %2").arg(n + 1).arg(CornerName(n));
        if (n > 0)
            text += tr(" (Backspace - отменить последний)");
        status_->setText(text);
        return;
    }
    if (use_ == Use::LineCheck) {
        status_->setText(deviations_.empty() ? tr("Метки на снимке не найдены.")
                                             : tr("Меток: %1. Расстояние до ближайшей линии - в таблице.")
                                                   .arg(deviations_.size()));
        return;
    }
    // The highlight goes to the mark proposed for the target's row.
    highlighted_ = -1;
    if (const std::optional<QPointF> proposed = target_.proposal ? target_.proposal() : std::nullopt)
        for (int i = 0; i < static_cast<int>(marks_.size()); ++i)
            if (QLineF(marks_[i].grid, *proposed).length() < 1e-9)
                highlighted_ = i;
    takeAll_->setVisible(bool(target_.takeAll) && !marks_.empty());
    view_->update();
    QString text = target_.text ? target_.text() : tr("Откройте страницу ввода точек, чтобы взять точку со снимка");
    if (target_.text && !marks_.empty())
        text += highlighted_ >= 0 ? tr(" (Enter - принять метку %1, Tab - другая метка)").arg(highlighted_ + 1)
                                  : tr(" (Tab - выбрать метку)");
    status_->setText(text);
}

void CMonitorPhotoWindow::PictureClicked(QPointF picture)
{
    if (IsBusy())
        return;
    if (!mapping_) {
        AddCorner(picture);
        return;
    }
    if (use_ == Use::Points && target_.take) {
        const int near = MarkNear(picture);
        target_.take(near >= 0 ? marks_[near].grid : mapping_->ToGrid(picture));
        RefreshStatus();
    }
}

int CMonitorPhotoWindow::MarkNear(QPointF picture) const
{
    const QTransform t = view_->ToView();
    const QPointF at = t.map(picture);
    int nearest = -1;
    double distance = kMarkRadius + 3;
    for (int i = 0; i < static_cast<int>(marks_.size()); ++i) {
        const double d = QLineF(t.map(marks_[i].picture), at).length();
        if (d <= distance) {
            distance = d;
            nearest = i;
        }
    }
    return nearest;
}

void CMonitorPhotoWindow::AddCorner(QPointF picture)
{
    corners_.push_back(picture);
    if (corners_.size() == 4)
        CornersDone();
    RefreshStatus();
    view_->update();
}

void CMonitorPhotoWindow::UndoCorner()
{
    if (IsBusy() || mapping_ || corners_.empty())
        return;
    corners_.pop_back();
    RefreshStatus();
    view_->update();
}

void CMonitorPhotoWindow::CornersDone()
{
    const GridMapping::Corners corners{corners_[0], corners_[1], corners_[2], corners_[3]};
    mapping_ = use_ == Use::Points ? GridMapping::FromCorners(corners)
                                   : GridMapping::FromScreenCorners(corners, gridShiftX_, gridShiftY_);
    corners_.clear();
    if (!mapping_) {
        SetProblem(tr("Эти четыре угла не образуют четырёхугольник. Щёлкните углы снова."));
        return;
    }
    // The grid is drawn at once; the marks (or the lines against them) follow.
    StartFinding();
}

void CMonitorPhotoWindow::StartFinding()
{
    const quint64 job = BeginWork(Busy::Finding);
    WhenDone(this, QtConcurrent::run(PhotoWork::FindUnder, picture_, use_, *mapping_),
             [this, job](PhotoWork::Findings found) {
                 if (job == job_)
                     FindingDone(std::move(found));
             });
}

void CMonitorPhotoWindow::StepMark(bool forward)
{
    const int count = static_cast<int>(marks_.size());
    if (count == 0 || IsBusy())
        return;
    if (highlighted_ < 0)
        highlighted_ = forward ? 0 : count - 1;
    else
        highlighted_ = (highlighted_ + (forward ? 1 : count - 1)) % count;
    view_->update();
}

void CMonitorPhotoWindow::TakeHighlighted()
{
    if (IsBusy() || highlighted_ < 0 || highlighted_ >= static_cast<int>(marks_.size()) || !target_.confirm)
        return;
    target_.confirm(marks_[highlighted_].grid);
    RefreshStatus();
}

void CMonitorPhotoWindow::TakeAll()
{
    if (IsBusy() || marks_.empty() || !target_.takeAll)
        return;
    target_.takeAll();
    RefreshStatus();
}

void CMonitorPhotoWindow::FillTable()
{
    table_->setRowCount(static_cast<int>(deviations_.size()));
    for (int i = 0; i < static_cast<int>(deviations_.size()); ++i) {
        const LineDeviation &d = deviations_[i];
        QString units = tr("линия не найдена"), pixels = units;
        if (d.lineFound) {
            units = QStringLiteral("%1 (X %2, Y %3)")
                        .arg(d.DistanceUnits(), 0, 'f', 2)
                        .arg(Signed(d.offsetUnits.x(), 2), Signed(d.offsetUnits.y(), 2));
            pixels = QStringLiteral("%1 (X %2, Y %3)")
                         .arg(d.DistancePixels(), 0, 'f', 1)
                         .arg(Signed(d.offsetPixels.x(), 1), Signed(d.offsetPixels.y(), 1));
        }
        const QString cells[] = {QString::number(i + 1),
                                 QStringLiteral("%1; %2").arg(d.mark.x(), 0, 'f', 2).arg(d.mark.y(), 0, 'f', 2),
                                 units, pixels};
        for (int c = 0; c < 4; ++c)
            table_->setItem(i, c, new QTableWidgetItem(cells[c]));
    }
}
