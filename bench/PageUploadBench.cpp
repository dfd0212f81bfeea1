// The guide-line picture written by the picture page ("Запись": worker
// thread, progress bar, time-left estimate, read-back check, input blocked)
// against the same upload run straight on the link, both through the module
// simulator pacing the line at 57600 baud. The page's own work should cost
// nothing measurable: target ratio <= 1.02.
#include "CPageLoadBMP.h"
#include "ComPortLink.h"
#include "ConfigurationDocument.h"
#include "DeviceLink.h"
#include "PacedSimulator.h"
#include "PageHost.h"
#include "PictureUpload.h"
#include "Settings.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

constexpr int kBaud = 57600;
constexpr int kComOneFast = 257;  // COM1 at 57600

class BenchHost : public PageHost {
public:
    ConfigurationDocument &Document() override { return document; }
    void StartTitleTimer() override {}
    void CheckViewItem(int) override {}
    void SetBackEnabled(bool) override {}
    void ShowFinishOnly(const QString &) override {}
    ConfigurationDocument document;
};

// One simulator and one open link for the whole run.
struct Line {
    Line() : simulator(bench::SimulatorPath(), kBaud)
    {
        ::setenv("TARVELLO_COM_ONLY_ENV", "1", 1);
        ::setenv("TARVELLO_COM1", simulator.slave().c_str(), 1);
        open = !simulator.slave().empty() && link.Open(kComOneFast) == kLinkOk;
    }
    bench::PacedSimulator simulator;
    ComPortLink link;
    bool open = false;
};

Line &SharedLine()
{
    static Line line;
    return line;
}

// A picture with something in every block, as a real guide-line picture has.
ModulePicture::Buffer SomePicture()
{
    ModulePicture::Buffer bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 37);
    return bytes;
}

void BM_UploadOnTheLink(benchmark::State &state)
{
    Line &line = SharedLine();
    if (!line.open) {
        state.SkipWithError("module-sim not found or did not start (TARVELLO_MODULE_SIM)");
        return;
    }
    const ModulePicture::Buffer bytes = SomePicture();
    for (auto _ : state) {
        const auto result = PictureUpload::Run(
            line.link, bytes, PictureUpload::Picture::GuideLines, [&](LinkResult r) { line.link.ReportError(r); },
            [](int) {});
        if (result.blocksCompleted != PictureUpload::kBlocks)
            state.SkipWithError("the upload did not complete");
    }
}

void BM_UploadThroughThePage(benchmark::State &state)
{
    Line &line = SharedLine();
    if (!line.open) {
        state.SkipWithError("module-sim not found or did not start (TARVELLO_MODULE_SIM)");
        return;
    }
    BenchHost host;
    // A left border, so that the page has lines to write (a picture without
    // any is only written once the installer confirms it).
    host.document.Edit([](ConfigurationEdit &e) {
        for (int i = 0; i < 5; ++i)
            e.SetPoint(3 + i, 1.0 + 0.5 * i, 9.0 - 1.5 * i, 1);
    });
    CPageLoadBMP page;
    page.SetHost(&host);
    page.SetLink(&line.link);
    page.EnsureInitialised();
    page.resize(600, 420);
    page.show();
    page.OnSetActive();
    for (auto _ : state) {
        const auto result = page.WriteToModule();
        if (result.blocksCompleted != PictureUpload::kBlocks)
            state.SkipWithError("the upload did not complete");
    }
}

}  // namespace

BENCHMARK(BM_UploadOnTheLink)->Iterations(1)->Repetitions(2)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_UploadThroughThePage)->Iterations(1)->Repetitions(2)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
