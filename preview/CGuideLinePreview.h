#pragma once

// The preview control of the guide lines: shows what GuideLineRenderer draws
// at the control's size, and blinks the cursor on the point being edited.
// The drawing itself, and the 400 x 312 guide-line picture, are the
// renderer's; the control keeps painting, its timers and the cursor.

#include "GuideLineRenderer.h"

#include <QImage>
#include <QString>
#include <QWidget>

class QPainter;

class CGuideLinePreview : public QWidget {
    Q_OBJECT

public:
    static constexpr int kCanvasWidth = GuideLineRenderer::kCanvasWidth;
    static constexpr int kCanvasHeight = GuideLineRenderer::kCanvasHeight;
    static constexpr int kExportWidth = GuideLineRenderer::kExportWidth;
    static constexpr int kExportHeight = GuideLineRenderer::kExportHeight;

    explicit CGuideLinePreview(QWidget *parent = nullptr);
    ~CGuideLinePreview() override;

    // What is drawn. Its setters store the value; the caller asks for the
    // repaint.
    GuideLineRenderer &Renderer() { return renderer_; }
    const GuideLineRenderer &Renderer() const { return renderer_; }

    // Grid units in (see GuideLineRenderer::SetPoint); repaints when asked.
    void SetPoint(int slot, double gridX, double gridY, bool enabled, bool repaint);
    bool IsPointEnabled(int slot) const { return renderer_.IsPointEnabled(slot); }
    // Plane units.
    geometry::PlanePoint Point(int slot) const { return renderer_.Point(slot); }

    void SetGridShift(int canvasUnits) { renderer_.SetGridShift(canvasUnits); }
    void SetLineThickness(int planeUnits) { renderer_.SetLineThickness(planeUnits); }
    void SetCurveThickness(int planeUnits) { renderer_.SetCurveThickness(planeUnits); }
    void SetCurveTicks(int planeUnits) { renderer_.SetCurveTicks(planeUnits); }
    void SetCurveTicksSpace(int planeUnits) { renderer_.SetCurveTicksSpace(planeUnits); }
    void SetFontHeight(int canvasUnits) { renderer_.SetFontHeight(canvasUnits); }
    void SetLabelShift(int x, int y) { renderer_.SetLabelShift(x, y); }
    void SetBaseLineText(const QString &text) { renderer_.SetBaseLineText(text); }
    void SetLabelLineText(int index, const QString &text) { renderer_.SetLabelLineText(index, text); }
    void SetSideLineMode(int mode) { renderer_.SetSideLineMode(mode); }
    void SetBaseLineMode(int mode) { renderer_.SetBaseLineMode(mode); }
    void SetMirrorLine(double position, double deviation) { renderer_.SetMirrorLine(position, deviation); }
    // Plane y at which the symmetry page's position applies; held for that
    // page to read back, not used in drawing.
    void SetMirrorBaseY(double baseY) { mirrorBaseY_ = baseY; }
    double MirrorPosition() const { return renderer_.MirrorPosition(); }
    double MirrorDeviation() const { return renderer_.MirrorDeviation(); }
    double MirrorBaseY() const { return mirrorBaseY_; }
    void SetIndicatorPosition(int x, int y) { renderer_.SetIndicatorPosition(x, y); }
    void SetShowGrid(bool show) { renderer_.SetShowGrid(show); }
    void SetShowPoints(bool show) { renderer_.SetShowPoints(show); }
    void SetShowLines(bool show) { renderer_.SetShowLines(show); }
    void SetShowMirrorLine(bool show) { renderer_.SetShowMirrorLine(show); }
    void SetShowIndicator(bool show) { renderer_.SetShowIndicator(show); }
    void SetHighlightedPoint(int slot) { renderer_.SetHighlightedPoint(slot); }  // -1: no cursor
    int HighlightedPoint() const { return renderer_.HighlightedPoint(); }
    int BlinkCounter() const { return blinkCounter_; }
    void SetIndicatorBitmap(const QImage &bitmap) { renderer_.SetIndicatorBitmap(bitmap); }

    // The second blink timer, which the page starts on every activation: it
    // advances the same counter. Starting it again replaces it, as a window
    // timer of the same id would be; it stops with the control.
    void StartPageTimer();
    void StopPageTimer();

    // Draws the preview as the control shows it now (screen: at the control's
    // size, with its focus frame and blink phase), or the export drawing.
    void Draw(QPainter &painter, bool exportMode) const;
    // The guide-line picture of what the control shows: 400 x 312, RGB32,
    // lines and labels only.
    QImage RenderExport() const { return renderer_.RenderExport(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    GuideLineRenderer renderer_;
    double mirrorBaseY_ = 0.0;
    int blinkCounter_ = 0;
    int blinkTimer_ = 0;
    int pageTimer_ = 0;
};
