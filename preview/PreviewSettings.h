#pragma once

// The settings record as the preview shows it: what each page copies into
// its preview, in one place, so that the pages, the guide-line picture
// rendered without a window and the tests all draw the same thing.

#include <QImage>

class CGuideLinePreview;
class Settings;

// The 23 guide points (grid units, with their flags), the grid shift and the
// line style: thicknesses, dash and gap of the curves.
void ShowGuideLines(CGuideLinePreview &preview, const Settings &s);

// Where the labels go, their font height, offset and texts.
void ShowLabels(CGuideLinePreview &preview, const Settings &s);

// The guide-line picture of a record as the labels page renders it when it
// is left: 400 x 312, lines and labels only. Needs a QApplication (the
// preview is a widget; the offscreen platform will do).
QImage RenderGuideLinePicture(const Settings &s);
