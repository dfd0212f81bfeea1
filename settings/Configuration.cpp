#include "Configuration.h"

#include "FileSave.h"
#include "IniFile.h"
#include "UserMessage.h"
#include "UserQuestion.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cstdint>

namespace {

// Sections of the configuration file.
constexpr char kCommon[] = "Common";
constexpr char kCamera[] = "Camera";
constexpr char kMarker[] = "Marker mode";
constexpr char kParking[] = "ParkingSensor";
constexpr char kStage[] = "Stage";
constexpr char kMirror[] = "MirrorLine";

constexpr char kFileCodec[] = "windows-1251";

// A section of guide points and the record slots it holds.
struct PointGroup {
    const char *section;
    int firstSlot;
    int count;
};

// In the order in which files are read and written.
constexpr PointGroup kPointGroups[] = {
    {"SideLineLeft", 3, 5}, {"SideLineRight", 8, 5}, {"CurveLeft", 13, 5}, {"CurveRight", 18, 5}, {"BaseLine", 0, 3},
};

// Built-in points of a new configuration, grid units, as their file texts,
// per group in the order above.
constexpr const char *kNewPoints[5][5][2] = {
    {{"0.5", "8.0"}, {"1.0", "6.0"}, {"1.8", "4.0"}, {"2.5", "3.0"}, {"3.4", "2.0"}},
    {{"9.5", "8.0"}, {"9.0", "6.0"}, {"8.2", "4.0"}, {"7.5", "3.0"}, {"6.6", "2.0"}},
    {{"1.0", "7.0"}, {"3.0", "4.8"}, {"9.0", "2.0"}, {"0", "-1"}, {"0", "-1"}},
    {{"9.0", "7.0"}, {"7.0", "4.8"}, {"1.0", "2.0"}, {"0", "-1"}, {"0", "-1"}},
    {{"0.5", "8.0"}, {"5.0", "9.0"}, {"9.5", "8.0"}, {nullptr, nullptr}, {nullptr, nullptr}},
};

QByteArray PointKey(int index, char axis)
{
    QByteArray key("Point");
    key.append(char('0' + index)).append(axis);
    return key;
}

QByteArray LabelKey(int index)
{
    return QByteArray("LabelLineText").append(char('1' + index));
}

QString FromFileText(const QByteArray &bytes)
{
    QStringDecoder decoder(kFileCodec);
    return decoder.decode(bytes);
}

// One line of a file cannot hold a line break: it becomes a blank, so that a
// text can never cut its key line in two or add lines of its own. Characters
// that Windows-1251 lacks become '?'.
QByteArray ToFileText(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return IniFile::ToFileEncoding(text);
}

void ReadInt(const char *section, const char *key, int &field)
{
    int32_t value = 0;
    if (IniFile::GetInt(section, key, value))
        field = value;
}

void ReadFlag(const char *section, const char *key, bool &field)
{
    int32_t value = 0;
    if (IniFile::GetBool(section, key, value))
        field = value != 0;
}

void ReadDouble(const char *section, const char *key, double &field)
{
    IniFile::GetDouble(section, key, field);
}

void ReadText(const char *section, QByteArrayView key, QString &field)
{
    QByteArray value;
    if (IniFile::GetValue(section, key, value))
        field = FromFileText(value);
}

void WriteText(const char *section, QByteArrayView key, const QString &text)
{
    IniFile::SetValue(section, key, ToFileText(text));
}

// Fills the record from the store, key by key in file order; a key that is
// absent leaves its field as it was.
void FillFromStore(Settings &s, bool resetLabels)
{
    ReadInt(kCommon, "WarningEnabled", s.WarningEnabled);
    ReadFlag(kCommon, "Reflection", s.Reflection);
    ReadInt(kCommon, "LineThickness", s.LineThickness);
    ReadInt(kCommon, "CurveThickness", s.CurveThickness);
    ReadInt(kCommon, "CurveTicks", s.CurveTicks);
    ReadInt(kCommon, "CurveTicksSpace", s.CurveTicksSpace);
    ReadText(kCommon, "CustomFileLines", s.CustomFileLines);
    ReadText(kCommon, "CustomFileWarning", s.CustomFileWarning);
    ReadInt(kCommon, "Bright1", s.Bright1);
    ReadInt(kCommon, "Bright2", s.Bright2);

    // The grid shift changes only as a pair.
    int32_t shiftX = 0;
    int32_t shiftY = 0;
    const bool haveX = IniFile::GetInt(kCamera, "ShiftX", shiftX);
    const bool haveY = IniFile::GetInt(kCamera, "ShiftY", shiftY);
    if (haveX && haveY)
        s.SetCameraShift(shiftX, shiftY);

    // A file without label texts shows the plain distances.
    if (resetLabels) {
        for (int i = 0; i < 4; ++i)
            s.LabelLineText[i] = QString::number(i + 1);
    }
    ReadInt(kMarker, "SideLineMode", s.SideLineMode);
    ReadInt(kMarker, "BaseLineMode", s.BaseLineMode);
    ReadText(kMarker, "BaseLineText", s.BaseLineText);
    for (int i = 0; i < 4; ++i)
        ReadText(kMarker, LabelKey(i), s.LabelLineText[i]);
    ReadInt(kMarker, "FontHeight", s.FontHeight);
    ReadInt(kMarker, "ShiftX", s.LabelShiftX);
    ReadInt(kMarker, "ShiftY", s.LabelShiftY);

    // A point changes only when all three of its keys are there.
    for (const PointGroup &group : kPointGroups) {
        for (int i = 0; i < group.count; ++i) {
            double x = 0.0;
            double y = 0.0;
            int32_t enabled = 0;
            const bool haveX = IniFile::GetDouble(group.section, PointKey(i, 'X'), x);
            const bool haveY = IniFile::GetDouble(group.section, PointKey(i, 'Y'), y);
            const bool haveV = IniFile::GetBool(group.section, PointKey(i, 'V'), enabled);
            if (haveX && haveY && haveV)
                s.SetPoint(group.firstSlot + i, x, y, static_cast<unsigned char>(enabled));
        }
    }

    ReadInt(kParking, "FrontEnabled", s.FrontEnabled);
    ReadInt(kParking, "RearEnabled", s.RearEnabled);
    ReadInt(kParking, "MenuShift", s.MenuShift);
    ReadInt(kParking, "MenuShiftY", s.MenuShiftY);
    // "SountEnabled" and "CurrentStage" occur in files but carry nothing the
    // record holds: they are not taken in.

    ReadDouble(kMirror, "MirrorX", s.MirrorX);
    ReadDouble(kMirror, "MirrorY", s.MirrorY);
    ReadDouble(kMirror, "MirrorShift", s.MirrorShift);
    ReadFlag(kMirror, "MirrorUsing", s.MirrorUsing);
}

bool SamePath(const QString &a, const QString &b)
{
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath() || IsSameFile(a, b);
}

// The file at path has been loaded or written: nothing of it is left to lose.
void ForgetUnloaded(ConfigurationFiles &files, const QString &path)
{
    files.unloadedFiles.removeIf([&](const QString &unloaded) { return SamePath(unloaded, path); });
}

void ReportSaveFailure(const QString &path, const QString &reason)
{
    ShowMessage(UserMessage{
        QCoreApplication::translate("Configuration", "Не удалось сохранить файл конфигурации «%1».\n%2")
            .arg(path, reason),
        ProgramCaption(), UserMessage::Icon::Error, QString()});
}

} // namespace

