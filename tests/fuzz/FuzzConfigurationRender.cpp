// A configuration file of arbitrary bytes: loaded into the settings record,
// handed to the renderer as the wizard's pages hand it over, and drawn: the
// guide-line picture for the module, its 1-bit conversion and the screen
// preview.
#include "FuzzSupport.h"

#include "Configuration.h"
#include "GuideLineRenderer.h"
#include "IniFile.h"
#include "ModulePicture.h"
#include "Settings.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>

namespace {

const QString &ConfigurationPath()
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("fuzz.ini"));
    return path;
}

int Saturated(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// Settings to the renderer, field by field as the pages do it: points in grid
// units, the grid shift, line style, label settings, the symmetry line in
// plane units and the indicator at 16 plane units per scale step.
void CopyToPreview(const Settings &s, GuideLineRenderer &preview)
{
    ShowGuideLines(preview, s);
    ShowLabels(preview, s);
    preview.SetMirrorLine(s.MirrorX * 40.0, s.MirrorShift * 40.0);
    preview.SetShowMirrorLine(s.MirrorUsing);
    preview.SetIndicatorPosition(Saturated(std::int64_t(s.IndicatorX) * 16), s.IndicatorY);
    preview.SetShowIndicator(s.FrontEnabled != 0 || s.RearEnabled != 0);
}

}  // namespace

int FuzzConfigurationRenderOne(const std::uint8_t *data, std::size_t size)
{
    fuzz::EnsureApplication();
    const QString &path = ConfigurationPath();
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    }
    Settings settings;
    ConfigurationFiles files;
    const bool loaded = LoadConfiguration(settings, files, path);
    if (!loaded) {
        IniFile::Clear();
        return 0;
    }
    FUZZ_CHECK(files.currentFilePath == path);

    GuideLineRenderer preview;
    CopyToPreview(settings, preview);
    // The show flags and the cursor come from the last byte, so that every
    // combination is reached without another input format.
    const std::uint8_t switches = size > 0 ? data[size - 1] : 0;
    preview.SetShowGrid(switches & 1);
    preview.SetShowPoints(switches & 2);
    preview.SetShowLines(!(switches & 4));
    preview.SetHighlightedPoint(int(switches >> 3) - 1);

    const QImage picture = preview.RenderExport();
    FUZZ_CHECK(picture.width() == GuideLineRenderer::kExportWidth);
    FUZZ_CHECK(picture.height() == GuideLineRenderer::kExportHeight);
    const ModulePicture::Buffer module = ModulePicture::ModulePictureFromImage(picture, settings.Reflection);
    // Rows past the sent ones are never drawn.
    for (int i = ModulePicture::kSentRows * ModulePicture::kRowBytes; i < ModulePicture::kBytes; ++i)
        FUZZ_CHECK(module[std::size_t(i)] == 0);

    // The screen preview at a small, non-square size.
    QImage screen(220, 200, QImage::Format_RGB32);
    screen.fill(Qt::black);
    {
        QPainter painter(&screen);
        preview.DrawScreen(painter, screen.size(), false, true);
    }

    // Writing the configuration back must work and read back to the same record.
    const QString savedPath = path + QStringLiteral(".saved");
    if (SaveConfiguration(settings, files, savedPath)) {
        Settings again;
        ConfigurationFiles otherFiles;
        FUZZ_CHECK(LoadConfiguration(again, otherFiles, savedPath));
        FUZZ_CHECK(again.FontHeight == settings.FontHeight);
        FUZZ_CHECK(again.LineThickness == settings.LineThickness);
        FUZZ_CHECK(again.SideLineMode == settings.SideLineMode);
        FUZZ_CHECK(again.LabelShiftX == settings.LabelShiftX);
        FUZZ_CHECK(again.CameraShiftY == settings.CameraShiftY);
    }
    IniFile::Clear();
    return 0;
}

TARVELLO_FUZZ_ENTRY(FuzzConfigurationRenderOne)
