#include "CPagePointEntry.h"

#include "CGuideLinePreview.h"
#include "CValueSpinCtrl.h"
#include "ConfigurationEdit.h"
#include "ResourceIds.h"
#include "PageHost.h"
#include "Settings.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace {

// Template geometry in dialog units: a wide page, so that a row's label,
// both fields and their spins fit beside the preview.
constexpr int kPageWidth = CPageViewControl::kWidePageWidth;
constexpr int kColumn = 175;
constexpr int kFirstRowY = 70;
constexpr int kRowPitch = 18;

} // namespace

CPagePointEntry::CPagePointEntry(PageInfo info, Steps steps, QWidget *parent)
    : CPageViewControl(WithRows(std::move(info), steps), parent), steps_(std::move(steps))
{
}

CPageView::PageInfo CPagePointEntry::WithRows(PageInfo info, const Steps &steps)
{
    // Five rows with the skip and two photo buttons and the hint need a little
    // more than the other pages' height.
    const int rows = static_cast<int>(steps.rows.size());
    const int hintBottom = kFirstRowY + kRowPitch * rows + 2 + (steps.skipButton ? 18 : 0) + 18 + 20 + 24;
    info.units = QRect(0, 0, kPageWidth, std::max(205, hintBottom + 5));
    info.guidePoints.clear();
    for (const RowSpec &row : steps.rows)
        info.guidePoints.push_back(row.guidePoint);
    return info;
}

std::vector<ControlSpec> CPagePointEntry::Template() const
{
    using Kind = ControlSpec::Kind;
    std::vector<ControlSpec> t = BaseTemplate(kPageWidth);
    for (int r = 0; r < RowCount(); ++r) {
        const int y = kFirstRowY + kRowPitch * r;
        t.push_back({Ids::IDC_LABEL_X0 + r, Kind::Static, steps_.rows[r].xLabel, QRect(kColumn, y + 2, 42, 10)});
        t.push_back({Ids::IDC_EDIT_X0 + r, Kind::Edit, {}, QRect(kColumn + 44, y, 32, 13)});
        t.push_back({Ids::IDC_SPIN_X0 + r, Kind::Spin, {}, QRect(kColumn + 76, y, 10, 13)});
        t.push_back({Ids::IDC_LABEL_Y0 + r, Kind::Static, QStringLiteral("Y"), QRect(kColumn + 90, y + 2, 8, 10)});
        t.push_back({Ids::IDC_EDIT_Y0 + r, Kind::Edit, {}, QRect(kColumn + 98, y, 32, 13)});
        t.push_back({Ids::IDC_SPIN_Y0 + r, Kind::Spin, {}, QRect(kColumn + 130, y, 10, 13)});
    }
    const int below = kFirstRowY + kRowPitch * RowCount() + 2;
    // Under the rows: the skip button, the photo buttons, the hint.
    int y = below;
    if (steps_.skipButton) {
        t.push_back({Ids::IDC_SKIP_POINT, Kind::Button, tr("Пропустить точку"), QRect(kColumn, y, 80, 14)});
        y += 18;
    }
    t.push_back({Ids::IDC_MONITOR_PHOTO, Kind::Button, tr("Снимок монитора..."), QRect(kColumn, y, 90, 14)});
    y += 18;
    t.push_back({Ids::IDC_PHONE_PHOTO, Kind::Button, tr("С телефона..."), QRect(kColumn, y, 90, 14)});
    const int hintY = y + 20;
    t.push_back({Ids::IDC_SHIFT_NOTE, Kind::Static,
                 tr("Нажмите и удерживайте Shift, чтобы изменять координаты клавишами курсора"),
                 QRect(kColumn, hintY, kPageWidth - 5 - kColumn, 24)});
    return t;
}

