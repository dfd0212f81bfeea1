// Start-up as the installer sees it: the demo switch, the module found on a
// COM port played by the simulator, and no module at all.
#include "CPageSheet.h"
#include "CSetupApp.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The module simulator on a pseudo-terminal, logging what it receives.
class Simulator {
public:
    explicit Simulator(const QString &logPath, const QStringList &extra = {})
    {
        const QString program = qEnvironmentVariable("TARVELLO_MODULE_SIM");
        process_.start(program, QStringList{QStringLiteral("--pty"), QStringLiteral("--log"), logPath} + extra);
        if (!process_.waitForStarted(5000))
            return;
        for (int i = 0; i < 50 && !process_.canReadLine(); ++i)
            process_.waitForReadyRead(100);
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        if (line.startsWith(QStringLiteral("PTY ")))
            path_ = line.mid(4);
    }
    ~Simulator()
    {
        process_.terminate();
        if (!process_.waitForFinished(2000))
            process_.kill();
    }
    const QString &path() const { return path_; }

private:
    QProcess process_;
    QString path_;
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        previous_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        qputenv("TARVELLO_COM_ONLY_ENV", "1");
        qputenv("TARVELLO_EXIT_AFTER_FIRST_PAINT", "1");
        qputenv("TARVELLO_D2XX_LIBRARY", QFile::encodeName(dir_.filePath(QStringLiteral("no-libftd2xx.so"))));
        for (int n = 1; n <= 10; ++n)
            qunsetenv(qPrintable(QStringLiteral("TARVELLO_COM%1").arg(n)));
    }
    void TearDown() override
    {
        qunsetenv("TARVELLO_EXIT_AFTER_FIRST_PAINT");
        qunsetenv("TARVELLO_COM1");
        QDir::setCurrent(previous_);
    }

    static bool AnySheetVisible()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<CPageSheet *>(w) && w->isVisible())
                return true;
        return false;
    }

    QTemporaryDir dir_;
    QString previous_;
    RecordedMessages messages_;
};

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(StartupTest, demoSwitchRunsTheWizardWithoutOpeningAnyPort)
{
    const QString log = dir_.filePath(QStringLiteral("com1.log"));
    Simulator sim(log);
    ASSERT_FALSE(sim.path().isEmpty());
    qputenv("TARVELLO_COM1", QFile::encodeName(sim.path()));

    CSetupApp app;
    EXPECT_EQ(app.Run({QStringLiteral("tarvello-setup"), QStringLiteral("x/demox")}), 0);
    EXPECT_EQ(messages_.count(), 0u);
    EXPECT_TRUE(QFile::exists(QStringLiteral("default.ini"))) << "the wizard ran and made its configuration";
    QTest::qWait(100);
    EXPECT_TRUE(ReadFile(log).isEmpty()) << "no byte went to the COM port";
}

TEST_F(StartupTest, upperCaseDemoOrDemoInTheProgramPathIsNotTheDemoSwitch)
{
    for (const QStringList &commandLine :
         {QStringList{"tarvello-setup", "/DEMO"}, QStringList{"/opt/demo-tools/tarvello-setup"},
          QStringList{"/home/demo/bin/tarvello-setup", "--port", "/nonexistent/demo-tty"}}) {
        SCOPED_TRACE(commandLine.join(' ').toStdString());
        CSetupApp app;
        EXPECT_EQ(app.Run(commandLine), 1) << "the module is searched for, not found, and the installer quits";
    }
}

TEST_F(StartupTest, moduleOnComPortIsFoundAndTheWizardRuns)
{
    const QString log = dir_.filePath(QStringLiteral("com1.log"));
    Simulator sim(log);
    ASSERT_FALSE(sim.path().isEmpty());
    qputenv("TARVELLO_COM1", QFile::encodeName(sim.path()));

    CSetupApp app;
    EXPECT_EQ(app.Run({QStringLiteral("tarvello-setup")}), 0);
    EXPECT_EQ(messages_.count(), 0u);
    QTest::qWait(100);
    EXPECT_TRUE(ReadFile(log).startsWith("9600 ATT\\r\n")) << ReadFile(log).constData();
}

// No module: the installer searches again (the cable went in meanwhile),
// goes on in demo mode, or quits (also by closing the box).
TEST_F(StartupTest, withoutModuleTheInstallerRetriesGoesDemoOrQuits)
{
    const QString log = dir_.filePath(QStringLiteral("com1.log"));
    const struct { int answer, status; } cases[] = {{0, 0}, {1, 0}, {2, 1}, {-1, 1}};  // answer -1: box closed
    for (const auto &c : cases) {
        SCOPED_TRACE(c.answer);
        QFile::remove(QStringLiteral("default.ini"));
        std::vector<UserQuestion> asked;
        std::unique_ptr<Simulator> sim;
        const QuestionHandler previous = SetQuestionHandler([&](const UserQuestion &question) {
            asked.push_back(question);
            if (c.answer == 0 && !sim) {
                sim = std::make_unique<Simulator>(log);
                qputenv("TARVELLO_COM1", QFile::encodeName(sim->path()));
            }
            // Never searching on and on for a module that does not come.
            return c.answer >= 0 && asked.size() == 1 && !(sim && sim->path().isEmpty()) ? c.answer
                                                                                          : question.escapeAnswer;
        });
        EXPECT_EQ(CSetupApp().Run({QStringLiteral("tarvello-setup")}), c.status);
        SetQuestionHandler(previous);
        qunsetenv("TARVELLO_COM1");

        ASSERT_EQ(asked.size(), 1u) << "the second search found the module";
        EXPECT_EQ(asked[0].icon, UserQuestion::Icon::Error);
        EXPECT_EQ(asked[0].answers, (QStringList{"Повторить", "Демо-режим", "Выход"}));
        EXPECT_TRUE(asked[0].text.endsWith(QStringLiteral("нажмите «Повторить».")))
            << "the box searches again, no restart: " << qPrintable(asked[0].text);
        EXPECT_EQ(asked[0].escapeAnswer, 2);
        EXPECT_TRUE(asked[0].details.contains(QStringLiteral("COM1"))) << "the details say what was tried";
        EXPECT_EQ(QFile::exists(QStringLiteral("default.ini")), c.status == 0) << "the wizard ran";
        EXPECT_TRUE(!sim || QTest::qWaitFor([&] { return ReadFile(log).startsWith("9600 ATT\\r\n"); }, 1000));
    }
}

} // namespace
