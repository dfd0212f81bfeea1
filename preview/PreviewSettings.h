#pragma once

// The settings record into a preview control: the same copies as into its
// renderer (GuideLineRenderer.h), for the pages that hold the control.

#include "GuideLineRenderer.h"

class CGuideLinePreview;
class Settings;

void ShowGuideLines(CGuideLinePreview &preview, const Settings &s);
void ShowLabels(CGuideLinePreview &preview, const Settings &s);
