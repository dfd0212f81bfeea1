// The simulator's car monitor end to end: commands over a real
// pseudo-terminal, the PNG it writes after each, checked at chosen pixels.

#include "CGuideLinePreview.h"
#include "CameraScene.h"
#include "ComPortLink.h"
#include "MonitorRenderer.h"
#include "OverlayPlacement.h"
#include "ScopedEnv.h"
#include "SimHarness.h"

#include <ModulePicture.h>

#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <memory>

using ModuleSim::MonitorRenderer;

namespace {

// Expected pixel: a grey level (the module's line or background), or the
// camera picture showing through.
constexpr int kCamera = -1;
// Grey of the default line brightness (70 %), of 25 % (the default
// background), 20 %, 40 % and 80 %.
constexpr int kLine70 = 179;
constexpr int kGrey25 = 64;
constexpr int kGrey20 = 51;
constexpr int kGrey40 = 102;
constexpr int kGrey80 = 204;

struct Pixel {
    int x;
    int y;
    int expected; // grey level or kCamera
};

// Waits for the monitor PNG written after `commands` commands (showing "ATS<screen>" if given).
QImage WaitForMonitor(const QString &path, long long commands, int screen = -1)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kWaitMs) {
        const QImage image(path);
        if (!image.isNull() && image.text(QStringLiteral("Commands")).toLongLong() >= commands
            && (screen < 0 || image.text(QStringLiteral("Module")).startsWith(QStringLiteral("ATS%1 ").arg(screen))))
            return image;
        QThread::msleep(10);
    }
    return {};
}

void ExpectPixels(const QImage &monitor, const std::vector<Pixel> &pixels, const QImage &camera)
{
    ASSERT_FALSE(monitor.isNull()) << "no monitor picture";
    ASSERT_EQ(monitor.size(), QSize(400, 312));
    for (const Pixel &p : pixels) {
        const QRgb actual = monitor.pixel(p.x, p.y);
        const QRgb expected = p.expected == kCamera ? camera.pixel(p.x, p.y) : qRgb(p.expected, p.expected, p.expected);
        EXPECT_EQ(actual & 0xFFFFFF, expected & 0xFFFFFF)
            << "at " << p.x << ", " << p.y << (p.expected == kCamera ? " (camera)" : " (grey)") << " got " << std::hex
            << actual << " expected " << expected;
    }
}

// Writes a picture as the setup program does: the project's own conversion,
// erase, 128 block writes each read back, then the screen that shows it.
void WritePicture(ComPortLink &link, const QImage &picture, bool mirror, bool warning)
{
    const ModulePicture::Buffer bytes = ModulePicture::ModulePictureFromImage(picture, mirror);
    const std::uint32_t base = warning ? 0xE0000 : 0xD0000;
    ASSERT_EQ(link.SelectScreen(0), kLinkOk);
    ASSERT_EQ(link.EraseArea(warning ? 0 : 1), kLinkOk);
    for (std::uint32_t k = 0; k < 128; ++k) {
        const std::uint32_t address = base + 256 * k;
        ASSERT_EQ(link.WriteBlock(address, bytes.data() + 256 * k), kLinkOk) << k;
        std::uint8_t back[256];
        ASSERT_EQ(link.ReadBlock(address, back), kLinkOk) << k;
        ASSERT_TRUE(std::equal(back, back + 256, bytes.data() + 256 * k)) << "block " << k << " read back";
    }
    ASSERT_EQ(link.SelectScreen(warning ? 4 : 1), kLinkOk);
}
// Commands WritePicture sends.
constexpr long long kUploadCommands = 2 + 2 * 128 + 1;

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(SimProcess::Program().isEmpty()) << "TARVELLO_MODULE_SIM is not set";
        ASSERT_TRUE(dir_.isValid());
    }
    QString Png() const { return dir_.filePath(QStringLiteral("monitor.png")); }

    // Opens COM1 on the simulator at 57600 baud, as the program would.
    LinkResult Open(ComPortLink &link, const SimProcess &sim)
    {
        env_.set("TARVELLO_COM_ONLY_ENV", "1");
        env_.set("TARVELLO_COM1", QByteArray::fromStdString(sim.SlavePath()));
        return link.Open(1 | 0x100);
    }

    QTemporaryDir dir_;
    ScopedEnv env_;
    const QImage camera_ = MonitorRenderer().CameraPicture();
};

} // namespace

