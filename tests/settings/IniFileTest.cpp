#include "SettingsTestSupport.h"

#include <QElapsedTimer>

#include <cmath>
#include <limits>

namespace {

using Store = StoreTest;

QByteArray Value(const char *section, const char *key)
{
    QByteArray value("untouched");
    if (!IniFile::GetValue(section, key, value))
        return QByteArray("<absent>");
    return value;
}

// The store's records as "S|K=V" lines ("[S]" for headers), for order checks.
std::vector<std::string> Layout()
{
    std::vector<std::string> lines;
    for (const IniRecord &r : IniFile::Content)
        lines.push_back(r.IsSection() ? "[" + Str(r.Section) + "]" : Str(r.Section + "|" + r.Key + "=" + r.Value));
    return lines;
}

TEST_F(Store, RoundTripKeepsBytesWithCrLf)
{
    const QByteArray file = "; camera mount\r\n[Common]\r\nLineThickness=3\r\nCustomFileLines=\r\n"
                            "# comment two\r\n;  spaced comment\r\n[Camera]\r\nShiftX=10\r\n";
    WriteBytes(Path("in.ini"), file);
    ASSERT_TRUE(IniFile::LoadFile(Path("in.ini")));
    ASSERT_TRUE(IniFile::SaveFile(Path("out.ini")));
    EXPECT_EQ(Str(ReadBytes(Path("out.ini"))), Str(file));
}

TEST_F(Store, LfOnlyInputIsReadLikeCrLfAndWrittenWithCrLf)
{
    IniFile::LoadBytes("[Common]\nLineThickness=3\n; note\n[Camera]\nShiftX=10\n");
    const auto lfLayout = Layout();
    const QByteArray lfSaved = IniFile::SaveBytes();
    IniFile::LoadBytes("[Common]\r\nLineThickness=3\r\n; note\r\n[Camera]\r\nShiftX=10\r\n");
    EXPECT_EQ(Layout(), lfLayout);
    EXPECT_EQ(Str(IniFile::SaveBytes()), Str(lfSaved));
    EXPECT_EQ(Str(lfSaved), "[Common]\r\nLineThickness=3\r\n; note\r\n[Camera]\r\nShiftX=10\r\n");
}

TEST_F(Store, LoneCrAndUtf8WithByteOrderMarkAreReadLikeCrLfWindows1251)
{
    const QByteArray crLf = "; note\r\n[Marker mode]\r\nBaseLineText=0.5 \xEC\r\nLabelLineText1=?1\r\n[Common]\r\n";
    const struct {
        QByteArray file;
        bool utf8;
    } cases[] = {
        {"; note\r[Marker mode]\rBaseLineText=0.5 \xEC\rLabelLineText1=?1\r[Common]", false},
        {"; note\r\r\n[Marker mode]\nBaseLineText=0.5 \xEC\r\rLabelLineText1=?1\n\r[Common]\r", false},
        {"\xEF\xBB\xBF; note\r\n[Marker mode]\r\nBaseLineText=0.5 \xD0\xBC\r\nLabelLineText1=\xE4\xB8\xAD" "1\r\n[Common]\r\n",
         true},
        {"\xEF\xBB\xBF; note\r[Marker mode]\rBaseLineText=0.5 \xD0\xBC\rLabelLineText1=\xF0\x9F\x98\x80" "1\r[Common]",
         true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(Str(c.file));
        ASSERT_TRUE(IniFile::LoadBytes(c.file));
        EXPECT_EQ(IniFile::ReadAsUtf8, c.utf8);
        EXPECT_EQ(Str(Value("Marker mode", "BaseLineText")), "0.5 \xEC");
        EXPECT_EQ(Str(IniFile::SaveBytes()), Str(crLf)) << "Windows-1251, CR LF, no mark";
    }
}

TEST_F(Store, LastLineWithoutLineFeedIsRead)
{
    IniFile::LoadBytes("[Common]\r\nBright1=60\r\nBright2=40");
    int32_t bright2 = 0;
    EXPECT_TRUE(IniFile::GetInt("Common", "Bright2", bright2));
    EXPECT_EQ(bright2, 40);
    EXPECT_EQ(Str(IniFile::SaveBytes()), "[Common]\r\nBright1=60\r\nBright2=40\r\n");
}

TEST_F(Store, CommentsStayAboveTheirLineAndAfterTheLastRecord)
{
    IniFile::LoadBytes("[Common]\nA=1\n   ; about the camera   \n[Camera]\nShiftX=1\n# trailing one\n;trailing two\n");
    ASSERT_EQ(IniFile::Content.size(), 4u);
    EXPECT_EQ(Str(IniFile::Content[2].Comments), "; about the camera\n");
    EXPECT_EQ(Str(IniFile::TrailingComments), "# trailing one\n;trailing two\n");
    // A section added later goes before the trailing comments.
    IniFile::SetValue("Stage", "CurrentStage", "0");
    EXPECT_EQ(Str(IniFile::SaveBytes()), "[Common]\r\nA=1\r\n; about the camera\r\n[Camera]\r\nShiftX=1\r\n"
                                         "[Stage]\r\nCurrentStage=0\r\n# trailing one\r\n;trailing two\r\n");
}

TEST_F(Store, KeysAndValuesAreTrimmedOnlyAtTheLineEnds)
{
    IniFile::LoadBytes("[Camera]\n  ShiftX = 10  \n\tShiftY=\t5\t\n");
    EXPECT_EQ(Str(Value("Camera", "ShiftX")), "<absent>");
    EXPECT_EQ(Str(Value("Camera", "ShiftX ")), " 10");
    EXPECT_EQ(Str(Value("Camera", "ShiftY")), "\t5");
    int32_t y = 0;
    EXPECT_TRUE(IniFile::GetInt("Camera", "ShiftY", y));
    EXPECT_EQ(y, 5);  // leading blanks are skipped by the conversion
    EXPECT_EQ(Str(IniFile::SaveBytes()), "[Camera]\r\nShiftX = 10\r\nShiftY=\t5\r\n");
}

TEST_F(Store, CommentedOutKeysAndHeadersAreFoundAndWrittenActive)
{
    IniFile::LoadBytes("#[Common]\n#LineThickness=3\n; Bright1 = 60\n;plain words\n; see [Camera\n#=5\n");
    ASSERT_EQ(IniFile::Content.size(), 3u);
    EXPECT_EQ(IniFile::Content[0].Commented, '#');
    EXPECT_EQ(IniFile::Content[1].Commented, '#');
    EXPECT_EQ(IniFile::Content[2].Commented, ';');
    EXPECT_EQ(Str(Value("Common", "LineThickness")), "3");
    EXPECT_EQ(Str(Value("Common", "Bright1 ")), " 60");
    EXPECT_EQ(Str(IniFile::SaveBytes()),
              "[Common]\r\nLineThickness=3\r\nBright1 = 60\r\n;plain words\r\n; see [Camera\r\n#=5\r\n");
}

TEST_F(Store, HeaderLinesTakeTheNameUpToTheFirstClosingBracket)
{
    IniFile::LoadBytes("[Camera] ; the grid\nShiftX=1\n[Broken\nShiftY=2\n[]\nLoose=3\n");
    EXPECT_EQ(Layout(), (std::vector<std::string>{"[Camera]", "Camera|ShiftX=1", "Camera|ShiftY=2", "[]", "|Loose=3"}));
}

TEST_F(Store, ValuesWithBracketsStayKeyLines)
{
    // Texts and picture paths are the installer's own and may hold brackets.
    IniFile::LoadBytes("[Common]\nCustomFileLines=/home/u/[2024]/lines.bmp\nBright1=60\n");
    EXPECT_EQ(Str(Value("Common", "CustomFileLines")), "/home/u/[2024]/lines.bmp");
    EXPECT_EQ(Str(Value("Common", "Bright1")), "60");
}

TEST_F(Store, LinesThatAreNeitherHeaderNorKeyAreKeptWhereTheyStood)
{
    const QByteArray file = "[Camera]\r\nShiftX=1\r\nsome words\r\n=orphan value\r\nShiftY=2\r\n";
    IniFile::LoadBytes(file);
    EXPECT_EQ(Layout(), (std::vector<std::string>{"[Camera]", "Camera|ShiftX=1", "Camera|ShiftY=2"}));
    EXPECT_EQ(Str(IniFile::SaveBytes()), Str(file));
}

TEST_F(Store, DuplicateSectionsAndKeysReadAndChangeTheFirstOnly)
{
    IniFile::LoadBytes("[Common]\nBright1=10\nBright1=20\n[Camera]\nShiftX=1\n[Common]\nBright1=30\nBright2=40\n");
    int32_t v = 0;
    ASSERT_TRUE(IniFile::GetInt("Common", "Bright1", v));
    EXPECT_EQ(v, 10);
    ASSERT_TRUE(IniFile::GetInt("Common", "Bright2", v));
    EXPECT_EQ(v, 40);
    IniFile::SetInt("Common", "Bright1", 55);
    IniFile::SetInt("Common", "New", 1);  // after the first header of the section
    EXPECT_EQ(Str(IniFile::SaveBytes()), "[Common]\r\nNew=1\r\nBright1=55\r\nBright1=20\r\n[Camera]\r\nShiftX=1\r\n"
                                         "[Common]\r\nBright1=30\r\nBright2=40\r\n");
}

TEST_F(Store, SetValueInsertsNewKeysNewestFirstAndAppendsNewSections)
{
    IniFile::LoadBytes("; head\n[S]\nOld=1\n[T]\nX=2\n");
    IniFile::SetValue("S", "A", "a");
    IniFile::SetValue("S", "B", "b");
    IniFile::SetValue("S", "C", "c");
    IniFile::SetValue("U", "K", "v");
    IniFile::SetValue("S", "Old", "changed");
    EXPECT_EQ(Layout(), (std::vector<std::string>{"[S]", "S|C=c", "S|B=b", "S|A=a", "S|Old=changed", "[T]", "T|X=2",
                                                  "[U]", "U|K=v"}));
    EXPECT_EQ(Str(IniFile::Content[0].Comments), "; head\n");
}

TEST_F(Store, ChangingAValueKeepsItsCommentsAndMarker)
{
    IniFile::LoadBytes("[Common]\n; thickness in pixels\n#LineThickness=3\n");
    IniFile::SetInt("Common", "LineThickness", 4);
    const auto record = IniFile::GetRecord("Common", "LineThickness");
    ASSERT_TRUE(record);
    EXPECT_EQ(Str(record->Comments), "; thickness in pixels\n");
    EXPECT_EQ(record->Commented, '#');
    EXPECT_EQ(Str(record->Value), "4");
}

TEST_F(Store, LookupsAreExactAndAbsentValuesLeaveOutputs)
{
    IniFile::LoadBytes("[Common]\nLineThickness=3\n");
    EXPECT_TRUE(IniFile::SectionExists("Common"));
    EXPECT_FALSE(IniFile::SectionExists("common"));
    EXPECT_TRUE(IniFile::RecordExists("Common", "LineThickness"));
    EXPECT_FALSE(IniFile::RecordExists("Common", "linethickness"));
    EXPECT_FALSE(IniFile::GetRecord("Camera", "LineThickness"));
    int32_t i = 77;
    double d = 7.5;
    int32_t b = 9;
    EXPECT_FALSE(IniFile::GetInt("Common", "Missing", i));
    EXPECT_FALSE(IniFile::GetDouble("Common", "Missing", d));
    EXPECT_FALSE(IniFile::GetBool("Common", "Missing", b));
    EXPECT_EQ(i, 77);
    EXPECT_EQ(d, 7.5);
    EXPECT_EQ(b, 9);
    QByteArray text("previous");
    EXPECT_FALSE(IniFile::GetValue("Common", "Missing", text));
    EXPECT_TRUE(text.isEmpty());
}

TEST_F(Store, FailedLoadKeepsThePreviousContent)
{
    IniFile::LoadBytes("[Common]\nLineThickness=3\n");
    QString reason;
    EXPECT_FALSE(IniFile::LoadFile(Path("missing.ini"), &reason));
    EXPECT_FALSE(reason.isEmpty());
    int32_t v = 0;
    EXPECT_TRUE(IniFile::GetInt("Common", "LineThickness", v));
    EXPECT_EQ(v, 3);
}

TEST(IniConversion, IntegersReadLikeStrtolSaturatedToInt32)
{
    const struct {
        const char *text;
        int32_t expected;
    } cases[] = {
        {"42", 42},         {"-255", -255},     {"+7", 7},          {"  \t12", 12},        {"12abc", 12},
        {"abc", 0},         {"", 0},            {"-", 0},           {"0x1F", 0},           {"3.9", 3},
        {"007", 7},         {"2147483647", 2147483647},             {"2147483648", 2147483647},
        {"-2147483648", std::numeric_limits<int32_t>::min()},      {"-99999999999999999999", std::numeric_limits<int32_t>::min()},
        {"99999999999999999999999999", 2147483647},                {"1e999", 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IniFile::ToInt(c.text), c.expected) << c.text;
}

TEST(IniConversion, BooleansAreAnyNonZeroNumber)
{
    IniFile::Clear();
    IniFile::LoadBytes("[B]\nTwo=2\nZero=0\nWord=yes\nNeg=-1\nBig=99999999999\n");
    const struct {
        const char *key;
        int32_t expected;
    } cases[] = {{"Two", 1}, {"Zero", 0}, {"Word", 0}, {"Neg", 1}, {"Big", 1}};
    for (const auto &c : cases) {
        int32_t v = 5;
        EXPECT_TRUE(IniFile::GetBool("B", c.key, v));
        EXPECT_EQ(v, c.expected) << c.key;
    }
    IniFile::SetBool("B", "Five", 5);
    IniFile::SetBool("B", "Off", 0);
    IniFile::SetInt("B", "Negative", -255);
    EXPECT_EQ(Str(Value("B", "Five")), "1");
    EXPECT_EQ(Str(Value("B", "Off")), "0");
    EXPECT_EQ(Str(Value("B", "Negative")), "-255");
    IniFile::Clear();
}

TEST(IniConversion, DoublesReadInTheCLocaleWhateverTheProcessLocale)
{
    // Qt takes the process locale from the environment; a comma locale must
    // not change how files are read.
    const char *previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    const bool commaLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "ru_RU.UTF-8");
    const struct {
        const char *text;
        double expected;
    } cases[] = {
        {"0.5", 0.5},   {"8.", 8.0},      {"5.e-002", 0.05}, {"-2.5e-002", -0.025}, {"  12abc", 12.0},
        {"abc", 0.0},   {"", 0.0},        {"1,5", 1.0},      {"+3.25", 3.25},       {"1.235e+004", 12350.0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IniFile::ToDouble(c.text), c.expected) << c.text << (commaLocale ? " (comma locale)" : "");
    EXPECT_TRUE(std::isinf(IniFile::ToDouble("1e999")));
    EXPECT_GT(IniFile::ToDouble("1e999"), 0.0);
    EXPECT_EQ(IniFile::ToDouble("1e-999"), 0.0);
    EXPECT_TRUE(std::isnan(IniFile::ToDouble("nan")));
    EXPECT_EQ(IniFile::ToDouble(QByteArrayView("7\0" "5", 3)), 7.0);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(IniConversion, DoublesAreWrittenWithFourSignificantDigits)
{
    const struct {
        double value;
        const char *expected;
    } cases[] = {
        {0.5, "0.5"},          {8.0, "8."},          {10.0, "10."},         {0.0, "0."},          {-0.0, "0."},
        {-1.0, "-1."},         {12.0, "12."},        {7.55, "7.55"},        {1.23456, "1.235"},   {0.05, "5.e-002"},
        {-0.05, "-5.e-002"},   {0.025, "2.5e-002"},  {12345.0, "1.235e+004"}, {0.1, "0.1"},       {0.09999, "9.999e-002"},
        {0.099996, "1.e-001"}, {9999.0, "9999."},    {9999.5, "10000."},    {0.99996, "1."},      {10000.0, "1.e+004"},
        {123.456, "123.5"},    {-3.4, "-3.4"},       {1e-300, "1.e-300"},   {1.5e300, "1.5e+300"}, {4.8, "4.8"},
        {6.6000000000000005, "6.6"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Str(IniFile::FormatDouble(c.value)), c.expected) << c.value;
    EXPECT_EQ(Str(IniFile::FormatDouble(std::numeric_limits<double>::infinity())), "inf");
    EXPECT_EQ(Str(IniFile::FormatDouble(-std::numeric_limits<double>::infinity())), "-inf");
    EXPECT_EQ(Str(IniFile::FormatDouble(std::nan(""))), "nan");
    // What is written reads back as the number rounded to four digits.
    EXPECT_EQ(IniFile::ToDouble(IniFile::FormatDouble(0.05)), 0.05);
    EXPECT_EQ(IniFile::ToDouble(IniFile::FormatDouble(12345.0)), 12350.0);
    EXPECT_EQ(IniFile::ToDouble(IniFile::FormatDouble(-7.55)), -7.55);
    EXPECT_TRUE(std::isinf(IniFile::ToDouble(IniFile::FormatDouble(-std::numeric_limits<double>::infinity()))));
    EXPECT_TRUE(std::isnan(IniFile::ToDouble(IniFile::FormatDouble(std::nan("")))));
}

TEST(IniConversion, TrimRemovesOnlyTheGivenSetAtBothEnds)
{
    EXPECT_EQ(Str(IniFile::Trim(" \t a b \r\n", " \t\r\n")), "a b");
    EXPECT_EQ(Str(IniFile::Trim("xxaxx", "x")), "a");
    EXPECT_EQ(Str(IniFile::Trim("xxxx", "x")), "");
    EXPECT_EQ(Str(IniFile::Trim("abc", "")), "abc");
}

TEST_F(Store, GarbageWithNulBytesAndLongLinesIsReadWithoutHarm)
{
    QByteArray garbage;
    for (int i = 0; i < 200000; ++i)
        garbage.append(char((i * 7919) % 256));
    garbage.append(QByteArray("\0\0[Common]\0\nBright1=6\0" "0\n", 23));
    IniFile::LoadBytes(garbage);
    const QByteArray saved = IniFile::SaveBytes();
    IniFile::LoadBytes(saved);
    EXPECT_EQ(Str(IniFile::SaveBytes()), Str(saved)) << "a second round trip changes nothing";

    // One line of 1 MB: one key with the whole value.
    const QByteArray longValue(1 << 20, 'v');
    IniFile::LoadBytes("[Common]\nCustomFileLines=" + longValue + "\n");
    QByteArray value;
    ASSERT_TRUE(IniFile::GetValue("Common", "CustomFileLines", value));
    EXPECT_EQ(value.size(), longValue.size());

    // A 1 MB line of brackets and equal signs, without a line feed.
    IniFile::LoadBytes(QByteArray(1 << 20, '['));
    EXPECT_TRUE(IniFile::Content.empty());
    IniFile::LoadBytes(QByteArray(1 << 20, '='));
    EXPECT_TRUE(IniFile::Content.empty());
    EXPECT_EQ(IniFile::TrailingComments.size(), (1 << 20) + 1);
}

TEST_F(Store, StoresOverTheRecordLimitAreRefused)
{
    IniFile::LoadBytes("[Common]\nBright1=60\n");
    QByteArray many = "[S]\n" + QByteArray("k=\n").repeated(IniFile::MaxRecords - 1);
    ASSERT_TRUE(IniFile::LoadBytes(many)) << "exactly at the limit";
    EXPECT_EQ(qsizetype(IniFile::Content.size()), IniFile::MaxRecords);
    IniFile::LoadBytes("[Common]\nBright1=60\n");
    many += "k=\n";
    QString reason;
    EXPECT_FALSE(IniFile::LoadBytes(many, &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(Str(Value("Common", "Bright1")), "60");
    // Comment lines cost no records.
    EXPECT_TRUE(IniFile::LoadBytes(QByteArray("; note\n").repeated(IniFile::MaxRecords + 10) + "[S]\nk=1\n"));
    EXPECT_EQ(IniFile::Content.size(), 2u);
}

TEST_F(Store, TooLargeFilesAndNonFilesAreRefusedWithAReason)
{
    IniFile::LoadBytes("[Common]\nBright1=60\n");
    QFile big(Path("big.ini"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(IniFile::MaxFileSize + 1));  // sparse
    big.close();
    QString reason;
    EXPECT_FALSE(IniFile::LoadFile(Path("big.ini"), &reason));
    EXPECT_FALSE(reason.isEmpty());
    reason.clear();
    EXPECT_FALSE(IniFile::LoadFile(dir_.path(), &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(IniFile::LoadFile(QStringLiteral("/dev/zero")));
    EXPECT_FALSE(IniFile::LoadFile(QString()));
    EXPECT_EQ(Str(Value("Common", "Bright1")), "60");
}

} // namespace
