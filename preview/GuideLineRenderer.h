#pragma once

// The guide lines as the car monitor will show them, drawn onto any QPainter
// without a window: the frame, the calibration grid, the guide points, the
// fitted lines and their labels, the symmetry line, the parking-sensor
// indicator and the cursor on the point being edited. The same drawing makes
// the 400 x 312 guide-line picture written into the module (the export
// render). QtGui only: a QGuiApplication must exist for the label fonts.
//
// The drawing works on a canvas of 440 x 350 units; on screen it is scaled
// uniformly to fit the client size, anchored at the top-left corner. The
// guide plane (plane units, one unit = one module pixel) has its origin at
// (20, 20 + grid shift) on screen and at (0, grid shift) in the export.

#include "GuideLineGeometry.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <array>

class QPainter;
class Settings;

class GuideLineRenderer {
public:
    static constexpr int kCanvasWidth = 440;
    static constexpr int kCanvasHeight = 350;
    static constexpr int kExportWidth = 400;
    static constexpr int kExportHeight = 312;

    GuideLineRenderer();

    // Grid units in; stores x * 40 and y * 25 when enabled (a disabled slot
    // keeps its last coordinates); always stores the flag. Slots outside
    // 0..33 are ignored.
    void SetPoint(int slot, double gridX, double gridY, bool enabled);
    bool IsPointEnabled(int slot) const;
    // Plane units.
    geometry::PlanePoint Point(int slot) const;

    void SetGridShift(int canvasUnits) { gridShift_ = canvasUnits; }
    void SetLineThickness(int planeUnits) { style_.borderThickness = planeUnits; }
    void SetCurveThickness(int planeUnits) { style_.curveThickness = planeUnits; }
    void SetCurveTicks(int planeUnits) { style_.dashLength = planeUnits; }
    void SetCurveTicksSpace(int planeUnits) { style_.gapLength = planeUnits; }
    void SetFontHeight(int canvasUnits) { fontHeight_ = canvasUnits; }
    void SetLabelShift(int x, int y);
    void SetBaseLineText(const QString &text) { baseLineText_ = text; }
    void SetLabelLineText(int index, const QString &text);  // index 0..3 = 1..4 m
    void SetSideLineMode(int mode) { sideLineMode_ = mode; }  // 0..9
    void SetBaseLineMode(int mode) { baseLineMode_ = mode; }  // 0..10
    // Plane units: x at the bottom grid edge, and the offset of the top end.
    void SetMirrorLine(double position, double deviation);
    double MirrorPosition() const { return mirrorPosition_; }
    double MirrorDeviation() const { return mirrorDeviation_; }
    // Plane x, and y counted from the frame's top edge.
    void SetIndicatorPosition(int x, int y);
    void SetShowGrid(bool show) { showGrid_ = show; }
    void SetShowPoints(bool show) { showPoints_ = show; }
    void SetShowLines(bool show) { showLines_ = show; }
    void SetShowMirrorLine(bool show) { showMirrorLine_ = show; }
    void SetShowIndicator(bool show) { showIndicator_ = show; }
    void SetHighlightedPoint(int slot) { highlighted_ = slot; }  // -1: no cursor
    int HighlightedPoint() const { return highlighted_; }
    // The parking-sensor strip; loaded from the bitmap resources unless set
    // here. A null image draws no indicator.
    void SetIndicatorBitmap(const QImage &bitmap) { indicator_ = bitmap; }

    // The screen picture: the canvas scaled to fit client (device-independent
    // pixels of the painter's device), with the focus frame when asked and
    // the cursor when it is in its visible blink phase.
    void DrawScreen(QPainter &painter, QSize client, bool focusFrame, bool cursorVisible) const;
    // The export drawing onto a device of 400 x 312 pixels: lines and labels.
    void DrawExport(QPainter &painter) const;
    // The guide-line picture: 400 x 312, RGB32, lines and labels on black.
    QImage RenderExport() const;

private:
    void Draw(QPainter &painter, bool exportMode, double scale, bool focusFrame, bool cursorVisible) const;
    void DrawLabels(QPainter &painter, const geometry::BorderAnchors &anchors) const;
    void DrawCursor(QPainter &painter, double scale) const;
    void DrawPointDiscs(QPainter &painter, double scale) const;
    void DrawIndicator(QPainter &painter) const;

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
    int indicatorX_ = 0;
    int indicatorY_ = 0;
    bool showGrid_ = true;
    bool showPoints_ = true;
    bool showLines_ = true;
    bool showMirrorLine_ = false;
    bool showIndicator_ = false;
    int gridShift_ = 45;
    int highlighted_ = -1;
    QImage indicator_;
};

// The settings record as the renderer shows it: what each page copies into
// its preview, in one place, so that the pages, the guide-line picture and
// the tests all draw the same thing.

// The 23 guide points (grid units, with their flags), the grid shift and the
// line style: thicknesses, dash and gap of the curves.
void ShowGuideLines(GuideLineRenderer &renderer, const Settings &s);

// Where the labels go, their font height, offset and texts.
void ShowLabels(GuideLineRenderer &renderer, const Settings &s);

// The guide-line picture of a record as the labels page shows it: 400 x 312,
// lines and labels only.
QImage RenderGuideLinePicture(const Settings &s);
