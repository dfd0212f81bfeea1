// Configuration files edited by hand with numbers no page allows, loaded as
// the program loads them and drawn as the pages draw them: the export
// render, the screen preview (as the grid-shift page paints it) and every
// label mode. Run under the sanitizer preset, any overflowing conversion or
// sum on the way from the file to the pixels aborts the test.
#include "CGuideLinePreview.h"
#include "Configuration.h"
#include "GuideLinePreviewTestSupport.h"
#include "IniFile.h"
#include "PreviewSettings.h"
#include "Settings.h"

#include <QFile>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

// A typical car with every guide point enabled, dashed curves with distance
// markers, labels, the symmetry line and the parking-sensor indicator.
const char kReferenceFile[] =
    "[Common]\r\nLineThickness=3\r\nCurveThickness=2\r\nCurveTicks=15\r\nCurveTicksSpace=10\r\n"
    "[Camera]\r\nShiftX=250\r\nShiftY=45\r\n"
    "[Marker mode]\r\nSideLineMode=9\r\nBaseLineMode=10\r\nFontHeight=25\r\nShiftX=4\r\nShiftY=5\r\n"
    "BaseLineText=0.5\r\nLabelLineText1=1\r\nLabelLineText2=2\r\nLabelLineText3=3\r\nLabelLineText4=4\r\n"
    "[ParkingSensor]\r\nFrontEnabled=1\r\nRearEnabled=1\r\nMenuShift=3\r\nMenuShiftY=40\r\n"
    "[MirrorLine]\r\nMirrorX=5.0\r\nMirrorY=10.0\r\nMirrorShift=0.5\r\nMirrorUsing=1\r\n";

const char *const kPointSections[] = {"SideLineLeft", "SideLineRight", "CurveLeft", "CurveRight", "BaseLine"};
const int kPointsPerSection[] = {5, 5, 5, 5, 3};

// The integer keys on the way to the drawing.
const char *const kIntegerKeys[][2] = {
    {"Common", "LineThickness"}, {"Common", "CurveThickness"}, {"Common", "CurveTicks"},
    {"Common", "CurveTicksSpace"}, {"Camera", "ShiftY"}, {"Marker mode", "FontHeight"},
    {"Marker mode", "ShiftX"}, {"Marker mode", "ShiftY"}, {"ParkingSensor", "MenuShift"},
    {"ParkingSensor", "MenuShiftY"},
};

struct Override {
    QByteArray section;
    QByteArray key;
    QByteArray value;
};

// The reference file with its points in place, then the overrides.
QByteArray ConfigurationFile(const std::vector<Override> &overrides)
{
    IniFile::Clear();
    EXPECT_TRUE(IniFile::LoadBytes(kReferenceFile));
    for (int s = 0; s < 5; ++s) {
        for (int i = 0; i < kPointsPerSection[s]; ++i) {
            // The reference points of the slots this section holds.
            const int slot = s == 4 ? i : 3 + s * 5 + i;
            const GridPoint *p = std::find_if(std::begin(kReferencePoints), std::end(kReferencePoints),
                                              [&](const GridPoint &g) { return g.slot == slot; });
            const double x = p != std::end(kReferencePoints) ? p->x : 5.0 + i * 0.3;
            const double y = p != std::end(kReferencePoints) ? p->y : 4.0 - i * 0.3;
            const QByteArray key = "Point" + QByteArray::number(i);
            IniFile::SetDouble(kPointSections[s], key + 'X', x);
            IniFile::SetDouble(kPointSections[s], key + 'Y', y);
            IniFile::SetValue(kPointSections[s], key + 'V', "1");
        }
    }
    for (const Override &o : overrides)
        IniFile::SetValue(o.section, o.key, o.value);
    const QByteArray bytes = IniFile::SaveBytes();
    IniFile::Clear();
    return bytes;
}