TEST_F(MonitorTest, EachDisplayModeAndOptionIsDrawnAsTheCommandsSetIt)
{
    struct Case {
        const char *what;
        QStringList options;
        std::vector<std::string> commands;
        std::vector<Pixel> pixels;
    };
    const Case cases[] = {
        {"grid at the program's default shift", {}, {"ATS3"},
         {{40, 100, kLine70}, {200, 45, kLine70}, {0, 200, kLine70}, {399, 200, kLine70}, {200, 295, kLine70},
          {60, 100, kCamera}, {40, 30, kCamera}, {200, 296, kCamera}}},
        {"ATJ moves the grid across, ATK down", {}, {"ATS3", "ATJ240", "ATK30"},
         {{30, 100, kLine70}, {389, 100, kLine70}, {200, 30, kLine70}, {40, 100, kCamera}, {200, 45, kCamera},
          {395, 30, kCamera}}},
        {"ATQ1: the module mirrors its grid", {}, {"ATS3", "ATJ240", "ATQ1"},
         {{349, 100, kLine70}, {389, 100, kLine70}, {29, 100, kLine70}, {350, 100, kCamera}, {30, 100, kCamera}}},
        {"a mirroring monitor turns the mirrored grid back", {"--monitor-mirrors"}, {"ATS3", "ATJ240", "ATQ1"},
         {{10, 100, kLine70}, {50, 100, kLine70}, {370, 100, kLine70}, {49, 100, kCamera}, {399, 100, kCamera}}},
        {"indicator shown where ATR and ATP place it", {}, {"ATS1", "ATO1", "ATR3", "ATP100"},
         {{53, 116, kLine70}, {168, 101, kGrey25}, {47, 116, kCamera}, {100, 99, kCamera}, {100, 132, kCamera}}},
        {"ATO0 hides the indicator", {}, {"ATS1", "ATO1", "ATR3", "ATP100", "ATO0"},
         {{53, 116, kCamera}, {168, 101, kCamera}}},
        {"ATQ1 mirrors the indicator", {}, {"ATS1", "ATO1", "ATR3", "ATP100", "ATQ1"},
         {{346, 116, kLine70}, {350, 101, kGrey25}, {53, 116, kCamera}, {111, 116, kCamera}}},
        {"the indicator is not shown on the grid", {}, {"ATO1", "ATR3", "ATP100", "ATS3"},
         {{53, 116, kCamera}, {168, 101, kCamera}}},
        {"ATG and ATH set the line and background greys", {}, {"ATS1", "ATO1", "ATR3", "ATP100", "ATG20", "ATH80"},
         {{53, 116, kGrey20}, {168, 101, kGrey80}}},
        {"ATG sets the grid's grey", {}, {"ATS3", "ATG80"}, {{40, 100, kGrey80}}},
        {"warning screen with nothing written: its background alone", {}, {"ATS4", "ATH40"},
         {{200, 156, kGrey40}, {5, 5, kGrey40}, {395, 300, kGrey40}}},
        {"normal display with nothing written: the camera alone", {}, {"ATS1"},
         {{200, 156, kCamera}, {40, 100, kCamera}, {100, 280, kCamera}}},
        {"ATS0 shows the camera alone", {}, {"ATS3", "ATS0"}, {{40, 100, kCamera}, {200, 45, kCamera}}},
        {"refused and garbled commands change nothing", {}, {"ATS3", "ATJ256", "ATK101", "ATS2", "XYZ", "ATG", "AT\x01"},
         {{40, 100, kLine70}, {200, 45, kLine70}, {30, 100, kCamera}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(Png());
        SimProcess sim(QStringList{"--monitor-png", Png()} + c.options);
        ASSERT_TRUE(sim.Started()) << sim.ErrorOutput().toStdString();
        RawPort port(sim.SlavePath(), 57600);
        ASSERT_TRUE(port.IsOpen());
        for (const std::string &command : c.commands) {
            port.Write(command + "\r");
            const std::string reply = port.ReadReply(command.size() + 1);
            EXPECT_TRUE(reply.ends_with("OK\r\n") || reply.ends_with("ERROR\r\n")) << command;
        }
        ExpectPixels(WaitForMonitor(Png(), static_cast<long long>(c.commands.size())), c.pixels, camera_);
        EXPECT_EQ(sim.Stop(), 0);
    }
}

// A picture written as the setup program writes it (the project's own
// conversion, then erase, block writes with read-backs and the screen
// selection through ComPortLink) shows on the monitor where it was drawn,
// moved with the overlay, mirrored when it was converted mirrored for a
// monitor that does not mirror, and again after a restart from the state
// the module stored.
TEST_F(MonitorTest, PictureWrittenThroughTheLinkAppearsInPlace)
{
    // Two white boxes on black: (100..139, 60..79) and (300..309, 200..209).
    QImage drawing(400, 312, QImage::Format_RGB32);
    drawing.fill(Qt::black);
    {
        QPainter painter(&drawing);
        painter.fillRect(QRect(100, 60, 40, 20), Qt::white);
        painter.fillRect(QRect(300, 200, 10, 10), Qt::white);
    }
    const auto upload = [&](ComPortLink &link, bool mirror, bool warning) { WritePicture(link, drawing, mirror, warning); };
    // Points of the drawing inside and just outside its boxes.
    const auto expectDrawing = [&](const QImage &monitor, const std::function<int(int)> &column, int outside) {
        ExpectPixels(monitor,
                     {{column(105), 65, kLine70},
                      {column(138), 78, kLine70},
                      {column(305), 205, kLine70},
                      {column(97), 65, outside},
                      {column(142), 65, outside},
                      {column(120), 57, outside},
                      {column(305), 212, outside}},
                     camera_);
    };
    const auto same = [](int x) { return x; };
    const QString state = dir_.filePath(QStringLiteral("module.state"));
    {
        SCOPED_TRACE("drawn as is");
        SimProcess sim({"--monitor-png", Png()});
        ASSERT_TRUE(sim.Started()) << sim.ErrorOutput().toStdString();
        ComPortLink link;
        ASSERT_EQ(Open(link, sim), kLinkOk);
        upload(link, false, false);
        expectDrawing(WaitForMonitor(Png(), kUploadCommands), same, kCamera);
        ASSERT_EQ(link.SetGridShiftX(245), kLinkOk);
        expectDrawing(WaitForMonitor(Png(), kUploadCommands + 1), [](int x) { return x - 5; }, kCamera);
        ASSERT_EQ(link.SetGridShiftX(250), kLinkOk);
        upload(link, false, true);
        expectDrawing(WaitForMonitor(Png(), 2 * kUploadCommands + 2), same, kGrey25);
        EXPECT_EQ(sim.Stop(), 0);
    }
    {
        SCOPED_TRACE("converted mirrored, as with the mirroring in the monitor chosen");
        QFile::remove(Png());
        SimProcess sim({"--monitor-png", Png(), "--state", state});
        ASSERT_TRUE(sim.Started()) << sim.ErrorOutput().toStdString();
        ComPortLink link;
        ASSERT_EQ(Open(link, sim), kLinkOk);
        ASSERT_EQ(link.SetMirroring(1), kLinkOk);
        upload(link, true, false);
        ASSERT_EQ(link.StoreSettings(), kLinkOk);
        // This car's camera mirrors: the picture shows mirrored.
        expectDrawing(WaitForMonitor(Png(), kUploadCommands + 2), [](int x) { return 399 - x; }, kCamera);
        EXPECT_EQ(sim.Stop(), 0);
    }
    {
        SCOPED_TRACE("the stored picture and ATQ1 in a car whose monitor mirrors");
        QFile::remove(Png());
        SimProcess sim({"--monitor-png", Png(), "--state", state, "--monitor-mirrors"});
        ASSERT_TRUE(sim.Started()) << sim.ErrorOutput().toStdString();
        expectDrawing(WaitForMonitor(Png(), 0), same, kCamera);
        EXPECT_EQ(sim.Stop(), 0);
    }
}

// Switched on with reverse gear engaged, after a store on the grid page: the
// warning for the stored second, then by itself the normal display.
TEST_F(MonitorTest, PowerOnShowsTheStoredWarningThenTheNormalDisplay)
{
    const QString state = dir_.filePath(QStringLiteral("module.state"));
    std::ofstream(state.toStdString()) << "screen=3\nwarning_time=1\nbackground_brightness=40\n";
    const auto started = std::chrono::steady_clock::now();
    SimProcess sim({"--monitor-png", Png(), "--state", state});
    ASSERT_TRUE(sim.Started()) << sim.ErrorOutput().toStdString();
    ExpectPixels(WaitForMonitor(Png(), 0, 4), {{40, 100, kGrey40}, {200, 156, kGrey40}}, camera_);
    ExpectPixels(WaitForMonitor(Png(), 0, 1), {{40, 100, kCamera}, {200, 156, kCamera}}, camera_);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    EXPECT_EQ(sim.Stop(), 0);
}

// The scene's marks read off the grid, drawn by the setup program's own
// preview as its guide-line picture and written into the module: the border
// lines lie on the side-line tape at 1, 2, 3 and 4 m. With
// TARVELLO_SCREENSHOT_DIR set, the grid and the guide lines over the scene
// are kept there (docs/screenshots holds them).
TEST_F(MonitorTest, screenshotsOfTheGridAndOfGuideLinesDrawnFromTheSceneMarks)
{
    SimProcess sim({"--monitor-png", Png()});
    ASSERT_TRUE(sim.Started()) << sim.ErrorOutput().toStdString();
    ComPortLink link;
    ASSERT_EQ(Open(link, sim), kLinkOk);
    ASSERT_EQ(link.SelectScreen(3), kLinkOk);
    const QImage grid = WaitForMonitor(Png(), 1);
    ASSERT_FALSE(grid.isNull());

    // The points as an installer enters them: grid units in steps of 0.05.
    const ModuleSim::CameraScene scene;
    const ModuleSim::OverlayPlacement placement(ModuleSim::ModuleSettings{}, false);
    CGuideLinePreview preview;
    preview.SetGridShift(ModuleSim::ModuleSettings{}.gridShiftY);
    for (const ModuleSim::SceneMark &mark : scene.Marks()) {
        const QPointF g = placement.MonitorToGrid(mark.picture);
        preview.SetPoint(mark.slot, std::round(g.x() * 20) / 20, std::round(g.y() * 20) / 20, true, false);
    }
    WritePicture(link, preview.RenderExport(), false, false);
    ASSERT_EQ(link.StoreSettings(), kLinkOk);
    const QImage lines = WaitForMonitor(Png(), 2 + kUploadCommands);
    ASSERT_FALSE(lines.isNull());
    const QRgb line = MonitorRenderer::Grey(ModuleSim::ModuleSettings{}.lineBrightness).rgb();
    for (int slot : {4, 5, 6, 7, 9, 10, 11, 12}) {
        const ModuleSim::SceneMark &mark = *scene.MarkOfSlot(slot);
        const int row = int(mark.picture.y());
        int nearest = 1000;
        for (int x = 0; x < lines.width(); ++x) {
            if ((lines.pixel(x, row) & 0xFFFFFF) == (line & 0xFFFFFF) && std::abs(x - mark.picture.x()) < std::abs(nearest))
                nearest = int(x - mark.picture.x());
        }
        EXPECT_LE(std::abs(nearest), 3) << mark.name.toStdString() << ": the border line is " << nearest << " px off";
    }
    EXPECT_EQ(sim.Stop(), 0);

    const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR");
    if (!keep.isEmpty()) {
        EXPECT_TRUE(grid.save(keep + QStringLiteral("/monitor-grid.png")));
        EXPECT_TRUE(lines.save(keep + QStringLiteral("/monitor-guide-lines.png")));
    }
}

TEST_F(MonitorTest, WindowRunsBesideThePngAndTheSimulatorStopsCleanly)
{
    // The test's environment has the offscreen platform: a window without a screen.
    SimProcess sim({"--monitor", "--monitor-png", Png()});
    ASSERT_TRUE(sim.Started()) << sim.ErrorOutput().toStdString();
    RawPort port(sim.SlavePath(), 9600);
    ASSERT_TRUE(port.IsOpen());
    port.Write("ATS3\r");
    EXPECT_EQ(port.ReadReply(5), "ATS3\r\r\nOK\r\n");
    ExpectPixels(WaitForMonitor(Png(), 1), {{40, 100, kLine70}, {60, 100, kCamera}}, camera_);
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(MonitorTest, PngThatCannotBeWrittenCostsOnlyAMessage)
{
    SimProcess sim({"--monitor-png", dir_.filePath(QStringLiteral("missing/monitor.png"))});
    ASSERT_TRUE(sim.Started()) << sim.ErrorOutput().toStdString();
    RawPort port(sim.SlavePath(), 57600);
    for (int round = 0; round < 3; ++round) {
        port.Write("ATS3\r");
        EXPECT_EQ(port.ReadReply(5), "ATS3\r\r\nOK\r\n") << round;
    }
    EXPECT_EQ(sim.Stop(), 0);
    const QString errors = sim.ErrorOutput();
    EXPECT_EQ(errors.count(QStringLiteral("cannot write the monitor picture")), 1) << errors.toStdString();
}

TEST_F(MonitorTest, WindowWithoutADisplayIsRefusedAtStart)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.start(SimProcess::Program(), {"--monitor"});
    ASSERT_TRUE(process.waitForFinished(kWaitMs));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardError().contains("--monitor needs a display"));
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty()) << "it must not offer a line it will not serve";
}
