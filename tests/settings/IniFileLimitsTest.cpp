// The limits of reading and writing agree: whatever the program writes it
// reads again. At each limit the store is written and read back; one past
// it, nothing is written, the reason says why and the old file stays whole.
#include "Configuration.h"
#include "SettingsTestSupport.h"
#include "TestSupport.h"

#include <QDir>

#include <functional>

namespace {

constexpr qint64 kMiB = 1024 * 1024;

// A store of n records: one header and n - 1 keys.
void FillRecords(qsizetype n)
{
    ASSERT_TRUE(IniFile::LoadBytes("[S]\n" + QByteArray("k=\n").repeated(n - 1)));
    ASSERT_EQ(qsizetype(IniFile::Content.size()), n);
}

// A store whose file takes exactly n bytes: "[S]", "k=" and a long value.
void FillBytes(qint64 n)
{
    ASSERT_TRUE(IniFile::LoadBytes("[S]\nk=\n"));
    IniFile::SetValue("S", "k", QByteArray(qsizetype(n - 9), 'v'));
    ASSERT_EQ(IniFile::SaveBytes().size(), n);
}

class IniFileLimits : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        WriteBytes(Path("kept.ini"), kOld);
    }

    // The folder holds the old file as it was, and nothing else (no
    // temporary file left behind).
    void ExpectOldFileWhole()
    {
        EXPECT_EQ(Str(ReadBytes(Path("kept.ini"))), Str(kOld));
        EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.ini"});
    }

    const QByteArray kOld = "[Common]\r\nBright1=60\r\n";
};

TEST_F(IniFileLimits, whatIsWrittenIsReadAgainAndOnePastTheLimitIsNotWritten)
{
    struct Case {
        const char *name;
        std::function<void()> fill;
        bool written;
    };
    const Case cases[] = {
        {"records at the limit", [] { FillRecords(IniFile::MaxRecords); }, true},
        {"one record past the limit",
         [] {
             FillRecords(IniFile::MaxRecords);
             IniFile::SetValue("S", "one more", "1");
         },
         false},
        {"bytes at the limit", [] { FillBytes(IniFile::MaxFileSize); }, true},
        {"one byte past the limit", [] { FillBytes(IniFile::MaxFileSize + 1); }, false},
        // CR LF makes this file 1.5 times as long: a 4 MiB file read from
        // disk is written back within the limit and read again.
        {"4 MiB of one-byte lines with LF ends",
         [this] {
             const QByteArray file = "[S]\nk=v\n" + QByteArray("x\n").repeated(2 * kMiB - 5) + "yz";
             ASSERT_EQ(file.size(), 4 * kMiB);
             WriteBytes(Path("lf.ini"), file);
             ASSERT_TRUE(IniFile::LoadFile(Path("lf.ini")));
             ASSERT_TRUE(QFile::remove(Path("lf.ini")));
             EXPECT_EQ(IniFile::SaveBytes().size(), 6 * kMiB - 1);
         },
         true},
        // A key line that the store was given with a line break in its value
        // would read back as two records: counted as the reader will count it.
        {"a value whose line break makes one record too many",
         [] {
             FillRecords(IniFile::MaxRecords);
             IniFile::SetValue("S", "k", "1\nsecond=2");
         },
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        IniFile::Clear();
        WriteBytes(Path("kept.ini"), kOld);
        c.fill();
        const QByteArray expected = IniFile::SaveBytes();
        QString reason;
        EXPECT_EQ(IniFile::SaveFile(Path("kept.ini"), &reason), c.written) << Str(reason);
        if (!c.written) {
            EXPECT_TRUE(reason.contains(QString::number(expected.size() > IniFile::MaxFileSize
                                                            ? IniFile::MaxFileSize
                                                            : qint64(IniFile::MaxRecords))))
                << Str(reason);
            ExpectOldFileWhole();
            continue;
        }
        // Read again, the file gives the same store.
        IniFile::Clear();
        ASSERT_TRUE(IniFile::LoadFile(Path("kept.ini"), &reason)) << Str(reason);
        EXPECT_TRUE(IniFile::SaveBytes() == expected);
    }
}

// Through the configuration commands: Save adds the program's own keys to
// the store, and the message of a refused save goes through ShowMessage.
class ConfigurationLimits : public IniFileLimits {
protected:
    // How many records Save adds to a store without any configuration.
    qsizetype RecordsSaveAdds()
    {
        IniFile::Clear();
        Settings s;
        ConfigurationFiles f;
        EXPECT_TRUE(SaveConfiguration(s, f, Path("probe.ini")));
        QFile::remove(Path("probe.ini"));
        const qsizetype added = qsizetype(IniFile::Content.size());
        IniFile::Clear();
        return added;
    }

    Settings settings_;
    ConfigurationFiles files_;
};

TEST_F(ConfigurationLimits, saveAtTheRecordLimitLoadsAgainAndOnePastIsRefusedWithAMessage)
{
    const qsizetype added = RecordsSaveAdds();
    ASSERT_GT(added, 100);

    // At the limit once the program's keys are in: saved, and loaded again.
    RecordedMessages messages;
    FillRecords(IniFile::MaxRecords - added);
    ASSERT_TRUE(SaveConfiguration(settings_, files_, Path("kept.ini")));
    EXPECT_EQ(qsizetype(IniFile::Content.size()), IniFile::MaxRecords);
    Settings again;
    ASSERT_TRUE(LoadConfiguration(again, files_, Path("kept.ini")));
    EXPECT_TRUE(again.SameConfiguration(settings_));
    EXPECT_EQ(messages.count(), 0u);

    // One more: refused before writing, with one message naming the file and
    // the reason; the old file stays whole and the changes stay unsaved.
    WriteBytes(Path("kept.ini"), kOld);
    FillRecords(IniFile::MaxRecords - added + 1);
    EXPECT_FALSE(SaveConfiguration(settings_, files_, Path("kept.ini")));
    ASSERT_EQ(messages.count(), 1u);
    const QString text = messages.all().front().text;
    EXPECT_TRUE(text.contains(Path("kept.ini"))) << Str(text);
    EXPECT_TRUE(text.contains(QString::number(IniFile::MaxRecords))) << Str(text);
    ExpectOldFileWhole();
}

} // namespace
