// One edit and one undo on the wizard with a long history, against the
// budget of one frame (16 ms), each made as the installer makes them (apart
// from the line's rest after the last exchange): Shift + Right on the grid-shift page until
// its preview has been repainted and the title shows the change, and Ctrl+Z
// (then Ctrl+Shift+Z) until the module has answered the command the undo
// sends, with 1,000 steps in the history. The module is the simulator at
// 57600 baud, pacing the line as the real one does.
#include "CGuideLinePreview.h"
#include "CPageSheet.h"
#include "CPageViewControl.h"
#include "ComPortLink.h"
#include "PacedSimulator.h"
#include "PageTable.h"
#include "ResourceIds.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

constexpr int kBaud = 57600;
constexpr int kComOneFast = 257;  // COM1 at 57600
constexpr int kSteps = 1000;
constexpr double kFrameMs = 16.0;

using Clock = std::chrono::steady_clock;

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// The wizard on the simulator in a folder of its own, with kSteps steps in
// its history and the grid-shift page shown.
struct Wizard {
    Wizard() : simulator(bench::SimulatorPath(), kBaud)
    {
        previous = QDir::currentPath();
        QDir::setCurrent(folder.path());
        ::setenv("TARVELLO_COM_ONLY_ENV", "1", 1);
        ::setenv("TARVELLO_COM1", simulator.slave().c_str(), 1);
        open = !simulator.slave().empty() && link.Open(kComOneFast) == kLinkOk;
        if (!open)
            return;
        sheet = std::make_unique<CPageSheet>(QStringLiteral("bench"));
        sheet->SetLink(&link);
        sheet->show();
        open = QTest::qWaitForWindowExposed(sheet.get());
        // Steps of their own: the thickness page's fields, one after the other.
        sheet->SetActivePage(WizardStep::LineBold);
        CPageView *bold = sheet->ActivePage();
        for (int i = 0; i < kSteps; ++i) {
            QLineEdit *edit = bold->EditX(i % 4);
            edit->setFocus();
            edit->setText(QString::number(1 + i % 9));
            QTest::keyClick(edit, Qt::Key_Return);
        }
        sheet->SetActivePage(WizardStep::GridShift);
        page = static_cast<CPageViewControl *>(sheet->ActivePage());
        page->EditX(0)->setFocus();
        counter = std::make_unique<PaintCounter>(page->Preview());
        QTest::qWait(50);
    }
    ~Wizard()
    {
        sheet.reset();
        link.Close();
        QDir::setCurrent(previous);
    }

    QTemporaryDir folder;
    QString previous;
    bench::PacedSimulator simulator;
    ComPortLink link;
    bool open = false;
    std::unique_ptr<CPageSheet> sheet;
    CPageViewControl *page = nullptr;
    std::unique_ptr<PaintCounter> counter;
};

Wizard &SharedWizard()
{
    static Wizard wizard;
    return wizard;
}

void Report(benchmark::State &state, double totalMs)
{
    const double perOp = totalMs / double(state.iterations());
    state.counters["ms"] = perOp;
    state.counters["of_frame"] = perOp / kFrameMs;
}

// Shift + Right (then Shift + Left) on the grid shift until the preview has
// been painted again and the title timer has shown the change.
void BM_EditToRepaintAndTitle(benchmark::State &state)
{
    Wizard &w = SharedWizard();
    if (!w.open) {
        state.SkipWithError("module-sim not found or did not start (TARVELLO_MODULE_SIM)");
        return;
    }
    double total = 0;
    double keyMs = 0;  // the key's own handling: the edit, the history and the module's reply
    bool right = true;
    for (auto _ : state) {
        // Keys come apart as an installer presses them, not within the
        // line's rest after the last exchange.
        QTest::qWait(40);
        const int paints = w.counter->paints;
        w.sheet->setWindowTitle(QString());
        const auto start = Clock::now();
        QTest::keyClick(w.page->EditX(0), right ? Qt::Key_Right : Qt::Key_Left, Qt::ShiftModifier);
        const auto handled = Clock::now();
        while (w.counter->paints == paints || w.sheet->windowTitle().isEmpty())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        total += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        keyMs += std::chrono::duration<double, std::milli>(handled - start).count();
        right = !right;
    }
    state.counters["steps"] = double(w.sheet->History().Stack().count());
    state.counters["key_ms"] = keyMs / double(state.iterations());
    Report(state, total);
}

// Ctrl+Z and Ctrl+Shift+Z in turn: each returns once the module has answered
// the shift it sends.
void BM_UndoToTheModulesReply(benchmark::State &state)
{
    Wizard &w = SharedWizard();
    if (!w.open) {
        state.SkipWithError("module-sim not found or did not start (TARVELLO_MODULE_SIM)");
        return;
    }
    // A step of its own on this page: the vertical shift, which undo and redo
    // send to the module.
    QTest::keyClick(w.page->EditX(0), Qt::Key_Down, Qt::ShiftModifier);
    double total = 0;
    bool undo = true;
    for (auto _ : state) {
        QTest::qWait(40);
        const auto start = Clock::now();
        w.sheet->RunCommand(undo ? Ids::ID_EDIT_UNDO : Ids::ID_EDIT_REDO);
        total += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        undo = !undo;
    }
    state.counters["steps"] = double(w.sheet->History().Stack().count());
    Report(state, total);
}

} // namespace

BENCHMARK(BM_EditToRepaintAndTitle)->Iterations(50)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UndoToTheModulesReply)->Iterations(50)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