void CPagePointEntry::OnInitDialog()
{
    CPageViewControl::OnInitDialog();
    if (auto *hint = Control(Ids::IDC_SHIFT_NOTE))
        static_cast<QLabel *>(hint)->setWordWrap(true);
    if (QPushButton *skip = SkipButton()) {
        skip->setAutoDefault(false);
        connect(skip, &QPushButton::clicked, this, &CPagePointEntry::SkipPoint);
    }
    if (auto *photo = ControlAs<QPushButton>(Ids::IDC_MONITOR_PHOTO)) {
        photo->setAutoDefault(false);
        connect(photo, &QPushButton::clicked, this, [this] {
            if (Host())
                Host()->OpenMonitorPhoto(PageHost::PhotoUse::Points);
        });
    }
    if (auto *phone = ControlAs<QPushButton>(Ids::IDC_PHONE_PHOTO)) {
        phone->setAutoDefault(false);
        connect(phone, &QPushButton::clicked, this, [this] {
            if (Host())
                Host()->OpenPhonePhoto(PageHost::PhotoUse::Points);
        });
    }
    for (int r = 0; r < RowCount(); ++r) {
        for (CValueSpinCtrl *spin : {SpinX(r), SpinY(r)}) {
            spin->SetRange(Grid::kLowest, Grid::kHighest, Grid::kStep);
            spin->SetDecimals(2);
            spin->SetTrimZeros(false);
            spin->SetValue(0.5);
        }
        ShowRow(r, false, false);
    }
    LoadRows();
    OnWizardStep(true);
}

QPushButton *CPagePointEntry::SkipButton() const
{
    return ControlAs<QPushButton>(Ids::IDC_SKIP_POINT);
}

void CPagePointEntry::LoadRows()
{
    for (int r = 0; r < RowCount(); ++r)
        LoadRow(r);
}

void CPagePointEntry::LoadRow(int row)
{
    const Settings *s = SettingsRecord();
    if (!s)
        return;
    double x = 0, y = 0;
    unsigned char flag = 0;
    s->GetPoint(steps_.rows[row].guidePoint, x, y, flag);
    SpinX(row)->SetValue(x);
    SpinY(row)->SetValue(y);
}

bool CPagePointEntry::OnSetActive()
{
    BeginActivation();
    LoadRows();
    OnActivated();
    const bool result = CPageViewControl::OnSetActive();
    emit PhotoTargetChanged();
    return result;
}

void CPagePointEntry::ShowRow(int row, bool visible, bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(EditX(row)), static_cast<QWidget *>(SpinX(row)),
                       static_cast<QWidget *>(EditY(row)), static_cast<QWidget *>(SpinY(row)),
                       Control(Ids::IDC_LABEL_X0 + row), Control(Ids::IDC_LABEL_Y0 + row)}) {
        if (w)
            w->setVisible(visible);
    }
    SetRowEnabled(row, enabled);
}

void CPagePointEntry::SetRowEnabled(int row, bool enabled)
{
    EditX(row)->setEnabled(enabled);
    SpinX(row)->setEnabled(enabled);
    EditY(row)->setEnabled(enabled);
    SpinY(row)->setEnabled(enabled);
}

int CPagePointEntry::OnWizardStep(bool forward)
{
    DropProposal();
    const int review = RowCount();
    const int n = SubStep() + (forward ? 1 : -1);
    if (n < 0) {
        SetSubStep(0);
        return 0;
    }
    if (n > review) {
        SetSubStep(review);
        return 0;
    }
    if (n == review) {
        ShowReview();
        // One past the review, so that the next step in the same direction
        // leaves the page and the opposite one shows the review again.
        SetSubStep(n + (forward ? 1 : -1));
        emit PhotoTargetChanged();
        return 1;
    }

    SetSubStep(n);
    ShowEntryRow(n);
    // Entering a row marks its point entered, also when it was skipped; only
    // the row's own point, not the one it shares.
    const int point = steps_.rows[n].guidePoint;
    const double x = SpinX(n)->GetValue(), y = SpinY(n)->GetValue();
    Preview()->SetPoint(point, x, y, true, true);
    EditRecord([&](ConfigurationEdit &e) { e.SetPoint(point, x, y, 1); });
    ShowProposal();
    emit PhotoTargetChanged();
    return 1;
}

void CPagePointEntry::ShowReview()
{
    const int review = RowCount();
    reviewShown_ = true;
    // Every row editable at once, but for the points that were skipped.
    for (int r = 0; r < review; ++r)
        ShowRow(r, true, true);
    LoadHelpText(steps_.reviewHelpText);
    if (QPushButton *skip = SkipButton()) {
        skip->hide();
        for (int r = 0; r < review; ++r)
            if (!Preview()->IsPointEnabled(steps_.rows[r].guidePoint))
                SetRowEnabled(r, false);
    }
}