bool NewConfiguration(Settings &settings, ConfigurationFiles &files)
{
    IniFile::SetValue(kCommon, "WarningEnabled", "0");
    IniFile::SetValue(kCommon, "Reflection", "0");
    IniFile::SetValue(kCommon, "LineThickness", "2");
    IniFile::SetValue(kCommon, "CurveThickness", "2");
    IniFile::SetValue(kCommon, "CurveTicks", "15");
    IniFile::SetValue(kCommon, "CurveTicksSpace", "15");
    IniFile::SetValue(kCommon, "CustomFileLines", "");
    IniFile::SetValue(kCommon, "CustomFileWarning", "");
    // Older files' brightness keys: written with the built-in values, never read.
    IniFile::SetValue(kCommon, "Brightness1", "80");
    IniFile::SetValue(kCommon, "Brightness2", "25");

    IniFile::SetValue(kCamera, "ShiftX", "250");
    IniFile::SetValue(kCamera, "ShiftY", "45");

    IniFile::SetValue(kMarker, "SideLineMode", "0");
    IniFile::SetValue(kMarker, "BaseLineMode", "0");
    WriteText(kMarker, "BaseLineText", QStringLiteral("0.5 м"));
    for (int i = 0; i < 4; ++i)
        IniFile::SetValue(kMarker, LabelKey(i), QByteArray::number(i + 1));
    IniFile::SetValue(kMarker, "FontHeight", "25");
    IniFile::SetValue(kMarker, "ShiftX", "0");
    IniFile::SetValue(kMarker, "ShiftY", "5");

    for (int g = 0; g < 5; ++g) {
        const PointGroup &group = kPointGroups[g];
        for (int i = 0; i < group.count; ++i) {
            IniFile::SetValue(group.section, PointKey(i, 'X'), kNewPoints[g][i][0]);
            IniFile::SetValue(group.section, PointKey(i, 'Y'), kNewPoints[g][i][1]);
            IniFile::SetValue(group.section, PointKey(i, 'V'), "0");
        }
    }

    IniFile::SetValue(kParking, "FrontEnabled", "0");
    IniFile::SetValue(kParking, "RearEnabled", "0");
    IniFile::SetValue(kParking, "MenuShift", "0");
    IniFile::SetValue(kParking, "MenuShiftY", "0");
    IniFile::SetValue(kParking, "SoundEnabled", "0");
    IniFile::SetValue(kStage, "CurrentStage", "0");

    IniFile::SetValue(kMirror, "MirrorX", "5.0");
    IniFile::SetValue(kMirror, "MirrorY", "10.0");
    IniFile::SetValue(kMirror, "MirrorShift", "0.0");
    IniFile::SetValue(kMirror, "MirrorUsing", "0");

    // The store now holds the label texts: they are not reset first.
    FillFromStore(settings, false);

    bool written = true;
    if (MayReplaceFile(files, files.defaultFileName)) {
        QString reason;
        written = IniFile::SaveFile(files.defaultFileName, &reason);
        if (written)
            ForgetUnloaded(files, files.defaultFileName);
        else
            ReportSaveFailure(files.defaultFileName, reason);
    }
    files.currentFilePath = QCoreApplication::translate("Configuration", "Новая конфигурация");
    files.readAsUtf8 = false;
    return written;
}

