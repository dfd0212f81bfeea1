#pragma once

// A reference configuration for the preview control and golden-picture checks.

#include "CGuideLinePreview.h"
#include "TestSupport.h"

#include <QDir>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Guide points as the installer would enter them for a typical car, in grid units.
struct GridPoint {
    int slot;
    double x;
    double y;
};

inline constexpr GridPoint kReferencePoints[] = {
    {0, 2.0, 8.6},  {1, 5.0, 9.0},  {2, 8.0, 8.6},
    {3, 2.0, 8.6},  {4, 2.8, 6.4},  {5, 3.4, 4.9},  {6, 3.8, 3.9},  {7, 4.1, 3.2},
    {8, 8.0, 8.6},  {9, 7.2, 6.4},  {10, 6.6, 4.9}, {11, 6.2, 3.9}, {12, 5.9, 3.2},
    {13, 2.5, 8.0}, {14, 3.5, 6.0}, {15, 5.0, 5.0},
    {18, 7.5, 8.0}, {19, 6.5, 6.0}, {20, 5.0, 5.0},
};

// Fills the preview as a coordinate page does, with the values of a fresh
// configuration for the line style.
inline void LoadReference(CGuideLinePreview &preview)
{
    for (const GridPoint &p : kReferencePoints)
        preview.SetPoint(p.slot, p.x, p.y, true, false);
    preview.SetGridShift(45);
    preview.SetLineThickness(2);
    preview.SetCurveThickness(2);
    preview.SetCurveTicks(15);
    preview.SetCurveTicksSpace(15);
}

// Compares with tests/data/golden-preview-<name>.png pixel by pixel. With
// TARVELLO_UPDATE_GOLDEN=1 in the environment the picture is written instead.
inline void ExpectMatchesGolden(const QImage &actual, const QString &name)
{
    const QString path = TestDataPath(QStringLiteral("golden-preview-%1.png").arg(name));
    const QImage rgb = actual.convertToFormat(QImage::Format_RGB32);
    if (qEnvironmentVariableIntValue("TARVELLO_UPDATE_GOLDEN") == 1) {
        ASSERT_TRUE(rgb.save(path, "PNG")) << path.toStdString();
        return;
    }
    const QImage golden = QImage(path).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(golden.isNull()) << "missing " << path.toStdString();
    ASSERT_EQ(golden.size(), rgb.size()) << name.toStdString();
    int differing = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            differing += rgb.pixel(x, y) != golden.pixel(x, y);
    if (differing != 0) {
        const QString keep = QDir::temp().filePath(QStringLiteral("actual-preview-%1.png").arg(name));
        rgb.save(keep, "PNG");
        ADD_FAILURE() << name.toStdString() << ": " << differing << " pixels differ; actual kept in "
                      << keep.toStdString();
    }
}

// The control's own paint at the given client size.
inline QImage ScreenRender(CGuideLinePreview &preview, QSize size = {440, 350})
{
    preview.resize(size);
    return preview.grab().toImage().convertToFormat(QImage::Format_RGB32);
}
