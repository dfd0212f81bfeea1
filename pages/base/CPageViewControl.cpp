#include "CPageViewControl.h"

#include "CGuideLinePreview.h"
#include "CValueSpinCtrl.h"
#include "CoordinateKeys.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <QLineEdit>

CPageViewControl::~CPageViewControl() = default;

std::vector<ControlSpec> CPageViewControl::BaseTemplate()
{
    return {
        {Ids::IDC_HELPTEXT, ControlSpec::Kind::HelpText, {}, QRect(5, 5, 280, 55)},
        {Ids::IDC_PREVIEW, ControlSpec::Kind::Frame, {}, QRect(5, 65, 165, 135)},
    };
}

void CPageViewControl::BindControls()
{
    preview_ = static_cast<CGuideLinePreview *>(ReplaceControl(Ids::IDC_PREVIEW, new CGuideLinePreview));
    std::vector<CoordinateRow> rows;
    int lastRow = -1;
    for (int r = 0; r < kRows; ++r) {
        editX_[r] = ControlAs<QLineEdit>(Ids::IDC_EDIT_X0 + r);
        editY_[r] = ControlAs<QLineEdit>(Ids::IDC_EDIT_Y0 + r);
        spinX_[r] = ControlAs<CValueSpinCtrl>(Ids::IDC_SPIN_X0 + r);
        spinY_[r] = ControlAs<CValueSpinCtrl>(Ids::IDC_SPIN_Y0 + r);
        rows.push_back({editX_[r], spinX_[r], editY_[r], spinY_[r]});
        if (editX_[r] || editY_[r])
            lastRow = r;
        if (spinX_[r])
            connect(spinX_[r], &CValueSpinCtrl::Spun, this, [this, r] { OnRowSpun(r, true); });
        if (spinY_[r])
            connect(spinY_[r], &CValueSpinCtrl::Spun, this, [this, r] { OnRowSpun(r, false); });
    }
    if (lastRow < 0)
        return;
    rows.resize(lastRow + 1);
    // Enter and Shift with the cursor keys are handled for the whole page
    // before the focused control sees them.
    keys_ = new CoordinateKeys(this);
    keys_->SetRows(std::move(rows));
    keys_->SetAfterChange([this](int row) { OnRowChanged(row); });
    keys_->SetRowFocused([this](int row) {
        const int point = RowGuidePoint(row);
        if (point >= 0 && preview_) {
            preview_->SetHighlightedPoint(point);
            preview_->update();
        }
    });
    keys_->Watch(this);
}

int CPageViewControl::RowGuidePoint(int) const
{
    return -1;
}

bool CPageViewControl::OnSetActive()
{
    BeginActivation();
    if (Settings *s = SettingsRecord(); s && preview_) {
        for (int i = 0; i <= 22; ++i) {
            double x = 0, y = 0;
            unsigned char flag = 0;
            s->GetPoint(i, x, y, flag);
            preview_->SetPoint(i, x, y, flag != 0, false);
        }
        preview_->SetGridShift(s->CameraShiftY);
        preview_->update();
        // The preview blinks the point being edited.
        preview_->StartPageTimer();
        preview_->SetLineThickness(s->LineThickness);
        preview_->SetCurveThickness(s->CurveThickness);
        preview_->SetCurveTicks(s->CurveTicks);
        preview_->SetCurveTicksSpace(s->CurveTicksSpace);
    }
    return CPageView::OnSetActive();
}

void CPageViewControl::OnRowChanged(int)
{
}

void CPageViewControl::OnRowSpun(int, bool)
{
}

void CPageViewControl::resizeEvent(QResizeEvent *event)
{
    update();
    CPageView::resizeEvent(event);
}
