// Configuration files that cannot be read or written: the message, and that
// nothing the installer has is lost. The tests run as root, which ignores
// file and folder permissions, so unreadable and unwritable places are made
// in ways that fail for root too (folders, symlinks, FIFOs, a file size limit,
// tmpfs and read-only mounts in a private mount namespace, the immutable flag).
#include "Configuration.h"
#include "SettingsTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <functional>
#include <string>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A private mount namespace for this test process, so that mounts made by
// the tests are seen by no one else and vanish with the process.
bool PrivateMounts(std::string &why)
{
    static int state = -1;  // -1 unknown, 0 unavailable, 1 ready
    static std::string reason;
    if (state < 0) {
        if (::unshare(CLONE_NEWNS) != 0) {
            reason = std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno);
            state = 0;
        } else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            reason = std::string("making mounts private: ") + std::strerror(errno);
            state = 0;
        } else {
            state = 1;
        }
    }
    why = reason;
    return state == 1;
}

class FileFailureTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        settings_.SetPoint(3, 1.5, 7.0, 1);
        settings_.SetCameraShift(120, 30);
        settings_.BaseLineText = QStringLiteral("base");
        settings_.LabelLineText[2] = QStringLiteral("label");
        settings_.LineBrightness = 44;
        files_.currentFilePath = QStringLiteral("current.ini");
        IniFile::LoadBytes("; kept\r\n[Common]\r\nBright1=44\r\n");
    }

    void TearDown() override
    {
        for (const QString &m : mounts_)
            ::umount2(QFile::encodeName(m).constData(), MNT_DETACH);
        StoreTest::TearDown();
    }

    // Expects one error message that names the file and says why in
    // Russian: no English word from the system in it.
    static void ExpectOneMessageNaming(const RecordedMessages &messages, const QString &path)
    {
        ASSERT_EQ(messages.count(), 1u);
        const UserMessage &m = messages.all().front();
        EXPECT_TRUE(m.text.contains(path)) << Str(m.text);
        QString words = m.text;
        words.remove(path).remove(QFileInfo(path).absolutePath()).remove(QStringLiteral("Tarvello"));
        EXPECT_FALSE(words.contains(QRegularExpression(QStringLiteral("[A-Za-z]{4,}")))) << Str(m.text);
        EXPECT_EQ(m.caption, ProgramCaption());
        EXPECT_EQ(m.icon, UserMessage::Icon::Error);
    }

    // Expects that a failed load left the record, the current file and the
    // store exactly as SetUp made them.
    void ExpectNothingChanged()
    {
        EXPECT_EQ(settings_.Points[3].x, 60.0);
        EXPECT_EQ(settings_.PointFlags[3], 1);
        EXPECT_EQ(settings_.CameraShiftX, 120);
        EXPECT_EQ(settings_.BaseLineText, QStringLiteral("base"));
        EXPECT_EQ(settings_.LabelLineText[2], QStringLiteral("label")) << "labels are not reset";
        EXPECT_EQ(settings_.LineBrightness, 44);
        EXPECT_EQ(files_.currentFilePath, QStringLiteral("current.ini"));
        EXPECT_EQ(Str(IniFile::SaveBytes()), "; kept\r\n[Common]\r\nBright1=44\r\n");
    }

    // Saves a first version, changes the record, and expects that saving it
    // to the same path fails without touching that first version. breakIt
    // makes the place fail; it returns why it could not (the test is then
    // skipped), or nothing.
    void ExpectSaveFailsKeepingOldFile(const QString &path, const std::function<std::string()> &breakIt,
                                       const std::function<void()> &mendIt = {})
    {
        ASSERT_TRUE(SaveConfiguration(settings_, files_, path));
        const QByteArray old = ReadBytes(path);
        ASSERT_FALSE(old.isEmpty());
        settings_.SetPoint(4, 2.0, 2.0, 1);
        for (int i = 0; i < 300; ++i)  // make the new file larger than the old one
            settings_.CustomFileLines += QStringLiteral("/long/path");

        RecordedMessages messages;
        if (const std::string cannot = breakIt(); !cannot.empty()) {
            if (mendIt)
                mendIt();
            GTEST_SKIP() << cannot;
        }
        const bool saved = SaveConfiguration(settings_, files_, path);
        if (mendIt)
            mendIt();
        EXPECT_FALSE(saved);
        ExpectOneMessageNaming(messages, path);
        EXPECT_EQ(ReadBytes(path), old) << "the old file is whole";
        const QStringList left = QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden);
        for (const QString &name : left)
            EXPECT_FALSE(name.contains(QStringLiteral(".ini."))) << "temporary file left: " << Str(name);
    }

    bool Mount(const char *source, const QString &target, const char *type, unsigned long flags, const char *data)
    {
        if (::mount(source, QFile::encodeName(target).constData(), type, flags, data) != 0)
            return false;
        if (!(flags & MS_REMOUNT))
            mounts_.prepend(target);
        return true;
    }

    Settings settings_;
    ConfigurationFiles files_;
    QStringList mounts_;
};

