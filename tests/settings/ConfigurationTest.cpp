#include "Configuration.h"
#include "SettingsTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QStringDecoder>

namespace {

// Runs each test in its own temporary current folder, since the default file
// name is relative.
class ConfigurationTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        previousDir_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    }
    void TearDown() override
    {
        QDir::setCurrent(previousDir_);
        StoreTest::TearDown();
    }

    static QByteArray Golden(const char *name) { return ReadBytes(TestDataPath(QString::fromLatin1(name))); }

    // Compares two files line by line, so that a failure names the line.
    static void ExpectSameLines(const QByteArray &actual, const QByteArray &expected)
    {
        const QList<QByteArray> a = actual.split('\n');
        const QList<QByteArray> e = expected.split('\n');
        for (qsizetype i = 0; i < std::max(a.size(), e.size()); ++i) {
            const std::string al = i < a.size() ? Str(a[i]) : "<missing>";
            const std::string el = i < e.size() ? Str(e[i]) : "<missing>";
            EXPECT_EQ(al, el) << "line " << i + 1;
        }
        EXPECT_EQ(actual, expected) << "byte for byte";
    }

    static QByteArray StoreValue(const char *section, const char *key)
    {
        QByteArray value;
        return IniFile::GetValue(section, key, value) ? value : QByteArray("<absent>");
    }

    Settings settings_;
    ConfigurationFiles files_;
    QString previousDir_;
};

TEST_F(ConfigurationTest, NewOnAnEmptyStoreWritesTheBuiltInFile)
{
    RecordedMessages messages;
    EXPECT_TRUE(NewConfiguration(settings_, files_));
    EXPECT_EQ(messages.count(), 0u);
    ExpectSameLines(ReadBytes(Path("default.ini")), Golden("config-new-default.ini"));
    EXPECT_EQ(files_.currentFilePath, QString::fromUtf8("Новая конфигурация"));

    // The record now holds the built-in configuration.
    EXPECT_EQ(settings_.LineBrightness, 80);
    EXPECT_EQ(settings_.BackgroundBrightness, 25);
    EXPECT_EQ(settings_.BaseLineText, QString::fromUtf8("0.5 м"));
    double x = 0, y = 0;
    unsigned char flag = 1;
    settings_.GetPoint(17, x, y, flag);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, -1.0);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(settings_.Points[0].x, 20.0);
    EXPECT_EQ(settings_.Points[0].y, 200.0);
    EXPECT_EQ(settings_.Points[15].x, 360.0);
}

// A default file that is there may hold the installer's own configuration,
// whether it was loaded or not: New leaves it, and asks nothing.
TEST_F(ConfigurationTest, NewLeavesAnExistingDefaultFileAsItIs)
{
    const QByteArray saved = "; workshop default\r\n[Camera]\r\nShiftX=120\r\nShiftY=60\r\n";
    for (const bool couldNotLoad : {false, true}) {
        SCOPED_TRACE(couldNotLoad ? "could not be loaded" : "saved there");
        WriteBytes(Path("default.ini"), saved);
        files_.unloadedFiles = couldNotLoad ? QStringList{QStringLiteral("default.ini")} : QStringList{};
        RecordedMessages messages;
        ScriptedQuestions questions;
        EXPECT_TRUE(NewConfiguration(settings_, files_));
        EXPECT_EQ(ReadBytes(Path("default.ini")), saved);
        EXPECT_EQ(messages.count() + questions.asked().size(), 0u);
        EXPECT_EQ(settings_.CameraShiftX, 250) << "the record holds the built-in configuration";
    }
}

TEST_F(ConfigurationTest, FirstSaveOfANewConfigurationAddsKeysAndRewritesNumbers)
{
    ASSERT_TRUE(NewConfiguration(settings_, files_));
    ASSERT_TRUE(SaveConfiguration(settings_, files_, Path("saved.ini")));
    EXPECT_EQ(files_.currentFilePath, QString::fromUtf8("Новая конфигурация")) << "Save does not move the path";
    ExpectSameLines(ReadBytes(Path("saved.ini")), Golden("config-new-then-saved.ini"));

    // Saving again without changes gives the same bytes.
    ASSERT_TRUE(SaveConfiguration(settings_, files_, Path("again.ini")));
    EXPECT_EQ(ReadBytes(Path("again.ini")), ReadBytes(Path("saved.ini")));
}

