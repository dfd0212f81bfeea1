// Guide-line rendering: the full screen render and the export
// render, each against a plain fill of the same canvas in the same run, and
// hostile configurations against the reference one.
//
// Run: bench_preview [--benchmark_filter=...]. The ratios are printed after
// the table, from the medians of the repetitions.

#include "GuideLineRenderer.h"
#include "MedianReporter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <string>

namespace {

struct GridPoint {
    int slot;
    double x;
    double y;
};

// All 23 guide points of a typical car, grid units.
constexpr GridPoint kAllPoints[] = {
    {0, 2.0, 8.6},  {1, 5.0, 9.0},  {2, 8.0, 8.6},
    {3, 2.0, 8.6},  {4, 2.8, 6.4},  {5, 3.4, 4.9},  {6, 3.8, 3.9},  {7, 4.1, 3.2},
    {8, 8.0, 8.6},  {9, 7.2, 6.4},  {10, 6.6, 4.9}, {11, 6.2, 3.9}, {12, 5.9, 3.2},
    {13, 2.5, 8.0}, {14, 3.0, 6.8}, {15, 3.5, 6.0}, {16, 4.2, 5.4}, {17, 5.0, 5.0},
    {18, 7.5, 8.0}, {19, 7.0, 6.8}, {20, 6.5, 6.0}, {21, 5.8, 5.4}, {22, 5.0, 5.0},
};

QImage IndicatorStrip()
{
    QImage strip(QStringLiteral(":/bitmaps/181.png"));
    if (!strip.isNull())
        return strip;
    strip = QImage(240, 32, QImage::Format_RGB32);
    strip.fill(Qt::white);
    return strip;
}

// Everything on: grid, points, both borders with markers, dashed curves,
// labels on both sides, symmetry line, indicator, cursor.
std::unique_ptr<GuideLineRenderer> ReferencePreview()
{
    auto preview = std::make_unique<GuideLineRenderer>();
    for (const GridPoint &p : kAllPoints)
        preview->SetPoint(p.slot, p.x, p.y, true);
    preview->SetGridShift(45);
    preview->SetLineThickness(2);
    preview->SetCurveThickness(2);
    preview->SetCurveTicks(15);
    preview->SetCurveTicksSpace(15);
    preview->SetSideLineMode(3);
    preview->SetBaseLineMode(1);
    preview->SetMirrorLine(200, 10);
    preview->SetShowMirrorLine(true);
    preview->SetIndicatorBitmap(IndicatorStrip());
    preview->SetIndicatorPosition(80, 20);
    preview->SetShowIndicator(true);
    preview->SetHighlightedPoint(5);
    return preview;
}

enum class Hostile { NotFinite, HugeRangeThick, GiantFont, LongWideLines, LongHugeLines, ManyWideDashes };

// Values only a hand-edited configuration file can hold.
std::unique_ptr<GuideLineRenderer> HostilePreview(Hostile kind)
{
    auto preview = ReferencePreview();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    switch (kind) {
    case Hostile::NotFinite:
        for (int s = 0; s < 23; ++s)
            preview->SetPoint(s, s % 2 ? nan : 1e308, s % 3 ? -inf : 1e308, true);
        preview->SetMirrorLine(nan, inf);
        break;
    case Hostile::HugeRangeThick:
        // Every polyline at its 2048-sample cap, with the widest pens.
        for (int s = 0; s < 23; ++s)
            preview->SetPoint(s, (s % 2 ? 1 : -1) * 1e7 + s, (s % 2 ? -1 : 1) * 1e7 - s, true);
        for (int s : {13, 14, 15, 16, 17})
            preview->SetPoint(s, -1e7 + s * 1e6, 5.0 + s, true);
        for (int s : {18, 19, 20, 21, 22})
            preview->SetPoint(s, 1e7 - s * 1e6, 5.0 + s, true);
        preview->SetLineThickness(1000000000);
        preview->SetCurveThickness(1000000000);
        preview->SetCurveTicks(1);
        preview->SetCurveTicksSpace(0);
        preview->SetMirrorLine(-1e308, 1e308);
        break;
    case Hostile::GiantFont:
        preview->SetFontHeight(1000000);
        preview->SetLabelShift(std::numeric_limits<int>::max(), std::numeric_limits<int>::min());
        preview->SetSideLineMode(9);
        preview->SetBaseLineMode(10);
        break;
    case Hostile::LongWideLines:
    case Hostile::LongHugeLines:
    case Hostile::ManyWideDashes:
        // Bowed lines of 2048 samples right across the canvas with wide pens.
        preview->SetPoint(3, 2.0, -40.0, true);
        preview->SetPoint(5, 5.0, 8.0, true);
        preview->SetPoint(7, 8.0, 41.0, true);
        preview->SetPoint(8, 8.0, -40.0, true);
        preview->SetPoint(10, 5.0, 4.0, true);
        preview->SetPoint(12, 2.0, 41.0, true);
        preview->SetPoint(13, -25.0, 2.0, true);
        preview->SetPoint(14, 5.0, 8.0, true);
        preview->SetPoint(15, 26.0, 2.0, true);
        preview->SetPoint(18, 26.0, 9.0, true);
        preview->SetPoint(19, 5.0, 3.0, true);
        preview->SetPoint(20, -25.0, 9.0, true);
        const int thickness = kind == Hostile::LongWideLines ? 128 : 600;
        preview->SetLineThickness(thickness);
        preview->SetCurveThickness(thickness);
        preview->SetCurveTicks(kind == Hostile::ManyWideDashes ? 1 : 0);
        preview->SetCurveTicksSpace(kind == Hostile::ManyWideDashes ? 1 : 0);
        break;
    }
    return preview;
}

// What the preview control's paint does: a client-size picture, filled,
// drawn with the cursor in its visible phase.
void ScreenRender(const GuideLineRenderer &preview)
{
    const QSize client(GuideLineRenderer::kCanvasWidth, GuideLineRenderer::kCanvasHeight);
    QImage buffer(client, QImage::Format_RGB32);
    buffer.fill(Qt::lightGray);
    QPainter painter(&buffer);
    preview.DrawScreen(painter, client, false, true);
    painter.end();
    benchmark::DoNotOptimize(buffer.constBits());
}

void PlainFill(QSize size)
{
    QImage buffer(size, QImage::Format_RGB32);
    buffer.fill(Qt::lightGray);
    QPainter painter(&buffer);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::black);
    painter.end();
    benchmark::DoNotOptimize(buffer.constBits());
}

