#include "PreviewSettings.h"

#include "CGuideLinePreview.h"

void ShowGuideLines(CGuideLinePreview &preview, const Settings &s)
{
    ShowGuideLines(preview.Renderer(), s);
}

void ShowLabels(CGuideLinePreview &preview, const Settings &s)
{
    ShowLabels(preview.Renderer(), s);
}