TEST_F(ConfigurationTest, LoadAppliesEveryKeyToItsField)
{
    WriteBytes(Path("all.ini"),
               "[Common]\r\nWarningEnabled=3\r\nReflection=2\r\nLineThickness=4\r\nCurveThickness=5\r\n"
               "CurveTicks=6\r\nCurveTicksSpace=7\r\nCustomFileLines=/p/lines.bmp\r\nCustomFileWarning=/p/w.bmp\r\n"
               "Bright1=41\r\nBright2=42\r\nBrightness1=11\r\nBrightness2=12\r\n"
               "[Camera]\r\nShiftX=100\r\nShiftY=200\r\nBrightness1=9\r\nBrightness2=9\r\n"
               "[Marker mode]\r\nSideLineMode=9\r\nBaseLineMode=1\r\nBaseLineText=base\r\nLabelLineText1=a\r\n"
               "LabelLineText2=b\r\nLabelLineText3=c\r\nLabelLineText4=d\r\nFontHeight=33\r\nShiftX=-7\r\nShiftY=8\r\n"
               "[ParkingSensor]\r\nFrontEnabled=0\r\nRearEnabled=1\r\nMenuShift=10\r\nMenuShiftY=250\r\n"
               "SountEnabled=1\r\nSoundEnabled=1\r\n[Stage]\r\nCurrentStage=12\r\n"
               "[MirrorLine]\r\nMirrorX=4.5\r\nMirrorY=9.\r\nMirrorShift=-5.e-002\r\nMirrorUsing=1\r\n"
               "[BaseLine]\r\nPoint1X=5.\r\nPoint1Y=9.\r\nPoint1V=1\r\n"
               "[CurveRight]\r\nPoint4X=2.5e-002\r\nPoint4Y=12.\r\nPoint4V=7\r\n");
    ASSERT_TRUE(LoadConfiguration(settings_, files_, Path("all.ini")));
    const Settings &s = settings_;
    EXPECT_EQ(s.WarningSeconds, 3);
    EXPECT_TRUE(s.Reflection);
    EXPECT_EQ(s.LineThickness, 4);
    EXPECT_EQ(s.CurveThickness, 5);
    EXPECT_EQ(s.CurveTicks, 6);
    EXPECT_EQ(s.CurveTicksSpace, 7);
    EXPECT_EQ(s.CustomFileLines, QStringLiteral("/p/lines.bmp"));
    EXPECT_EQ(s.CustomFileWarning, QStringLiteral("/p/w.bmp"));
    EXPECT_EQ(s.LineBrightness, 41);
    EXPECT_EQ(s.BackgroundBrightness, 42);
    EXPECT_EQ(s.CameraShiftX, 100);
    EXPECT_EQ(s.CameraShiftY, 200);
    EXPECT_EQ(s.CameraBrightness, 0) << "never read";
    EXPECT_EQ(s.SideLineMode, 9);
    EXPECT_EQ(s.BaseLineMode, 1);
    EXPECT_EQ(s.BaseLineText, QStringLiteral("base"));
    EXPECT_EQ(s.LabelLineText[0], QStringLiteral("a"));
    EXPECT_EQ(s.LabelLineText[3], QStringLiteral("d"));
    EXPECT_EQ(s.FontHeight, 33);
    EXPECT_EQ(s.LabelShiftX, -7);
    EXPECT_EQ(s.LabelShiftY, 8);
    EXPECT_EQ(s.FrontEnabled, 0);
    EXPECT_EQ(s.RearEnabled, 1);
    EXPECT_EQ(s.IndicatorX, 10);
    EXPECT_EQ(s.IndicatorY, 250);
    EXPECT_EQ(s.MirrorX, 4.5);
    EXPECT_EQ(s.MirrorY, 9.0);
    EXPECT_EQ(s.MirrorShift, -0.05);
    EXPECT_TRUE(s.MirrorUsing);
    EXPECT_EQ(s.Points[1].x, 200.0);
    EXPECT_EQ(s.Points[1].y, 225.0);
    EXPECT_EQ(s.PointFlags[1], 1);
    EXPECT_EQ(s.Points[22].x, 1.0);
    EXPECT_EQ(s.Points[22].y, 300.0);
    EXPECT_EQ(s.PointFlags[22], 1) << "V is a boolean";

    // Saving writes the sound key as 0 and the sensors back as they were.
    ASSERT_TRUE(SaveConfiguration(settings_, files_, Path("all.ini")));
    EXPECT_EQ(Str(StoreValue("ParkingSensor", "SoundEnabled")), "0");
    EXPECT_EQ(Str(StoreValue("ParkingSensor", "SountEnabled")), "1") << "kept, never written";
    EXPECT_EQ(Str(StoreValue("ParkingSensor", "RearEnabled")), "1");
    EXPECT_EQ(Str(StoreValue("ParkingSensor", "FrontEnabled")), "0");
    EXPECT_EQ(Str(StoreValue("Stage", "CurrentStage")), "0");
    EXPECT_EQ(Str(StoreValue("Common", "Brightness1")), "11") << "the old key stays as it was";
    EXPECT_EQ(Str(StoreValue("Camera", "Brightness1")), "0");
    EXPECT_EQ(Str(StoreValue("MirrorLine", "MirrorShift")), "-5.e-002");
    EXPECT_EQ(Str(StoreValue("CurveRight", "Point4X")), "2.5e-002");
}