TEST_F(FileFailureTest, UnreadablePlacesChangeNothingAndNameTheFile)
{
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder.ini")));
    ASSERT_TRUE(QFile::link(Path("nowhere.ini"), Path("dangling.ini")));
    ASSERT_TRUE(QFile::link(Path("loop-b.ini"), Path("loop-a.ini")));
    ASSERT_TRUE(QFile::link(Path("loop-a.ini"), Path("loop-b.ini")));
    WriteBytes(Path("plain.ini"), "[Common]\r\nBright1=1\r\n");
    WriteBytes(Path("notes.ini"), "just notes\r\n[Other program]\r\nKey=1\r\n");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo.ini")).constData(), 0600), 0) << std::strerror(errno);

    const QString cases[] = {
        Path("missing.ini"),            // no such file
        Path("folder.ini"),             // a folder in place of the file
        Path("dangling.ini"),           // a symlink to nothing
        Path("loop-a.ini"),             // a symlink loop
        Path("plain.ini/inside.ini"),   // a file used as a folder
        Path("fifo.ini"),               // no writer: must neither hang nor read
        QStringLiteral("/dev/zero"),    // endless
        Path("notes.ini"),              // readable, but no configuration in it
    };
    for (const QString &path : cases) {
        SCOPED_TRACE(Str(path));
        RecordedMessages messages;
        EXPECT_FALSE(LoadConfiguration(settings_, files_, path));
        ExpectOneMessageNaming(messages, path);
        ExpectNothingChanged();
    }
}

TEST_F(FileFailureTest, FileWithoutReadPermissionIsRefusedWhenNotRoot)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads files without read permission; the other unreadable cases cover the path";
    WriteBytes(Path("locked.ini"), "[Common]\r\nBright1=1\r\n");
    ASSERT_TRUE(QFile::setPermissions(Path("locked.ini"), QFileDevice::Permissions()));
    RecordedMessages messages;
    EXPECT_FALSE(LoadConfiguration(settings_, files_, Path("locked.ini")));
    ExpectOneMessageNaming(messages, Path("locked.ini"));
    ExpectNothingChanged();
}

TEST_F(FileFailureTest, HugeFileIsRefusedWithoutReadingIt)
{
    // 100 MB that begin like a configuration file.
    const QString path = Path("huge.ini");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray chunk = QByteArray("[Common]\r\nBright1=1\r\n").repeated(1 << 15);  // ~0.6 MB
        while (file.size() < 100 * 1000 * 1000)
            ASSERT_EQ(file.write(chunk), chunk.size());
    }
    RecordedMessages messages;
    EXPECT_FALSE(LoadConfiguration(settings_, files_, path));
    ExpectOneMessageNaming(messages, path);
    ExpectNothingChanged();
}

TEST_F(FileFailureTest, SaveBeyondTheFileSizeLimitKeepsTheOldFile)
{
    // The process may write no file larger than 1 KiB: what a full disk does
    // to a write in the middle of the file.
    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    void (*previousHandler)(int) = SIG_DFL;
    ExpectSaveFailsKeepingOldFile(
        Path("limit.ini"),
        [&]() -> std::string {
            previousHandler = std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit small = previous;
            small.rlim_cur = 1024;
            if (::setrlimit(RLIMIT_FSIZE, &small) != 0)
                return std::string("setrlimit: ") + std::strerror(errno);
            return {};
        },
        [&] {
            ::setrlimit(RLIMIT_FSIZE, &previous);
            std::signal(SIGXFSZ, previousHandler);
        });
}

TEST_F(FileFailureTest, SaveOntoAFullFileSystemKeepsTheOldFile)
{
    std::string why;
    if (!PrivateMounts(why))
        GTEST_SKIP() << "cannot mount a small file system here (" << why << "); the file size limit test covers it";
    const QString mountPoint = Path("small");
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("small")));
    if (!Mount("tarvello-test", mountPoint, "tmpfs", 0, "size=64k"))
        GTEST_SKIP() << "mounting tmpfs failed: " << std::strerror(errno);
    const QString path = mountPoint + QStringLiteral("/full.ini");
    ExpectSaveFailsKeepingOldFile(path, [&]() -> std::string {
        // Fill what is left of the file system.
        QFile filler(mountPoint + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly))
            return "cannot create the filler file";
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        return {};
    });
}