void BM_ScreenFill(benchmark::State &state)
{
    for (auto _ : state)
        PlainFill({440, 350});
}

void BM_ScreenRender(benchmark::State &state)
{
    auto preview = ReferencePreview();
    for (auto _ : state)
        ScreenRender(*preview);
}

void BM_ExportFill(benchmark::State &state)
{
    for (auto _ : state)
        PlainFill({400, 312});
}

void BM_ExportRender(benchmark::State &state)
{
    auto preview = ReferencePreview();
    for (auto _ : state)
        benchmark::DoNotOptimize(preview->RenderExport().constBits());
}

void BM_HostileScreenRender(benchmark::State &state)
{
    auto preview = HostilePreview(static_cast<Hostile>(state.range(0)));
    for (auto _ : state)
        ScreenRender(*preview);
}

void BM_HostileExportRender(benchmark::State &state)
{
    auto preview = HostilePreview(static_cast<Hostile>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(preview->RenderExport().constBits());
}

constexpr int kRepetitions = 9;

BENCHMARK(BM_ScreenFill)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScreenRender)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_ExportFill)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_ExportRender)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_HostileScreenRender)
    ->ArgName("kind")->DenseRange(0, 5)
    ->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_HostileExportRender)
    ->ArgName("kind")->DenseRange(0, 5)
    ->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

void PrintRatio(const MedianReporter &r, const std::string &what, const std::string &base, const char *label)
{
    const auto a = r.medians.find(what);
    const auto b = r.medians.find(base);
    if (a == r.medians.end() || b == r.medians.end() || b->second <= 0)
        return;
    std::printf("%-44s %9.1f us  %6.2f x %s\n", what.c_str(), a->second, a->second / b->second, label);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nMedians and ratios (hostile kinds: 0 not finite, 1 huge range and thick, 2 giant font,\n 3 long lines 128 wide, 4 long lines 600 wide, 5 600 wide in dashes of 1)\n");
    PrintRatio(reporter, "BM_ScreenRender", "BM_ScreenFill", "the 440x350 fill");
    PrintRatio(reporter, "BM_ExportRender", "BM_ExportFill", "the 400x312 fill");
    for (int kind = 0; kind <= 5; ++kind) {
        PrintRatio(reporter, "BM_HostileScreenRender/kind:" + std::to_string(kind), "BM_ScreenRender",
                   "the reference screen render");
        PrintRatio(reporter, "BM_HostileExportRender/kind:" + std::to_string(kind), "BM_ExportRender",
                   "the reference export render");
    }
    benchmark::Shutdown();
    return 0;
}
