#include "PreviewSettings.h"

#include "CGuideLinePreview.h"
#include "Settings.h"

void ShowGuideLines(CGuideLinePreview &preview, const Settings &s)
{
    for (int i = 0; i <= 22; ++i) {
        double x = 0, y = 0;
        unsigned char flag = 0;
        s.GetPoint(i, x, y, flag);
        preview.SetPoint(i, x, y, flag != 0, false);
    }
    preview.SetGridShift(s.CameraShiftY);
    preview.SetLineThickness(s.LineThickness);
    preview.SetCurveThickness(s.CurveThickness);
    preview.SetCurveTicks(s.CurveTicks);
    preview.SetCurveTicksSpace(s.CurveTicksSpace);
}

void ShowLabels(CGuideLinePreview &preview, const Settings &s)
{
    preview.SetSideLineMode(s.SideLineMode);
    preview.SetBaseLineMode(s.BaseLineMode);
    preview.SetFontHeight(s.FontHeight);
    preview.SetLabelShift(s.LabelShiftX, s.LabelShiftY);
    preview.SetBaseLineText(s.BaseLineText);
    for (int k = 0; k < 4; ++k)
        preview.SetLabelLineText(k, s.LabelLineText[k]);
}

QImage RenderGuideLinePicture(const Settings &s)
{
    CGuideLinePreview preview;
    ShowGuideLines(preview, s);
    ShowLabels(preview, s);
    return preview.RenderExport();
}
