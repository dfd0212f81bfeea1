// The command line: how it is read, and the modes without a window run as
// the installer runs them (the program as a child process) against the
// module simulator, compared with what the wizard itself does.
#include "CPageLoadPicture.h"
#include "CommandLine.h"
#include "ComPortLink.h"
#include "CGuideLinePreview.h"
#include "CPageViewControl.h"
#include "ModulePicture.h"
#include "ModuleSim.h"
#include "ResourceIds.h"
#include "ScopedEnv.h"
#include "SheetFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>

#include <sys/stat.h>

namespace {

TEST(CommandLineParse, optionsModesAndMistakes)
{
    using Mode = CommandLine::Mode;
    const struct {
        QStringList arguments;
        Mode mode;
        bool demo;
        QString port, config, output;
        bool error;
    } cases[] = {
        {{}, Mode::Wizard, false, {}, {}, {}, false},
        {{"/demo"}, Mode::Wizard, true, {}, {}, {}, false},
        {{"--demo", "--port", "/dev/ttyUSB0"}, Mode::Wizard, true, "/dev/ttyUSB0", {}, {}, false},
        {{"--port", "/dev/demo0"}, Mode::Wizard, false, "/dev/demo0", {}, {}, false},  // a path, not the switch
        {{"--render", "car.ini", "out.bmp"}, Mode::Render, false, {}, "car.ini", "out.bmp", false},
        {{"--write", "car.ini", "--port", "/dev/ttyS0"}, Mode::Write, false, "/dev/ttyS0", "car.ini", {}, false},
        {{"--backup", "/tmp/b"}, Mode::Backup, false, {}, {}, "/tmp/b", false},
        {{"--version", "--bogus"}, Mode::Version, false, {}, {}, {}, false},
        {{"/DEMO"}, Mode::Wizard, false, {}, {}, {}, false},  // words are ignored, as ever
        {{"--bogus"}, Mode::Wizard, false, {}, {}, {}, true},
        {{"--port"}, Mode::Wizard, false, {}, {}, {}, true},
        {{"--render", "car.ini"}, Mode::Render, false, {}, "car.ini", {}, true},
        {{"--write", "a.ini", "--backup", "d"}, Mode::Backup, false, {}, "a.ini", "d", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CommandLine line = ParseCommandLine(c.arguments);
        EXPECT_EQ(line.mode, c.mode);
        EXPECT_EQ(line.demo, c.demo);
        EXPECT_EQ(line.port, c.port);
        EXPECT_EQ(line.config, c.config);
        EXPECT_EQ(line.output, c.output);
        EXPECT_EQ(!line.error.isEmpty(), c.error) << qPrintable(line.error);
    }
}

struct ProgramRun {
    int status = -1;
    QString out, err;
};

// The program as an installer starts it from a terminal.
ProgramRun Program(const QStringList &arguments, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("TARVELLO_SETUP_PROGRAM"), arguments);
    ProgramRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The commands the module got, without the search's probes.
QStringList Commands(const QStringList &log)
{
    QStringList commands;
    for (const QString &line : log)
        if (!line.endsWith(QLatin1String(" ATT\\r")))
            commands << line;
    return commands;
}

class CommandLineModes : public SheetTest {
protected:
    explicit CommandLineModes(const QStringList &simArguments = {}) : sim(simArguments) {}

    void SetUp() override
    {
        SheetTest::SetUp();
        ASSERT_TRUE(sim.started()) << qPrintable(sim.error());
        env.set("TARVELLO_COM_ONLY_ENV", "1");
        env.set("TARVELLO_D2XX_LIBRARY", "/nonexistent/libftd2xx.so");
    }
    QString Dir(const QString &name) const { return QDir::current().filePath(name); }

    ModuleSim sim;
    ScopedEnv env;
};

// A terminal without a display, where a window system cannot start.
QProcessEnvironment WithoutDisplay()
{
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        bare.remove(QString::fromLatin1(variable));
    bare.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));  // would fail without a display
    return bare;
}

TEST_F(CommandLineModes, helpAndVersionNeedNoDisplayAndTouchNoPort)
{
    QProcessEnvironment bare = WithoutDisplay();
    bare.insert(QStringLiteral("TARVELLO_COM1"), sim.slavePath());
    const ProgramRun help = Program({"--help"}, bare);
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--write"))) << qPrintable(help.out);
    const ProgramRun version = Program({"--version"}, bare);
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("tarvello-setup "))) << qPrintable(version.out);
    const ProgramRun wrong = Program({"--colour"}, bare);
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(wrong.err.contains(QStringLiteral("--colour")));
    EXPECT_TRUE(sim.log(0, std::chrono::milliseconds(200)).isEmpty()) << "no byte reached the port";
}

