#include "Configuration.h"

#include "ConfigurationTable.h"
#include "FileSave.h"
#include "IniFile.h"
#include "UserMessage.h"
#include "UserQuestion.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <variant>

namespace {

constexpr char kFileCodec[] = "windows-1251";

QByteArray PointKey(int index, char axis)
{
    QByteArray key("Point");
    key.append(char('0' + index)).append(axis);
    return key;
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

void WriteText(const char *section, QByteArrayView key, const QString &text)
{
    IniFile::SetValue(section, key, ToFileText(text));
}

// The text field a row carries.
template <typename Record>
auto &TextField(Record &s, const ConfigurationField &field)
{
    if (const auto *label = std::get_if<LabelTextField>(&field))
        return s.LabelLineText[label->index];
    return s.*std::get<QString Settings::*>(field);
}

// A number read from a file, or the built-in text's when the file's is not
// finite (nan, inf): no drawing, comparison or module command could use it.
// The key goes into *replaced then.
double FiniteOr(double value, const char *builtIn, QStringList *replaced, const char *section, const QByteArray &key)
{
    if (std::isfinite(value))
        return value;
    if (replaced)
        replaced->append(QStringLiteral("[%1] %2").arg(QLatin1String(section), QString::fromLatin1(key)));
    return builtIn ? IniFile::ToDouble(builtIn) : 0.0;
}

// Reads one key of the records (the store's or a file's) into its field; an
// absent key leaves the field as it was. Non-finite numbers are replaced by
// the field's built-in value and named in *replaced.
void ReadField(Settings &s, const ConfigurationKey &key, const IniFile::Records &records, QStringList *replaced)
{
    int32_t number = 0;
    switch (key.kind) {
    case KeyKind::Int:
        if (IniFile::GetInt(records, key.section, key.key, number))
            s.*std::get<int Settings::*>(key.field) = number;
        return;
    case KeyKind::Bool:
        if (IniFile::GetBool(records, key.section, key.key, number))
            s.*std::get<bool Settings::*>(key.field) = number != 0;
        return;
    case KeyKind::Double: {
        double value = 0.0;
        if (IniFile::GetDouble(records, key.section, key.key, value))
            s.*std::get<double Settings::*>(key.field) = FiniteOr(value, key.builtIn, replaced, key.section, key.key);
        return;
    }
    case KeyKind::Text: {
        QByteArray value;
        if (IniFile::GetValue(records, key.section, key.key, value))
            TextField(s, key.field) = FromFileText(value);
        return;
    }
    case KeyKind::PointGroup: {
        // A point changes only when all three of its keys are there.
        const auto &group = std::get<PointGroupField>(key.field);
        for (int i = 0; i < group.count; ++i) {
            double x = 0.0;
            double y = 0.0;
            int32_t enabled = 0;
            const bool haveX = IniFile::GetDouble(records, key.section, PointKey(i, 'X'), x);
            const bool haveY = IniFile::GetDouble(records, key.section, PointKey(i, 'Y'), y);
            const bool haveV = IniFile::GetBool(records, key.section, PointKey(i, 'V'), enabled);
            if (!(haveX && haveY && haveV))
                continue;
            // The point New writes stands in for a coordinate that is no number.
            const char *const *builtIn = group.newPoints ? group.newPoints[i] : nullptr;
            x = FiniteOr(x, builtIn ? builtIn[0] : nullptr, replaced, key.section, PointKey(i, 'X'));
            y = FiniteOr(y, builtIn ? builtIn[1] : nullptr, replaced, key.section, PointKey(i, 'Y'));
            s.SetPoint(group.firstSlot + i, x, y, static_cast<unsigned char>(enabled));
        }
        return;
    }
    }
}

// Writes one field into the store.
void WriteField(const Settings &s, const ConfigurationKey &key)
{
    if (const auto *field = std::get_if<unsigned char Settings::*>(&key.field)) {
        IniFile::SetInt(key.section, key.key, s.*(*field));
        return;
    }
    switch (key.kind) {
    case KeyKind::Int:
        IniFile::SetInt(key.section, key.key, s.*std::get<int Settings::*>(key.field));
        return;
    case KeyKind::Bool:
        IniFile::SetBool(key.section, key.key, s.*std::get<bool Settings::*>(key.field));
        return;
    case KeyKind::Double:
        IniFile::SetDouble(key.section, key.key, s.*std::get<double Settings::*>(key.field));
        return;
    case KeyKind::Text:
        WriteText(key.section, key.key, TextField(s, key.field));
        return;
    case KeyKind::PointGroup: {
        const auto &group = std::get<PointGroupField>(key.field);
        for (int i = 0; i < group.count; ++i) {
            double x = 0.0;
            double y = 0.0;
            unsigned char flag = 0;
            s.GetPoint(group.firstSlot + i, x, y, flag);
            IniFile::SetDouble(key.section, PointKey(i, 'X'), x);
            IniFile::SetDouble(key.section, PointKey(i, 'Y'), y);
            IniFile::SetBool(key.section, PointKey(i, 'V'), flag);
        }
        return;
    }
    }
}

// Fills the record from the records (the store's or a file's), key by key in
// file order; a key that is absent leaves its field as it was.
void FillFromRecords(Settings &s, const IniFile::Records &records, bool resetLabels, QStringList *replaced = nullptr)
{
    // A file without label texts shows the plain distances.
    if (resetLabels) {
        for (const ConfigurationKey &key : ConfigurationKeys())
            if (std::holds_alternative<LabelTextField>(key.field))
                TextField(s, key.field) = QString::fromUtf8(key.builtIn);
    }
    // The grid shift (its X row, then its Y row) changes only as a pair.
    std::optional<int32_t> shift[2];
    int shiftRow = 0;
    for (const ConfigurationKey &key : ConfigurationKeys()) {
        if (key.role == KeyRole::Field) {
            ReadField(s, key, records, replaced);
        } else if (key.role == KeyRole::GridShift && shiftRow < 2) {
            int32_t value = 0;
            if (IniFile::GetInt(records, key.section, key.key, value))
                shift[shiftRow] = value;
            ++shiftRow;
        }
    }
    if (shift[0] && shift[1])
        s.SetCameraShift(*shift[0], *shift[1]);
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
    for (const ConfigurationKey &key : ConfigurationKeys()) {
        if (!key.writtenByNew)
            continue;
        if (const auto *group = std::get_if<PointGroupField>(&key.field)) {
            for (int i = 0; i < group->count; ++i) {
                IniFile::SetValue(key.section, PointKey(i, 'X'), group->newPoints[i][0]);
                IniFile::SetValue(key.section, PointKey(i, 'Y'), group->newPoints[i][1]);
                IniFile::SetValue(key.section, PointKey(i, 'V'), "0");
            }
        } else {
            WriteText(key.section, key.key, QString::fromUtf8(key.builtIn));
        }
    }

    // The store now holds the label texts: they are not reset first.
    FillFromRecords(settings, IniFile::Content, false);

    // A default file that is there may hold a configuration the installer
    // saved: it stays as it is. Only a missing one is made (a folder in its
    // place is reported by the save that fails).
    bool written = true;
    const QFileInfo existing(files.defaultFileName);
    if (!existing.exists() || existing.isDir()) {
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

// Whether the records hold anything of a configuration: one of its sections.
bool HoldsConfiguration(const IniFile::Records &records)
{
    for (const ConfigurationKey &key : ConfigurationKeys())
        if ((key.role == KeyRole::Field || key.role == KeyRole::GridShift)
            && IniFile::SectionExists(records, key.section))
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
    if (!HoldsConfiguration(IniFile::Content)) {
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
    QStringList replaced;
    FillFromRecords(settings, IniFile::Content, true, &replaced);
    if (!replaced.isEmpty()) {
        ShowMessage(UserMessage{
            QCoreApplication::translate("Configuration",
                                        "В файле «%1» не числа (nan, inf) в ключах: %2.\n"
                                        "Вместо них взяты встроенные значения.")
                .arg(path, replaced.join(QStringLiteral(", "))),
            ProgramCaption(), UserMessage::Icon::Warning, QString()});
    }
    files.currentFilePath = path;
    files.readAsUtf8 = IniFile::ReadAsUtf8;
    ForgetUnloaded(files, path);
    return true;
}

namespace {

// The text of the first comment line that has any, without its marker.
QString FirstComment(const IniContent &content)
{
    auto first = [](const QByteArray &lines) -> std::optional<QString> {
        for (const QByteArray &line : lines.split('\n')) {
            if (line.isEmpty() || (line.front() != '#' && line.front() != ';'))
                continue;  // not a comment: a line kept as text
            const QByteArray text = IniFile::Trim(QByteArrayView(line).sliced(1), " \t");
            if (!text.isEmpty())
                return FromFileText(text);
        }
        return std::nullopt;
    };
    for (const IniRecord &record : content.records)
        if (auto text = first(record.Comments))
            return *text;
    return first(content.trailingComments).value_or(QString());
}

} // namespace

ConfigurationSummary ReadConfigurationSummary(const QString &path)
{
    ConfigurationSummary summary;
    IniContent content;
    if (!IniFile::ReadFile(path, content, &summary.reason))
        return summary;
    summary.opened = true;
    if (!HoldsConfiguration(content.records)) {
        summary.reason = QCoreApplication::translate("Configuration", "в файле нет настроек конфигурации Tarvello");
        return summary;
    }
    FillFromRecords(summary.settings, content.records, true);
    summary.firstComment = FirstComment(content);
    summary.readable = true;
    return summary;
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

bool SaveConfiguration(const Settings &settings, ConfigurationFiles &files, const QString &path)
{
    for (const ConfigurationKey &key : ConfigurationKeys()) {
        switch (key.role) {
        case KeyRole::Field:
        case KeyRole::GridShift:
        case KeyRole::SaveOnly:
            WriteField(settings, key);
            break;
        case KeyRole::Constant:
            IniFile::SetValue(key.section, key.key, key.builtIn);
            break;
        case KeyRole::NewOnly:
        case KeyRole::Ignored:
            break;
        }
    }

    QString reason;
    if (!IniFile::SaveFile(path, &reason)) {
        ReportSaveFailure(path, reason);
        return false;
    }
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
