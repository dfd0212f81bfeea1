#include "CPageViewControl.h"

#include "CGuideLinePreview.h"
#include "CValueSpinCtrl.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <QEvent>
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
    for (int r = 0; r < kRows; ++r) {
        editX_[r] = ControlAs<QLineEdit>(Ids::IDC_EDIT_X0 + r);
        editY_[r] = ControlAs<QLineEdit>(Ids::IDC_EDIT_Y0 + r);
        spinX_[r] = ControlAs<CValueSpinCtrl>(Ids::IDC_SPIN_X0 + r);
        spinY_[r] = ControlAs<CValueSpinCtrl>(Ids::IDC_SPIN_Y0 + r);
        for (QLineEdit *edit : {editX_[r], editY_[r]})
            if (edit)
                edit->installEventFilter(this);
    }
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

bool CPageViewControl::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && preview_) {
        for (int r = 0; r < kRows; ++r) {
            if (watched == editX_[r] || watched == editY_[r]) {
                const int point = RowGuidePoint(r);
                if (point >= 0) {
                    preview_->SetHighlightedPoint(point);
                    preview_->update();
                }
                break;
            }
        }
    }
    return CPageView::eventFilter(watched, event);
}

void CPageViewControl::resizeEvent(QResizeEvent *event)
{
    update();
    CPageView::resizeEvent(event);
}