TEST_F(CommandLineModes, renderWriteAndBackupTakeTheWizardsOwnPaths)
{
    // The wizard, on the simulator: leave the labels page, write both
    // pictures, leave the warning page.
    QStringList wizard;
    QImage labels;  // the labels page's guide-line picture
    {
        env.set("TARVELLO_COM1", sim.slavePathBytes());
        ComPortLink link;
        ASSERT_EQ(link.Open(1), kLinkOk);
        auto sheet = OpenSheet(&link);
        auto slice = [&](const std::function<void()> &action) {
            const int before = static_cast<int>(Commands(sim.log(0, std::chrono::milliseconds(300))).size());
            action();
            QTest::qWait(50);
            wizard += Commands(sim.log(0, std::chrono::milliseconds(300))).mid(before);
        };
        EnterLeftBorder(*sheet);
        sheet->RunCommand(Ids::ID_FILE_SAVE);  // the configuration --write is given
        sheet->SetActivePage(WizardStep::MarkPlace);
        labels = static_cast<CPageViewControl *>(sheet->ActivePage())->Preview()->RenderExport();
        sheet->SetActivePage(WizardStep::LoadBMP);
        auto write = [&] {
            QTest::mouseClick(sheet->ActivePage()->findChild<QPushButton *>(Ids::ObjectName(Ids::IDC_BUTTON_WRITE)),
                              Qt::LeftButton);
        };
        slice(write);
        sheet->SetActivePage(WizardStep::LoadWarn);
        slice(write);
        sheet->SetActivePage(WizardStep::Warning);
        slice([&] { sheet->SetActivePage(WizardStep::Complete); });
        link.Close();
    }
    ASSERT_EQ(wizard.size(), 2 * (2 + 256) + 2 + 1 + 12);

    // --render: the same pixels as the labels page.
    const ProgramRun render = Program({"--render", "default.ini", Dir("lines.bmp")});
    ASSERT_EQ(render.status, 0) << qPrintable(render.err);
    EXPECT_EQ(QImage(Dir("lines.bmp")).convertToFormat(QImage::Format_RGB32),
              labels.convertToFormat(QImage::Format_RGB32));

    // --write: the same commands, in the same order.
    const int before = static_cast<int>(Commands(sim.log()).size());
    const ProgramRun write = Program({"--write", "default.ini", "--port", sim.slavePath()});
    ASSERT_EQ(write.status, 0) << qPrintable(write.err);
    EXPECT_EQ(Commands(sim.log(before + static_cast<int>(wizard.size()))).mid(before), wizard);

    // --backup: what was written, as the module holds it; no window system needed.
    const ProgramRun backup = Program({"--backup", Dir("kept"), "--port", sim.slavePath()}, WithoutDisplay());
    ASSERT_EQ(backup.status, 0) << qPrintable(backup.err);
    EXPECT_TRUE(ModulePicture::ModulePictureFromImage(QImage(Dir("kept/guide-lines.bmp")), false)
                == ModulePicture::ModulePictureFromImage(labels, false));
    const QImage warning(Ids::BitmapPath(Ids::BITMAP_WARNING));
    EXPECT_TRUE(ModulePicture::ModulePictureFromImage(QImage(Dir("kept/warning.bmp")), false)
                == ModulePicture::ModulePictureFromImage(warning.convertToFormat(QImage::Format_RGB32), false));
}

