#include "Configuration.h"
#include "RecentFiles.h"
#include "SettingsTestSupport.h"

namespace {

class UserFilesTest : public StoreTest {};

TEST_F(UserFilesTest, RecentFilesKeepOrderOnceEachAndEightAcrossInstances)
{
    struct Case {
        const char *name;
        QStringList added;
        QStringList removed;
        QStringList expected;
    };
    QStringList ten;
    for (int i = 1; i <= 10; ++i)
        ten << QStringLiteral("/cars/%1.ini").arg(i);
    const QStringList newestEight(ten.rbegin(), ten.rbegin() + RecentFiles::kMaxFiles);
    const Case cases[] = {
        {"most recent first", {"/cars/a.ini", "/cars/b.ini"}, {}, {"/cars/b.ini", "/cars/a.ini"}},
        {"used again moves up", {"/cars/a.ini", "/cars/b.ini", "/cars/x/../a.ini"}, {}, {"/cars/a.ini", "/cars/b.ini"}},
        {"eight at most", ten, {}, newestEight},
        {"removed", {"/cars/a.ini", "/cars/b.ini"}, {"/cars/a.ini"}, {"/cars/b.ini"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = Path(QString::fromLatin1(c.name) + QStringLiteral(".conf"));
        for (const QString &path : c.added)
            RecentFiles(file).Add(path);
        for (const QString &path : c.removed)
            RecentFiles(file).Remove(path);
        EXPECT_EQ(RecentFiles(file).Files(), c.expected);
    }
}

// A file read for a list leaves the store alone and gives its first comment.
TEST_F(UserFilesTest, SummaryReadsFirstCommentAndSettingsWithoutTheStore)
{
    struct Case {
        const char *name;
        QByteArray bytes;
        bool readable;
        QString comment;
        int lineThickness;
    };
    const Case cases[] = {
        {"comment on top", "; Ford Focus 2012\r\n[Common]\r\nLineThickness=5\r\n", true, "Ford Focus 2012", 5},
        {"empty comment skipped", "[Common]\r\n#\r\n#  \xcb\xe0\xe4\xe0 4x4  \r\nLineThickness=3", true,
         QString::fromUtf8("Лада 4x4"), 3},
        {"after the last record", "[Common]\nLineThickness=4\n;last\n", true, "last", 4},
        {"a text line is no comment", "Ford\r\n[Common]\r\nLineThickness=3\r\n", true, "", 3},
        {"no configuration", "; Ford\r\nplain text\r\n", false, "", 2},
    };
    IniFile::LoadBytes("[Current]\r\nKey=1\r\n");
    const QByteArray store = IniFile::SaveBytes();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Path(QStringLiteral("car.ini"));
        WriteBytes(path, c.bytes);
        const ConfigurationSummary summary = ReadConfigurationSummary(path);
        EXPECT_EQ(summary.readable, c.readable);
        EXPECT_TRUE(summary.opened);
        EXPECT_EQ(summary.reason.isEmpty(), c.readable) << summary.reason.toStdString();
        EXPECT_EQ(summary.firstComment, c.comment);
        EXPECT_EQ(summary.settings.LineThickness, c.lineThickness);
        EXPECT_EQ(IniFile::SaveBytes(), store);
    }
    const ConfigurationSummary missing = ReadConfigurationSummary(Path(QStringLiteral("missing.ini")));
    EXPECT_FALSE(missing.opened || missing.reason.isEmpty());
}

} // namespace
