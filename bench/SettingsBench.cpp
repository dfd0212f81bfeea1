// Configuration files: our INI store and configuration commands beside
// QSettings(IniFormat) doing the same work on the same file in the same run.
// QSettings: construct, read every key (allKeys + value), set a few, sync.
// Every QSettings iteration starts from the original file again, so that it
// reads and writes the same bytes as ours (it would otherwise read back its
// own cached, comment-free output).
#include "Configuration.h"
#include "IniFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QTemporaryDir &Dir()
{
    static QTemporaryDir dir;
    return dir;
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

// The configuration the program writes: File New, then the first save.
const QByteArray &DefaultConfiguration()
{
    static const QByteArray bytes = [] {
        IniFile::Clear();
        Settings settings;
        ConfigurationFiles files;
        files.defaultFileName = Dir().filePath(QStringLiteral("default.ini"));
        if (!NewConfiguration(settings, files) || !SaveConfiguration(settings, files, files.defaultFileName))
            qFatal("cannot create the default configuration");
        return ReadFile(files.defaultFileName);
    }();
    return bytes;
}

// About 1 MB as a person might grow a configuration file by hand: comment
// blocks, many sections, keys of every kind, blank lines, LF line ends.
// Comments start with ';' only: QSettings refuses files with '#' comments.
const QByteArray &LargeHandEditedFile()
{
    static const QByteArray bytes = [] {
        QByteArray out;
        for (int section = 0; out.size() < 1024 * 1024; ++section) {
            out += "; car " + QByteArray::number(section) + ": settings measured on site\n";
            out += "; camera above the number plate\n\n";
            out += "[Car" + QByteArray::number(section) + "]\n";
            for (int key = 0; key < 40; ++key) {
                if (key % 10 == 0)
                    out += "; group " + QByteArray::number(key / 10) + "\n";
                out += "Point" + QByteArray::number(key) + "X=" + QByteArray::number(key * 0.05 + section, 'g', 4) + "\n";
                out += "Label" + QByteArray::number(key) + "=text " + QByteArray::number(section * 40 + key) + "\n";
            }
        }
        return out;
    }();
    return bytes;
}

void QSettingsReadWrite(benchmark::State &state, const QByteArray &original, const QString &path)
{
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        WriteFile(path, original);
        state.ResumeTiming();
        QSettings settings(path, QSettings::IniFormat);
        int count = 0;
        for (const QString &key : settings.allKeys())
            count += settings.value(key).isValid();
        benchmark::DoNotOptimize(count);
        ++round;
        settings.setValue(QStringLiteral("Common/Bright1"), 20 + round % 50);
        settings.setValue(QStringLiteral("Common/Bright2"), 21 + round % 50);
        settings.setValue(QStringLiteral("Camera/ShiftX"), round % 256);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            state.SkipWithError(settings.status() == QSettings::FormatError ? "QSettings: format error" : "QSettings could not write");
    }
}

void BM_Configuration_LoadSave(benchmark::State &state)
{
    const QString path = Dir().filePath(QStringLiteral("config-ours.ini"));
    WriteFile(path, DefaultConfiguration());
    Settings settings;
    ConfigurationFiles files;
    for (auto _ : state) {
        if (!LoadConfiguration(settings, files, path) || !SaveConfiguration(settings, files, path))
            state.SkipWithError("load or save failed");
    }
    if (ReadFile(path) != DefaultConfiguration())
        state.SkipWithError("the file changed");
}
BENCHMARK(BM_Configuration_LoadSave)->Unit(benchmark::kMicrosecond);

void BM_QSettings_DefaultFile(benchmark::State &state)
{
    QSettingsReadWrite(state, DefaultConfiguration(), Dir().filePath(QStringLiteral("config-qsettings.ini")));
}
BENCHMARK(BM_QSettings_DefaultFile)->Unit(benchmark::kMicrosecond);

void BM_IniFile_LoadSave_1MB(benchmark::State &state)
{
    const QString path = Dir().filePath(QStringLiteral("large-ours.ini"));
    WriteFile(path, LargeHandEditedFile());
    for (auto _ : state) {
        if (!IniFile::LoadFile(path) || !IniFile::SaveFile(path))
            state.SkipWithError("load or save failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * LargeHandEditedFile().size());
}
BENCHMARK(BM_IniFile_LoadSave_1MB)->Unit(benchmark::kMillisecond);

void BM_QSettings_1MB(benchmark::State &state)
{
    QSettingsReadWrite(state, LargeHandEditedFile(), Dir().filePath(QStringLiteral("large-qsettings.ini")));
    state.SetBytesProcessed(int64_t(state.iterations()) * LargeHandEditedFile().size());
}
BENCHMARK(BM_QSettings_1MB)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    IniFile::Clear();
    return 0;
}