TEST_F(CommandLineModes, aMissingFileOrModuleEndsWithItsStatusAndSaysWhy)
{
    OpenSheet().reset();  // writes default.ini into the folder
    auto configuration = [] {
        QFile file(QStringLiteral("default.ini"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = configuration();
    ASSERT_TRUE(QFile::link(QStringLiteral("default.ini"), QStringLiteral("same.ini")));
    QImage plain(640, 480, QImage::Format_RGB32);
    plain.fill(QColor(90, 120, 160));
    ASSERT_TRUE(plain.save(QStringLiteral("plain.png")));
    ASSERT_TRUE(plain.scaled(4000, 2).save(QStringLiteral("strip.png")));
    ASSERT_EQ(::mkfifo("fifo.png", 0600), 0);
    QFile module(QStringLiteral(TARVELLO_LOCATE_BUILT)), cut(Dir("cut.so"));
    ASSERT_TRUE(module.open(QIODevice::ReadOnly) && cut.open(QIODevice::WriteOnly));
    cut.write(module.read(3000));  // its headers, none of its segments
    cut.close();
    const struct {
        QStringList arguments;
        int status;
        const char *said;
        QString locateModule = {};
    } cases[] = {
        {{"--write", "missing.ini", "--port", sim.slavePath()}, 3, "missing.ini"},
        {{"--backup", "kept", "--port", "/nonexistent/tty"}, 1, "TRX-G-K4"},
        {{"--render", "default.ini", "/nonexistent/folder/x.bmp"}, 3, "/nonexistent/folder/x.bmp"},
        // The built-in configuration has no point entered: no line to write.
        {{"--write", "default.ini", "--port", sim.slavePath()}, 3, "нет ни одной линии"},
        {{"--render", "default.ini", "./default.ini"}, 2, "это сам файл конфигурации"},
        {{"--render", "default.ini", Dir("same.ini")}, 2, "это сам файл конфигурации"},
        {{"--locate", "missing.png"}, 3, "missing.png"},
        {{"--locate", "default.ini"}, 3, "default.ini"},
        {{"--locate", "plain.png"}, 5, "не найдена калибровочная сетка"},
        // The photo reading is a module of its own: one that is not there is named.
        {{"--locate", "plain.png"}, 3, "Модуль распознавания снимков не установлен", "/nonexistent/tarvello-locate.so"},
        // Neither a photo nor a module file ends the program or leaves it waiting.
        {{"--locate", "strip.png"}, 5, "слишком мал или узок"},
        {{"--locate", "fifo.png"}, 3, "канал"},
        {{"--locate", "plain.png"}, 3, "обрезан", Dir("cut.so")},
        {{"--locate", "plain.png"}, 3, "не модуль распознавания снимков", qEnvironmentVariable("TARVELLO_FAKE_D2XX")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!c.locateModule.isEmpty())
            environment.insert(QStringLiteral("TARVELLO_LOCATE_MODULE"), c.locateModule);
        const ProgramRun run = Program(c.arguments, environment);
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.said))) << qPrintable(run.err);
    }
    EXPECT_EQ(configuration(), before) << "the configuration stays";
}

// The simulator's phone photo of its grid: the grid's corners where the
// simulator put them, and marks in grid units, one line each.
TEST_F(CommandLineModes, locatePrintsTheGridCornersAndTheMarksOfAPhoto)
{
    QProcess sim;
    sim.start(qEnvironmentVariable("TARVELLO_MODULE_SIM"),
              {"--grid", "--once", "--monitor-png", Dir("photo.png"), "--photo", "3", "--truth", Dir("photo.json")});
    ASSERT_TRUE(sim.waitForFinished(60000) && sim.exitCode() == 0) << sim.readAllStandardError().toStdString();
    QFile truthFile(Dir("photo.json"));
    ASSERT_TRUE(truthFile.open(QIODevice::ReadOnly));
    const QJsonArray truth = QJsonDocument::fromJson(truthFile.readAll()).object().value("grid").toArray();

    const ProgramRun run = Program({"--locate", "photo.png"});
    ASSERT_EQ(run.status, 0) << qPrintable(run.err);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 6);
    const QStringList grid = lines[0].split(' ');
    ASSERT_EQ(grid.size(), 5);
    EXPECT_EQ(grid[0], "grid");
    for (int k = 0; k < 4; ++k) {
        const QStringList xy = grid[k + 1].split(',');
        ASSERT_EQ(xy.size(), 2);
        const QJsonArray expected = truth[k].toArray();
        EXPECT_NEAR(xy[0].toDouble(), expected[0].toDouble(), 4.0) << k;
        EXPECT_NEAR(xy[1].toDouble(), expected[1].toDouble(), 4.0) << k;
    }
    const QRegularExpression mark(QStringLiteral("^mark -?\\d+\\.\\d\\d -?\\d+\\.\\d\\d$"));
    for (int n = 1; n < lines.size(); ++n)
        EXPECT_TRUE(mark.match(lines[n]).hasMatch()) << qPrintable(lines[n]);
}

// A module that refuses the warning time, in the middle of the full write.
class ErrorModule : public CommandLineModes {
protected:
    ErrorModule() : CommandLineModes({QStringLiteral("--error-on"), QStringLiteral("F:1")}) {}
};

TEST_F(ErrorModule, aRefusedCommandGivesStatusFourAndTheDeviceMessage)
{
    OpenSheet().reset();
    const ProgramRun run = Program({"--write", "default.ini", "--port", sim.slavePath(), "--allow-empty-picture"});
    EXPECT_EQ(run.status, 4);
    EXPECT_TRUE(run.err.contains(QStringLiteral("При настройке устройства возникла ошибка."))) << qPrintable(run.err);
    EXPECT_TRUE(Commands(sim.log()).last().endsWith(QLatin1String("ATS1\\r"))) << "the sequence went on to its end";
}

} // namespace