TEST_F(FileFailureTest, SaveIntoAReadOnlyFolderKeepsTheOldFile)
{
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("ro")));
    const QString folder = Path("ro");
    const QString path = folder + QStringLiteral("/ro.ini");
    std::string why;
    if (PrivateMounts(why) && Mount(QFile::encodeName(folder).constData(), folder, nullptr, MS_BIND, nullptr)) {
        ExpectSaveFailsKeepingOldFile(path, [&]() -> std::string {
            if (!Mount(nullptr, folder, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr))
                return std::string("remounting read-only: ") + std::strerror(errno);
            return {};
        });
        return;
    }
    // No mounts here: the immutable flag stops root from adding files too.
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        ::close(fd);
        GTEST_SKIP() << "neither a read-only mount (" << why << ") nor the immutable flag is available";
    }
    ExpectSaveFailsKeepingOldFile(
        path,
        [&]() -> std::string {
            int on = flags | FS_IMMUTABLE_FL;
            if (::ioctl(fd, FS_IOC_SETFLAGS, &on) != 0)
                return std::string("cannot set the immutable flag: ") + std::strerror(errno);
            return {};
        },
        [&] {
            int off = flags;
            ::ioctl(fd, FS_IOC_SETFLAGS, &off);
        });
    ::close(fd);
}

TEST_F(FileFailureTest, SaveOverAWritableFileInAFolderTheUserCannotWriteWritesInPlace)
{
    // No temporary file can be made beside the target: the save falls back to
    // writing the file itself. Root writes anywhere, so as root the save runs
    // in a child process that has become the unprivileged user "nobody".
    const uid_t nobody = 65534;
    const bool root = ::geteuid() == 0;
    const QString folder = Path("locked");
    const QString path = folder + QStringLiteral("/cfg.ini");
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("locked")));
    ASSERT_TRUE(SaveConfiguration(settings_, files_, path));
    const QByteArray folderName = QFile::encodeName(folder), fileName = QFile::encodeName(path);
    if (root) {
        ASSERT_EQ(::chmod(QFile::encodeName(dir_.path()).constData(), 0755), 0);
        ASSERT_EQ(::chown(fileName.constData(), nobody, nobody), 0) << std::strerror(errno);
    } else {
        ASSERT_EQ(::chmod(folderName.constData(), 0555), 0);
    }
    settings_.SetPoint(4, 2.5, 3.0, 1);

    RecordedMessages messages;
    bool saved = false;
    if (root) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(nobody) != 0 || ::setuid(nobody) != 0)
                ::_exit(2);
            ::_exit(SaveConfiguration(settings_, files_, path) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 2) << "cannot become nobody";
        saved = WEXITSTATUS(status) == 0;
    } else {
        saved = SaveConfiguration(settings_, files_, path);
        EXPECT_EQ(messages.count(), 0u);
    }
    ::chmod(folderName.constData(), 0755);
    EXPECT_TRUE(saved);
    EXPECT_TRUE(ReadBytes(path).contains("Point1X=2.5\r\n")) << "the left border's 1 m point";
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no temporary file left";
}

TEST_F(FileFailureTest, SaveIntoAMissingFolderOrOntoAFolderFails)
{
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("taken.ini")));
    for (const QString &path : {Path("no-such-folder/x.ini"), Path("taken.ini")}) {
        SCOPED_TRACE(Str(path));
        RecordedMessages messages;
        EXPECT_FALSE(SaveConfiguration(settings_, files_, path));
        ExpectOneMessageNaming(messages, path);
        EXPECT_EQ(files_.currentFilePath, QStringLiteral("current.ini"));
    }
    EXPECT_TRUE(QFileInfo(Path("taken.ini")).isDir());
}

TEST_F(FileFailureTest, NewReportsADefaultFileThatCannotBeWritten)
{
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("default.ini")));
    files_.defaultFileName = Path("default.ini");
    RecordedMessages messages;
    EXPECT_FALSE(NewConfiguration(settings_, files_));
    ExpectOneMessageNaming(messages, files_.defaultFileName);
    // The new configuration is in the record all the same.
    EXPECT_EQ(files_.currentFilePath, QString::fromUtf8("Новая конфигурация"));
    EXPECT_EQ(settings_.CameraShiftX, 250);
    EXPECT_EQ(settings_.BaseLineText, QString::fromUtf8("0.5 м"));
}

} // namespace