namespace {

// Whether the store holds anything of a configuration: one of its sections.
bool HoldsConfiguration()
{
    for (const char *section : {kCommon, kCamera, kMarker, kParking, kMirror})
        if (IniFile::SectionExists(section))
            return true;
    for (const PointGroup &group : kPointGroups)
        if (IniFile::SectionExists(group.section))
            return true;
    return false;
}

} // namespace

bool LoadConfiguration(Settings &settings, ConfigurationFiles &files, const QString &path)
{
    QString reason;
    // A file that turns out to hold no configuration leaves the store as it was.
    std::vector<IniRecord> previous = IniFile::Content;
    QByteArray previousComments = IniFile::TrailingComments;
    const bool previousUtf8 = IniFile::ReadAsUtf8;
    auto refused = [&] {
        if (!files.unloadedFiles.contains(path))
            files.unloadedFiles.append(path);
        return false;
    };
    if (!IniFile::LoadFile(path, &reason)) {
        ShowMessage(UserMessage{
            QCoreApplication::translate("Configuration", "Не удалось прочитать файл конфигурации «%1».\n%2")
                .arg(path, reason),
            ProgramCaption(), UserMessage::Icon::Error, QString()});
        return refused();
    }
    if (!HoldsConfiguration()) {
        IniFile::Content = std::move(previous);
        IniFile::TrailingComments = std::move(previousComments);
        IniFile::ReadAsUtf8 = previousUtf8;
        ShowMessage(UserMessage{
            QCoreApplication::translate("Configuration",
                                        "В файле «%1» нет настроек конфигурации Tarvello. Файл не загружен.")
                .arg(path),
            ProgramCaption(), UserMessage::Icon::Error, QString()});
        return refused();
    }
    FillFromStore(settings, true);
    files.currentFilePath = path;
    files.readAsUtf8 = IniFile::ReadAsUtf8;
    ForgetUnloaded(files, path);
    return true;
}

bool MayReplaceFile(ConfigurationFiles &files, const QString &path)
{
    const auto unloaded = std::find_if(files.unloadedFiles.cbegin(), files.unloadedFiles.cend(),
                                       [&](const QString &file) { return SamePath(file, path); });
    // Only a file can hold what would be lost: a file that is gone, a folder
    // or a device is not asked about (saving reports what it does there).
    if (unloaded == files.unloadedFiles.cend() || !QFileInfo(path).isFile())
        return true;
    const UserQuestion question{
        QCoreApplication::translate("Configuration",
                                    "Файл «%1» не удалось загрузить. Заменить его текущей конфигурацией?")
            .arg(path),
        ProgramCaption(),
        {QCoreApplication::translate("Configuration", "Заменить"),
         QCoreApplication::translate("Configuration", "Отмена")},
        1,
        1};
    if (AskUser(question) != 0)
        return false;
    ForgetUnloaded(files, path);
    return true;
}