TEST_F(ConfigurationTest, LoadLeavesFieldsOfMissingOrIncompleteKeys)
{
    settings_.SetPoint(15, 1.0, 2.0, 1);
    settings_.SetCameraShift(10, 20);
    settings_.BaseLineText = QStringLiteral("previous base");
    for (QString &label : settings_.LabelLineText)
        label = QStringLiteral("previous");
    settings_.LineBrightness = 33;
    settings_.MirrorX = 2.5;

    WriteBytes(Path("partial.ini"), "[CurveLeft]\r\nPoint2X=5.\r\nPoint2Y=6.\r\n"  // no Point2V
                                    "[Camera]\r\nShiftX=99\r\n"                     // no ShiftY
                                    "[ParkingSensor]\r\nSountEnabled=1\r\n");
    ASSERT_TRUE(LoadConfiguration(settings_, files_, Path("partial.ini")));
    EXPECT_EQ(settings_.Points[15].x, 40.0);
    EXPECT_EQ(settings_.Points[15].y, 50.0);
    EXPECT_EQ(settings_.PointFlags[15], 1);
    EXPECT_EQ(settings_.CameraShiftX, 10);
    EXPECT_EQ(settings_.CameraShiftY, 20);
    EXPECT_EQ(settings_.BaseLineText, QStringLiteral("previous base"));
    EXPECT_EQ(settings_.LineBrightness, 33);
    EXPECT_EQ(settings_.MirrorX, 2.5);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(settings_.LabelLineText[i], QString::number(i + 1)) << "label texts fall back to the distances";
}

