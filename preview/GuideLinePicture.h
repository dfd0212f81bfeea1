#pragma once

// The current guide-line picture: the last export render of the preview,
// shared with the picture pages, which copy it. User-interface thread only.

#include <QImage>

void PublishGuideLinePicture(const QImage &picture);

// A null image until the first export render.
QImage CurrentGuideLinePicture();