// Every point coordinate and every integer key, alternating between two
// values each, so that neighbouring samples lie at opposite extremes.
std::vector<Override> Everywhere(const char *pointA, const char *pointB, const char *intA, const char *intB)
{
    std::vector<Override> all;
    int n = 0;
    for (int s = 0; s < 5; ++s) {
        for (int i = 0; i < kPointsPerSection[s]; ++i) {
            const QByteArray key = "Point" + QByteArray::number(i);
            all.push_back({kPointSections[s], key + 'X', n++ % 2 ? pointB : pointA});
            all.push_back({kPointSections[s], key + 'Y', n % 3 ? pointA : pointB});
        }
    }
    for (size_t k = 0; k < std::size(kIntegerKeys); ++k)
        all.push_back({kIntegerKeys[k][0], kIntegerKeys[k][1], k % 2 ? intB : intA});
    all.push_back({"MirrorLine", "MirrorX", pointA});
    all.push_back({"MirrorLine", "MirrorShift", pointB});
    return all;
}

struct HostileCase {
    const char *name;
    std::vector<Override> overrides;
    int lineThickness;  // as the record holds it after the load
};

std::vector<HostileCase> HostileCases()
{
    return {
        {"one border point at 99999999999", {{"SideLineLeft", "Point2X", "99999999999"}}, 3},
        {"one base point at -99999999999",
         {{"BaseLine", "Point1Y", "-99999999999"}, {"SideLineRight", "Point0X", "-99999999999"}}, 3},
        {"huge", Everywhere("99999999999", "-99999999999", "99999999999", "-99999999999"), INT_MAX},
        {"int extremes", Everywhere("2147483647", "-2147483648", "2147483647", "-2147483648"), INT_MAX},
        {"one past the int extremes", Everywhere("53687091.2", "-53687091.2", "-2147483649", "2147483648"),
         INT_MIN},
        {"1e308", Everywhere("1e308", "-1e308", "1e308", "-1e308"), 1},
        {"infinite", Everywhere("1e999", "-1e999", "-1", "0"), -1},
        {"NaN-like text", Everywhere("nan", "-nan(123)", "nan", "inf"), 0},
        {"hexadecimal and subnormal", Everywhere("0x1p1023", "4.9e-324", "0x7fffffff", "+-5"), 0},
        {"dash and gap at the extremes",
         {{"Common", "CurveTicks", "2147483647"}, {"Common", "CurveTicksSpace", "-2147483648"},
          {"Common", "CurveThickness", "2147483647"}, {"CurveLeft", "Point4X", "99999999999"}},
         3},
        {"labels far away",
         {{"Marker mode", "ShiftX", "-2147483648"}, {"Marker mode", "ShiftY", "2147483647"},
          {"Marker mode", "FontHeight", "-2147483648"}, {"Camera", "ShiftY", "-2147483648"}},
         3},
    };
}

// What the pages hand the preview on top of the guide lines and labels: the
// symmetry line in plane units and the indicator, clamped as the
// parking-sensor page clamps it.
void ShowEverything(CGuideLinePreview &preview, const Settings &s)
{
    ShowGuideLines(preview, s);
    ShowLabels(preview, s);
    preview.SetMirrorLine(s.MirrorX * 40.0, s.MirrorShift * 40.0);
    preview.SetShowMirrorLine(true);
    preview.SetIndicatorPosition(std::clamp(s.IndicatorX, 0, 10) * 16, std::clamp(s.IndicatorY, 0, 255));
    preview.SetShowIndicator(true);
    preview.SetHighlightedPoint(5);
}

int ColourPixels(const QImage &picture, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            n += picture.pixel(x, y) == colour;
    return n;
}

int DifferingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

class HostileConfigurationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        IniFile::Clear();
    }
    void TearDown() override { IniFile::Clear(); }

    // Loads the bytes through the configuration command, as File Load does.
    bool Load(const QByteArray &bytes, Settings &settings)
    {
        const QString path = dir_.filePath(QStringLiteral("hostile.ini"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
        file.close();
        ConfigurationFiles files;
        return LoadConfiguration(settings, files, path);
    }

    QTemporaryDir dir_;
};

TEST_F(HostileConfigurationTest, everyNumberAFileCanHoldLoadsAndDraws)
{
    RecordedMessages messages;
    for (const HostileCase &c : HostileCases()) {
        SCOPED_TRACE(c.name);
        Settings settings;
        ASSERT_TRUE(Load(ConfigurationFile(c.overrides), settings));
        EXPECT_EQ(settings.LineThickness, c.lineThickness);
        EXPECT_EQ(std::count(settings.PointFlags.begin(), settings.PointFlags.begin() + 23, 1), 23);

        CGuideLinePreview preview;
        ShowEverything(preview, settings);
        for (int mode = 0; mode <= 10; ++mode) {
            preview.SetSideLineMode(mode);
            preview.SetBaseLineMode(mode);
            preview.RenderExport();
        }
        // The screen preview as the grid-shift page paints it, at its usual
        // size and at twice that, and on a screen of twice the pixel density
        // (where Qt strokes the wide lines itself).
        ScreenRender(preview);
        ScreenRender(preview, {880, 700});
        preview.resize(440, 350);
        QImage dense(880, 700, QImage::Format_RGB32);
        dense.setDevicePixelRatio(2.0);
        dense.fill(Qt::black);
        {
            QPainter painter(&dense);
            preview.Draw(painter, false);
        }
        EXPECT_GT(ColourPixels(dense, qRgb(128, 128, 128)), 800) << "the frame is drawn";
    }
    // Only numbers that are no numbers are said, as taken for built-in values.
    for (const UserMessage &message : messages.all())
        EXPECT_TRUE(message.text.contains(QStringLiteral("не числа"))) << qPrintable(message.text);
}

// Labels whose anchors lie far outside the picture (right border points at
// 99999999999) are not drawn at all: in particular their black boxes do not
// cut through the lines that are in the picture.
TEST_F(HostileConfigurationTest, labelsFarOutsideThePictureLeaveItAsWithoutThem)
{
    std::vector<Override> farRight;
    for (int i = 0; i < 5; ++i)
        farRight.push_back({"SideLineRight", "Point" + QByteArray::number(i) + 'X', "99999999999"});
    for (const char *shift : {"0", "4", "-400", "2147483647"}) {
        SCOPED_TRACE(shift);
        std::vector<Override> overrides = farRight;
        overrides.push_back({"Marker mode", "ShiftX", shift});
        Settings settings;
        ASSERT_TRUE(Load(ConfigurationFile(overrides), settings));
        CGuideLinePreview preview;
        ShowGuideLines(preview, settings);
        ShowLabels(preview, settings);
        preview.SetSideLineMode(0);
        preview.SetBaseLineMode(0);
        const QImage plain = preview.RenderExport();
        // Right at the points, and the base-line label right at the point.
        preview.SetSideLineMode(2);
        preview.SetBaseLineMode(3);
        const QImage labelled = preview.RenderExport();
        EXPECT_EQ(DifferingPixels(labelled, plain), 0);
    }
}

// A label text as long as a file can make it is drawn as its first 1024
// characters, which already reach far past the picture.
TEST_F(HostileConfigurationTest, aVeryLongLabelDrawsAsItsBeginning)
{
    auto render = [&](qsizetype length) {
        Settings settings;
        EXPECT_TRUE(Load(ConfigurationFile({{"Marker mode", "SideLineMode", "3"},
                                            {"Marker mode", "BaseLineMode", "1"},
                                            {"Marker mode", "LabelLineText2", QByteArray(length, '8')},
                                            {"Marker mode", "BaseLineText", QByteArray(length, 'W')}}),
                         settings));
        CGuideLinePreview preview;
        ShowGuideLines(preview, settings);
        ShowLabels(preview, settings);
        return preview.RenderExport();
    };
    const QImage shown = render(1024);
    EXPECT_EQ(DifferingPixels(render(200000), shown), 0);
    EXPECT_GT(DifferingPixels(render(2), shown), 0);
}

}  // namespace