TEST_F(ConfigurationTest, NewOnALoadedStoreKeepsItsExtraKeysCommentsAndBrightness)
{
    WriteBytes(Path("mine.ini"), "; my car\r\n[Common]\r\nBright1=40\r\nBright2=30\r\nLineThickness=7\r\n"
                                 "Extra=keep me\r\n[Custom]\r\nNote=42\r\n; the end\r\n");
    ASSERT_TRUE(LoadConfiguration(settings_, files_, Path("mine.ini")));
    ASSERT_EQ(settings_.LineBrightness, 40);
    settings_.LineBrightness = 70;  // edited since, but File New reads the store's value again

    ASSERT_TRUE(NewConfiguration(settings_, files_));
    EXPECT_EQ(settings_.LineBrightness, 40);
    EXPECT_EQ(settings_.BackgroundBrightness, 30);
    EXPECT_EQ(settings_.LineThickness, 2) << "built-in value in place";
    const QByteArray written = ReadBytes(Path("default.ini"));
    EXPECT_TRUE(written.startsWith("; my car\r\n[Common]\r\n")) << Str(written.left(60));
    for (const char *line : {"\r\nBright1=40\r\n", "\r\nBright2=30\r\n", "\r\nLineThickness=2\r\n", "\r\nExtra=keep me\r\n",
                             "\r\n[Custom]\r\nNote=42\r\n", "\r\nBrightness1=80\r\n"})
        EXPECT_TRUE(written.contains(line)) << line;
    EXPECT_TRUE(written.endsWith("\r\n; the end\r\n"));
}

TEST_F(ConfigurationTest, Windows1251TextsLoadIntactAndAreWrittenBackByteForByte)
{
    const QByteArray original = Golden("ini-cyrillic-1251.ini");
    WriteBytes(Path("cyr.ini"), original);
    ASSERT_TRUE(LoadConfiguration(settings_, files_, Path("cyr.ini")));
    EXPECT_EQ(settings_.BaseLineText, QString::fromUtf8("0,5 метра"));
    EXPECT_EQ(settings_.LabelLineText[0], QString::fromUtf8("1 м"));
    EXPECT_EQ(settings_.LabelLineText[2], QString::fromUtf8("Стоп!"));
    EXPECT_EQ(settings_.LabelLineText[3], QString::fromUtf8("4 м — далеко"));
    EXPECT_EQ(settings_.CustomFileLines, QString::fromUtf8("C:\\Картинки\\линии.bmp"));
    EXPECT_EQ(settings_.LineBrightness, 60);
    EXPECT_EQ(settings_.FontHeight, 20);

    ASSERT_TRUE(SaveConfiguration(settings_, files_, Path("cyr.ini")));
    const QByteArray saved = ReadBytes(Path("cyr.ini"));
    // Every line of the original survives unchanged, comments included.
    for (const QByteArray &line : original.split('\n')) {
        if (!line.isEmpty()) {
            EXPECT_TRUE(saved.contains(line + '\n')) << QString(QStringDecoder("windows-1251").decode(line)).toStdString();
        }
    }
    EXPECT_TRUE(saved.contains(QByteArray("BaseLineText=0,5 \xEC\xE5\xF2\xF0\xE0\r\n")));
}

TEST_F(ConfigurationTest, TextsAreWrittenAsWindows1251OnOneLine)
{
    settings_.BaseLineText = QString::fromUtf8("0.5 м");
    settings_.LabelLineText[0] = QString::fromUtf8("Стоп 中");
    settings_.LabelLineText[1] = QStringLiteral("two\nlines");
    ASSERT_TRUE(SaveConfiguration(settings_, files_, Path("t.ini")));
    EXPECT_EQ(Str(StoreValue("Marker mode", "BaseLineText")), "0.5 \xEC");
    EXPECT_EQ(Str(StoreValue("Marker mode", "LabelLineText1")), "\xD1\xF2\xEE\xEF ?");
    EXPECT_EQ(Str(StoreValue("Marker mode", "LabelLineText2")), "two lines");
    EXPECT_TRUE(ReadBytes(Path("t.ini")).contains("BaseLineText=0.5 \xEC\r\n"));
}

