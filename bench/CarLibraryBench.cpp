// The car library with a hundred configurations: the window from its
// opening until every thumbnail is drawn (worker threads), the same entries
// read and drawn on one thread, beside the plain Load of the same hundred
// files and the one-second budget for the window.
#include "CCarLibraryWindow.h"
#include "Configuration.h"
#include "ConfigurationDocument.h"
#include "IniFile.h"
#include "MedianReporter.h"
#include "UserPreferences.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace {

constexpr int kFiles = 100;
constexpr int kRepetitions = 5;

QStringList g_paths;

// A hundred cars: the left and right borders and the curves spread differently.
void WriteLibrary(const QString &folder)
{
    QDir().mkpath(folder);
    for (int n = 0; n < kFiles; ++n) {
        Settings car;
        const double spread = 0.01 * n;
        for (int i = 0; i < 5; ++i) {
            car.SetPoint(3 + i, 0.5 + (0.7 + spread) * i, 8 - 1.5 * i, 1);
            car.SetPoint(8 + i, 9.5 - (0.7 + spread) * i, 8 - 1.5 * i, 1);
        }
        for (int i = 0; i < 3; ++i) {
            car.SetPoint(13 + i, 1 + 3 * i + spread, 7 - 2.5 * i, 1);
            car.SetPoint(18 + i, 9 - 3 * i - spread, 7 - 2.5 * i, 1);
        }
        ConfigurationFiles files;
        const QString path = QStringLiteral("%1/car-%2.ini").arg(folder).arg(n, 3, 10, QLatin1Char('0'));
        SaveConfiguration(car, files, path);
        g_paths << path;
    }
}

void BM_LibraryWindowFilled(benchmark::State &state)
{
    ConfigurationDocument document;
    for (auto _ : state) {
        CCarLibraryWindow window(document);
        window.WaitForEntries();
        benchmark::DoNotOptimize(window.List()->count());
    }
}

void BM_EntriesOneThread(benchmark::State &state)
{
    for (auto _ : state)
        for (const QString &path : g_paths)
            benchmark::DoNotOptimize(ReadCarLibraryEntry(path).thumbnail.width());
}

void BM_LoadConfiguration(benchmark::State &state)
{
    Settings record;
    ConfigurationFiles files;
    for (auto _ : state)
        for (const QString &path : g_paths)
            benchmark::DoNotOptimize(LoadConfiguration(record, files, path));
}

BENCHMARK(BM_LibraryWindowFilled)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_EntriesOneThread)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadConfiguration)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    WriteLibrary(DefaultCarLibraryFolder());
    IniFile::Clear();

    benchmark::Initialize(&argc, argv);
    MedianReporter r;
    benchmark::RunSpecifiedBenchmarks(&r);
    const double window = r.medians["BM_LibraryWindowFilled"];
    std::printf("\n%d configurations, medians (ms):\n", kFiles);
    std::printf("  window opened, every thumbnail drawn  %8.1f  = %.2f x the one-second budget\n", window,
                window / 1000.0);
    std::printf("  read and drawn on one thread          %8.1f  = %.2f x the window\n", r.medians["BM_EntriesOneThread"],
                r.medians["BM_EntriesOneThread"] / window);
    std::printf("  plain Load of the same files           %8.1f  : the window takes %.1f x that\n",
                r.medians["BM_LoadConfiguration"], window / r.medians["BM_LoadConfiguration"]);
    benchmark::Shutdown();
    return 0;
}