void CPagePointEntry::ShowEntryRow(int n)
{
    reviewShown_ = false;
    for (int r = 0; r < RowCount(); ++r)
        ShowRow(r, r <= n, r == n);
    EditX(n)->setFocus();
    // Also when the sheet is not the active window (the keys pressed in the
    // photo window): the review's photo row is then the last one entered.
    focusedRow_ = n;
    Preview()->SetHighlightedPoint(steps_.rows[n].guidePoint);
    LoadHelpText(steps_.rows[n].helpText);
    if (QPushButton *skip = SkipButton())
        skip->setVisible(n < 2);
}

void CPagePointEntry::OnRecordRestored()
{
    DropProposal();
    LoadRows();
    CPageViewControl::OnSetActive();
    ShowProposal();
}

void CPagePointEntry::ShowView(const ViewState &view)
{
    DropProposal();
    SetSubStep(view.subStep);
    if (view.review) {
        ShowReview();
    } else if (view.subStep >= 0 && view.subStep < RowCount()) {
        ShowEntryRow(view.subStep);
    } else {
        // Not entered yet: no row shown until Next.
        reviewShown_ = false;
        for (int r = 0; r < RowCount(); ++r)
            ShowRow(r, false, false);
        if (QPushButton *skip = SkipButton())
            skip->hide();
    }
    ShowProposal();
    emit PhotoTargetChanged();
}

void CPagePointEntry::SkipPoint()
{
    DropProposal();
    const int n = SubStep();
    // Only while a row is being entered (the counter is -1 after New and
    // Load until the next step shows row 0).
    if (n >= 0 && n < RowCount()) {
        const int point = steps_.rows[n].guidePoint;
        const double x = SpinX(n)->GetValue(), y = SpinY(n)->GetValue();
        Preview()->SetPoint(point, x, y, false, false);
        EditRecord([&](ConfigurationEdit &e) { e.SetPoint(point, x, y, 0); });
    }
    OnWizardStep(true);
}

int CPagePointEntry::RowGuidePoint(int row) const
{
    return row >= 0 && row < RowCount() ? steps_.rows[row].guidePoint : -1;
}

void CPagePointEntry::AfterChange(int row)
{
    const RowSpec &spec = steps_.rows[row];
    const double x = SpinX(row)->GetValue(), y = SpinY(row)->GetValue();
    for (int point : {spec.guidePoint, spec.sharedPoint})
        if (point >= 0)
            Preview()->SetPoint(point, x, y, true, true);
    EditRecord([&](ConfigurationEdit &e) {
        for (int point : {spec.guidePoint, spec.sharedPoint})
            if (point >= 0)
                e.SetPoint(point, x, y, 1);
    });
    Preview()->SetHighlightedPoint(spec.guidePoint);
}

void CPagePointEntry::OnRowChanged(int row)
{
    if (row < RowCount())
        AfterChange(row);
}

void CPagePointEntry::OnRowSpun(int row, bool)
{
    // Spins of rows not reached yet change only their text.
    if (SettingsRecord() && row < RowCount() && SubStep() >= row)
        AfterChange(row);
}

void CPagePointEntry::OnRowFocused(int row)
{
    CPageViewControl::OnRowFocused(row);
    if (row < RowCount()) {
        focusedRow_ = row;
        emit PhotoTargetChanged();
    }
}

int CPagePointEntry::PhotoRow() const
{
    const int n = SubStep();
    if (n < 0)
        return -1;
    if (n < RowCount())
        return n;
    if (focusedRow_ >= 0 && focusedRow_ < RowCount() && EditX(focusedRow_)->isEnabled())
        return focusedRow_;
    return Keys() ? Keys()->ActiveRow() : -1;
}

QString CPagePointEntry::PhotoTargetText() const
{
    const int row = PhotoRow();
    if (row < 0)
        return tr("Нажмите «Далее», чтобы начать ввод точек");
    // The caption names the line: "Ввод левой границы".
    QString line = Caption();
    const QString entry = tr("Ввод ");
    if (line.startsWith(entry))
        line = line.mid(entry.size());
    if (!EditX(row)->isEnabled())
        return tr("Точка %1 %2 пропущена").arg(row + 1).arg(line);
    return tr("Щелчок или Enter: точка %1 %2").arg(row + 1).arg(line);
}