bool SaveConfiguration(Settings &settings, ConfigurationFiles &files, const QString &path)
{
    const Settings &s = settings;
    IniFile::SetInt(kCommon, "WarningEnabled", s.WarningEnabled);
    IniFile::SetBool(kCommon, "Reflection", s.Reflection);
    IniFile::SetInt(kCommon, "LineThickness", s.LineThickness);
    IniFile::SetInt(kCommon, "CurveThickness", s.CurveThickness);
    IniFile::SetInt(kCommon, "CurveTicks", s.CurveTicks);
    IniFile::SetInt(kCommon, "CurveTicksSpace", s.CurveTicksSpace);
    WriteText(kCommon, "CustomFileLines", s.CustomFileLines);
    WriteText(kCommon, "CustomFileWarning", s.CustomFileWarning);
    IniFile::SetInt(kCommon, "Bright1", s.Bright1);
    IniFile::SetInt(kCommon, "Bright2", s.Bright2);

    IniFile::SetInt(kCamera, "ShiftX", s.CameraShiftX);
    IniFile::SetInt(kCamera, "ShiftY", s.CameraShiftY);
    IniFile::SetInt(kCamera, "Brightness1", s.CameraBrightness);
    IniFile::SetInt(kCamera, "Brightness2", s.CameraBrightness);

    IniFile::SetInt(kMarker, "SideLineMode", s.SideLineMode);
    IniFile::SetInt(kMarker, "BaseLineMode", s.BaseLineMode);
    WriteText(kMarker, "BaseLineText", s.BaseLineText);
    for (int i = 0; i < 4; ++i)
        WriteText(kMarker, LabelKey(i), s.LabelLineText[i]);
    IniFile::SetInt(kMarker, "FontHeight", s.FontHeight);
    IniFile::SetInt(kMarker, "ShiftX", s.LabelShiftX);
    IniFile::SetInt(kMarker, "ShiftY", s.LabelShiftY);

    for (const PointGroup &group : kPointGroups) {
        for (int i = 0; i < group.count; ++i) {
            double x = 0.0;
            double y = 0.0;
            unsigned char flag = 0;
            s.GetPoint(group.firstSlot + i, x, y, flag);
            IniFile::SetDouble(group.section, PointKey(i, 'X'), x);
            IniFile::SetDouble(group.section, PointKey(i, 'Y'), y);
            IniFile::SetBool(group.section, PointKey(i, 'V'), flag);
        }
    }

    IniFile::SetInt(kParking, "FrontEnabled", s.FrontEnabled);
    IniFile::SetInt(kParking, "RearEnabled", s.RearEnabled);
    IniFile::SetInt(kParking, "MenuShift", s.MenuShift);
    IniFile::SetInt(kParking, "MenuShiftY", s.MenuShiftY);
    IniFile::SetValue(kParking, "SoundEnabled", "0");  // no sound setting exists
    IniFile::SetValue(kStage, "CurrentStage", "0");

    IniFile::SetDouble(kMirror, "MirrorX", s.MirrorX);
    IniFile::SetDouble(kMirror, "MirrorY", s.MirrorY);
    IniFile::SetDouble(kMirror, "MirrorShift", s.MirrorShift);
    IniFile::SetBool(kMirror, "MirrorUsing", s.MirrorUsing);

    QString reason;
    if (!IniFile::SaveFile(path, &reason)) {
        ReportSaveFailure(path, reason);
        return false;
    }
    settings.Changed = 0;
    ForgetUnloaded(files, path);
    if (files.readAsUtf8) {
        files.readAsUtf8 = false;
        ShowMessage(UserMessage{
            QCoreApplication::translate("Configuration",
                                        "Конфигурация была прочитана из файла в кодировке UTF-8. Файл «%1» "
                                        "записан в кодировке Windows-1251, в которой программа хранит "
                                        "конфигурации.")
                .arg(path),
            ProgramCaption(), UserMessage::Icon::Information, QString()});
    }
    return true;
}
