// Conversion of a guide-line picture into the module picture, against a plain
// fill of the same 400 x 312 picture as the yardstick for this machine.
// Compare the two times of one run: ModulePictureFromImage / PlainFill.

#include "ModulePicture.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

// Like the export render: black, white lines and a few labels, 32-bit.
QImage ExportLikePicture()
{
    QImage picture(ModulePicture::kPictureWidth, ModulePicture::kPictureHeight, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::white, 3));
    painter.drawLine(60, 311, 150, 45);
    painter.drawLine(340, 311, 250, 45);
    for (int y = 70; y < 300; y += 60)
        painter.drawLine(100, y, 300, y);
    painter.setPen(QPen(QColor(255, 255, 0), 2));
    painter.drawArc(QRect(20, 40, 360, 400), 30 * 16, 120 * 16);
    painter.fillRect(QRect(180, 280, 40, 20), QColor(0, 255, 0));
    return picture;
}

void PlainFill(benchmark::State &state)
{
    QImage picture = ExportLikePicture();
    for (auto _ : state) {
        picture.fill(Qt::black);
        benchmark::DoNotOptimize(picture.constBits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(PlainFill);

void ModulePictureFromImage(benchmark::State &state)
{
    const QImage picture = ExportLikePicture();
    const bool mirror = state.range(0) != 0;
    for (auto _ : state) {
        ModulePicture::Buffer out = ModulePicture::ModulePictureFromImage(picture, mirror);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ModulePictureFromImage)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