bool CPagePointEntry::TakePhotoPoint(QPointF grid)
{
    const int row = PhotoRow();
    CoordinateKeys *keys = Keys();
    if (row < 0 || !keys || !EditX(row)->isEnabled())
        return false;
    // No turn for the mirroring: with "в мониторе" chosen the module mirrors
    // its grid and the monitor turns it back, so the grid on the screen, and
    // in a picture of it, reads as the module counts. Rounded to the fields'
    // step, then taken as a typed point is.
    const int shown = proposalShown_;
    proposalShown_ = -1;
    if (keys->TakeValues(row, Rounded(grid.x()), Rounded(grid.y()))) {
        ShowProposalStyle(shown, false);
        return true;
    }
    proposalShown_ = shown;
    return false;
}

double CPagePointEntry::Rounded(double v) const
{
    // + 0.0: no -0 beside the grid.
    const double step = Keys() ? Keys()->Rules().step : Grid::kStep;
    return std::round(v / step) * step + 0.0;
}

void CPagePointEntry::SetPhotoProposals(std::vector<std::optional<QPointF>> perRow)
{
    DropProposal();
    proposals_ = std::move(perRow);
    proposals_.resize(proposals_.empty() ? 0 : RowCount());
    ShowProposal();
    emit PhotoTargetChanged();
}

std::optional<QPointF> CPagePointEntry::PhotoProposal() const
{
    const int row = PhotoRow();
    if (row < 0 || row >= static_cast<int>(proposals_.size()) || !EditX(row)->isEnabled())
        return std::nullopt;
    return proposals_[row];
}

void CPagePointEntry::ShowProposalStyle(int row, bool proposed)
{
    if (row < 0 || row >= RowCount())
        return;
    for (QLineEdit *edit : {EditX(row), EditY(row)}) {
        edit->setStyleSheet(proposed ? QStringLiteral("color: #1c5fb0; font-style: italic;") : QString());
        edit->setToolTip(proposed ? tr("Предложено по снимку монитора: Enter в окне снимка - принять") : QString());
    }
}

void CPagePointEntry::ShowProposal()
{
    const int n = SubStep();
    if (proposalShown_ >= 0 || reviewShown_ || n < 0 || n >= static_cast<int>(proposals_.size()) || !proposals_[n])
        return;
    // Not typed: the fields' text only, which Next and leaving the page do
    // not enter.
    SpinX(n)->SetValue(Rounded(proposals_[n]->x()));
    SpinY(n)->SetValue(Rounded(proposals_[n]->y()));
    proposalShown_ = n;
    ShowProposalStyle(n, true);
}

void CPagePointEntry::DropProposal()
{
    const int row = proposalShown_;
    if (row < 0)
        return;
    proposalShown_ = -1;
    ShowProposalStyle(row, false);
    LoadRow(row);
}

bool CPagePointEntry::TakeAllPhotoProposals()
{
    DropProposal();
    // Taken as they are: no message for a point outside the fields' range.
    double low = 0, high = 0, step = 0;
    SpinX(0)->GetRange(low, high, step);
    struct Taken {
        int row;
        double x, y;
    };
    std::vector<Taken> taken;
    for (int r = 0; r < static_cast<int>(proposals_.size()); ++r) {
        if (!proposals_[r])
            continue;
        const double x = Rounded(proposals_[r]->x()), y = Rounded(proposals_[r]->y());
        if (x >= low && x <= high && y >= low && y <= high)
            taken.push_back({r, x, y});
    }
    if (taken.empty())
        return false;
    EditRecord([&](ConfigurationEdit &e) {
        for (const Taken &t : taken)
            for (int point : {steps_.rows[t.row].guidePoint, steps_.rows[t.row].sharedPoint})
                if (point >= 0)
                    e.SetPoint(point, t.x, t.y, 1);
    });
    for (const Taken &t : taken) {
        SpinX(t.row)->SetValue(t.x);
        SpinY(t.row)->SetValue(t.y);
        for (int point : {steps_.rows[t.row].guidePoint, steps_.rows[t.row].sharedPoint})
            if (point >= 0)
                Preview()->SetPoint(point, t.x, t.y, true, true);
    }
    // The review, as Next from the last row shows it.
    SetSubStep(RowCount() - 1);
    OnWizardStep(true);
    return true;
}
