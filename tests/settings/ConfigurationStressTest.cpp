// Saves that are cut short or race each other: a save killed at any moment,
// and two programs saving the same file at once, always leave one whole
// configuration in the file, never a mixture or a stump.
#include "Configuration.h"
#include "SettingsTestSupport.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class SaveStress : public StoreTest {
protected:
    // The bytes a save of a record with this marker writes.
    QByteArray Version(const QString &marker)
    {
        Settings settings;
        ConfigurationFiles files;
        settings.BaseLineText = marker;
        // Large enough that writing it takes a while.
        for (int i = 0; i < 20000; ++i)
            settings.CustomFileLines += QStringLiteral("/a/long/folder");
        const QString path = Path(marker + QStringLiteral(".reference"));
        EXPECT_TRUE(SaveConfiguration(settings, files, path));
        return ReadBytes(path);
    }

    // A child process that saves the version with this marker to path, over
    // and over, until it is stopped.
    pid_t SaveForever(const QString &path, const QString &marker)
    {
        const pid_t child = ::fork();
        if (child == 0) {
            Settings settings;
            ConfigurationFiles files;
            settings.BaseLineText = marker;
            for (int i = 0; i < 20000; ++i)
                settings.CustomFileLines += QStringLiteral("/a/long/folder");
            for (;;)
                SaveConfiguration(settings, files, path);
        }
        return child;
    }
};

TEST_F(SaveStress, aSaveKilledAtAnyMomentOrRacingAnotherLeavesOneWholeFile)
{
    const QByteArray a = Version(QStringLiteral("A")), b = Version(QStringLiteral("B"));
    ASSERT_NE(a, b);
    ASSERT_GT(a.size(), 200000);
    const QString path = Path(QStringLiteral("car.ini"));
    WriteBytes(path, a);

    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        // One writer killed after a few milliseconds, or two racing.
        const bool race = round % 3 == 2;
        const pid_t first = SaveForever(path, QStringLiteral("B"));
        const pid_t second = race ? SaveForever(path, QStringLiteral("A")) : -1;
        ASSERT_GT(first, 0);
        ::usleep(2000 + 3000 * round);
        for (pid_t child : {first, second}) {
            if (child > 0) {
                ::kill(child, SIGKILL);
                ::waitpid(child, nullptr, 0);
            }
        }
        const QByteArray now = ReadBytes(path);
        EXPECT_TRUE(now == a || now == b) << "a file of " << now.size() << " bytes, neither version whole";
    }
}

} // namespace
