#include "CPageViewControl.h"

#include "CGuideLinePreview.h"
#include "PreviewSettings.h"
#include "ResourceIds.h"
#include "Settings.h"

CPageViewControl::~CPageViewControl() = default;

std::vector<ControlSpec> CPageViewControl::BaseTemplate(int pageWidth)
{
    return {
        {Ids::IDC_HELPTEXT, ControlSpec::Kind::HelpText, {}, QRect(5, 5, pageWidth - 10, 55)},
        {Ids::IDC_PREVIEW, ControlSpec::Kind::Frame, {}, QRect(5, 65, 165, 135)},
    };
}

void CPageViewControl::BindControls()
{
    preview_ = static_cast<CGuideLinePreview *>(ReplaceControl(Ids::IDC_PREVIEW, new CGuideLinePreview));
}

void CPageViewControl::OnRowFocused(int row)
{
    const int point = RowGuidePoint(row);
    if (point >= 0 && preview_) {
        preview_->SetHighlightedPoint(point);
        preview_->update();
    }
}

int CPageViewControl::RowGuidePoint(int) const
{
    return -1;
}

bool CPageViewControl::OnSetActive()
{
    BeginActivation();
    if (const Settings *s = SettingsRecord(); s && preview_) {
        ShowGuideLines(*preview_, *s);
        preview_->update();
        // The preview blinks the point being edited.
        preview_->StartPageTimer();
    }
    return CPageView::OnSetActive();
}

void CPageViewControl::resizeEvent(QResizeEvent *event)
{
    update();
    CPageView::resizeEvent(event);
}