TEST_F(ConfigurationTest, Utf8FileIsSavedInWindows1251AndTheFirstSaveSaysSo)
{
    WriteBytes(Path("utf8.ini"), "\xEF\xBB\xBF[Marker mode]\r\nBaseLineText=0,5 \xD0\xBC\r\n");
    ASSERT_TRUE(LoadConfiguration(settings_, files_, Path("utf8.ini")));
    EXPECT_EQ(settings_.BaseLineText, QString::fromUtf8("0,5 м"));
    RecordedMessages messages;
    for (int save = 0; save < 2; ++save)
        ASSERT_TRUE(SaveConfiguration(settings_, files_, Path("utf8.ini")));
    ASSERT_EQ(messages.count(), 1u) << "once for the loaded file";
    EXPECT_EQ(messages.all()[0].icon, UserMessage::Icon::Information);
    EXPECT_TRUE(messages.all()[0].text.contains(QStringLiteral("Windows-1251")));
    const QByteArray saved = ReadBytes(Path("utf8.ini"));
    EXPECT_TRUE(saved.startsWith("[Marker mode]\r\n")) << Str(saved);
    EXPECT_EQ(saved.count("[Marker mode]"), 1);
    EXPECT_TRUE(saved.contains("\r\nBaseLineText=0,5 \xEC\r\n"));
}

TEST_F(ConfigurationTest, SavedNumbersTakeTheShortForm)
{
    settings_.SetPoint(3, 0.05, 0.0, 1);
    settings_.SetPoint(4, 12.0, -2.0, 0);
    ASSERT_TRUE(SaveConfiguration(settings_, files_, Path("n.ini")));
    EXPECT_EQ(Str(StoreValue("SideLineLeft", "Point0X")), "5.e-002");
    EXPECT_EQ(Str(StoreValue("SideLineLeft", "Point0Y")), "0.");
    EXPECT_EQ(Str(StoreValue("SideLineLeft", "Point0V")), "1");
    EXPECT_EQ(Str(StoreValue("SideLineLeft", "Point1X")), "12.");
    EXPECT_EQ(Str(StoreValue("SideLineLeft", "Point1Y")), "-2.");
}

// Huge numbers load as they are (drawing and sending are safe for them); a
// number that is no number (nan, inf) takes the field's built-in value, and
// the load names those keys once.
TEST_F(ConfigurationTest, NumbersOutOfEveryRangeLoadWithoutHarmAndNonFiniteOnesTakeTheBuiltInValue)
{
    WriteBytes(Path("odd.ini"), "[Common]\r\nLineThickness=99999999999999\r\nBright1=-99999999999999\r\n"
                                "[MirrorLine]\r\nMirrorX=1e999\r\nMirrorY=nan\r\nMirrorShift=-inf\r\n"
                                "[BaseLine]\r\nPoint0X=1e999\r\nPoint0Y=nan\r\nPoint0V=1\r\n"
                                "[CurveLeft]\r\nPoint4X=nan\r\nPoint4Y=3\r\nPoint4V=1\r\n");
    RecordedMessages messages;
    ASSERT_TRUE(LoadConfiguration(settings_, files_, Path("odd.ini")));
    EXPECT_EQ(settings_.LineThickness, 2147483647);
    EXPECT_EQ(settings_.LineBrightness, -2147483647 - 1);
    double x0 = 0, y0 = 0, x17 = 0, y17 = 0;
    unsigned char flag = 0;
    settings_.GetPoint(0, x0, y0, flag);
    settings_.GetPoint(17, x17, y17, flag);
    const struct { double actual, builtIn; } fields[] = {
        {settings_.MirrorX, 5.0}, {settings_.MirrorY, 10.0}, {settings_.MirrorShift, 0.0},
        {x0, 0.5}, {y0, 8.0}, {x17, 0.0},
    };
    for (const auto &f : fields)
        EXPECT_EQ(f.actual, f.builtIn);
    EXPECT_EQ(y17, 3.0) << "the finite half of a point stays";
    ASSERT_EQ(messages.count(), 1u);
    EXPECT_EQ(messages.all().back().text.count(QStringLiteral("] ")), 6) << qPrintable(messages.all().back().text);
    EXPECT_TRUE(messages.all().back().text.contains(QStringLiteral("[CurveLeft] Point4X")));
    ASSERT_TRUE(SaveConfiguration(settings_, files_, Path("odd.ini")));
    EXPECT_EQ(Str(StoreValue("MirrorLine", "MirrorY")), "10.");
    EXPECT_EQ(Str(StoreValue("BaseLine", "Point0Y")), "8.");
}

} // namespace
