#pragma once

// The preview of the guide lines as the car monitor will show them: the
// frame, the calibration grid, the guide points, the fitted lines and their
// labels, the symmetry line, the parking-sensor indicator and a blinking
// cursor on the point being edited. The same drawing makes the 400 x 312
// guide-line picture written into the module (the export render).
//
// The drawing works on a canvas of 440 x 350 units; on screen it is scaled
// uniformly to fit the control, anchored at the top-left corner. The guide
// plane (plane units, one unit = one module pixel) has its origin at
// (20, 20 + grid shift) on screen and at (0, grid shift) in the export.

#include "GuideLineGeometry.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <array>

class QPainter;

class CGuideLinePreview : public QWidget {
    Q_OBJECT

public:
    static constexpr int kCanvasWidth = 440;
    static constexpr int kCanvasHeight = 350;
    static constexpr int kExportWidth = 400;
    static constexpr int kExportHeight = 312;

    explicit CGuideLinePreview(QWidget *parent = nullptr);
    ~CGuideLinePreview() override;

    // Grid units in; stores x * 40 and y * 25 when enabled (a disabled slot
    // keeps its last coordinates); always stores the flag. Slots outside
    // 0..33 are ignored.
    void SetPoint(int slot, double gridX, double gridY, bool enabled, bool repaint);
    bool IsPointEnabled(int slot) const;
    // Plane units.
    geometry::PlanePoint Point(int slot) const;

    // Field setters: they store the value; the caller asks for the repaint.
    void SetGridShift(int canvasUnits);
    void SetLineThickness(int planeUnits);
    void SetCurveThickness(int planeUnits);
    void SetCurveTicks(int planeUnits);
    void SetCurveTicksSpace(int planeUnits);
    void SetFontHeight(int canvasUnits);
    void SetLabelShift(int x, int y);
    void SetBaseLineText(const QString &text);
    void SetLabelLineText(int index, const QString &text);  // index 0..3 = 1..4 m
    void SetSideLineMode(int mode);                         // 0..9
    void SetBaseLineMode(int mode);                         // 0..10
    // Plane units: x at the bottom grid edge, and the offset of the top end.
    void SetMirrorLine(double position, double deviation);
    // Plane y at which the symmetry page's position applies; held for that
    // page to read back, not used in drawing.
    void SetMirrorBaseY(double baseY) { mirrorBaseY_ = baseY; }
    double MirrorPosition() const { return mirrorPosition_; }
    double MirrorDeviation() const { return mirrorDeviation_; }
    double MirrorBaseY() const { return mirrorBaseY_; }
    // Plane x, and y counted from the frame's top edge.
    void SetIndicatorPosition(int x, int y);
    void SetShowGrid(bool show);
    void SetShowPoints(bool show);
    void SetShowLines(bool show);
    void SetShowMirrorLine(bool show);
    void SetShowIndicator(bool show);
    void SetHighlightedPoint(int slot);  // -1: no cursor
    int HighlightedPoint() const { return highlighted_; }
    int BlinkCounter() const { return blinkCounter_; }

    // The second blink timer, which the page starts on every activation: it
    // advances the same counter. Starting it again replaces it, as a window
    // timer of the same id would be; it stops with the control.
    void StartPageTimer();
    void StopPageTimer();

    // The parking-sensor strip; loaded from the bitmap resources unless set
    // here. A null image draws no indicator.
    void SetIndicatorBitmap(const QImage &bitmap);

    // Draws the whole preview. The painter's device must hold the canvas
    // (screen: the control's client size; export: 400 x 312 pixels).
    void Draw(QPainter &painter, bool exportMode);
    // The guide-line picture: 400 x 312, RGB32, lines and labels only. It is
    // also published as the current guide-line picture.
    QImage RenderExport();

protected:
    void paintEvent(QPaintEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    enum class TextAlign { TopLeft, BaselineCentre, BaselineLeft, BaselineRight };

    void DrawLabels(QPainter &painter, const geometry::BorderAnchors &anchors);
    void DrawCursor(QPainter &painter, double scale);
    void DrawPointDiscs(QPainter &painter, double scale);
    void DrawIndicator(QPainter &painter);

    geometry::GuidePoints points_;
    geometry::LineStyle style_;
    int fontHeight_ = 25;
    int labelShiftX_ = 0;
    int labelShiftY_ = 5;
    QString baseLineText_;
    std::array<QString, 4> labelLineText_;
    int sideLineMode_ = 0;
    int baseLineMode_ = 0;
    double mirrorPosition_ = 0.0;
    double mirrorDeviation_ = 0.0;
    double mirrorBaseY_ = 0.0;
    int indicatorX_ = 0;
    int indicatorY_ = 0;
    bool showGrid_ = true;
    bool showPoints_ = true;
    bool showLines_ = true;
    bool showMirrorLine_ = false;
    bool showIndicator_ = false;
    int gridShift_ = 45;
    int highlighted_ = -1;
    int blinkCounter_ = 0;
    QImage indicator_;
    int blinkTimer_ = 0;
    int pageTimer_ = 0;
};
