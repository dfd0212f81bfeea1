#include "ConfigurationDocument.h"

#include "FileDialogRequest.h"
#include "UserMessage.h"
#include "UserQuestion.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("ConfigurationDocument", text);
}

// The open or save dialog for configuration files, "*.ini" preselected.
FileDialogRequest ConfigurationDialog(FileDialogRequest::Kind kind)
{
    return TypedFileDialog(kind, Tr("Файлы конфигурации"), QStringLiteral("*.ini"));
}

} // namespace

QString ConfigurationDocument::CurrentFileName() const
{
    const QString &path = files_.currentFilePath;
    const int slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

bool DocumentChange::Touches(const ConfigurationField &field) const
{
    return std::any_of(fields.begin(), fields.end(), [&](const FieldRef &ref) { return ref.key->field == field; });
}

void ConfigurationDocument::Notify(DocumentChange::Origin origin, const Settings &before, const EditPlace &place)
{
    DocumentChange change{origin, before, record_, place, {}};
    if (origin != DocumentChange::Origin::Replace) {
        change.fields = DifferingFields(before, record_);
        if (change.fields.empty())
            return;
    }
    for (const Observer &observer : observers_)
        observer(change);
}

bool ConfigurationDocument::Edit(const std::function<void(ConfigurationEdit &)> &edit)
{
    Settings edited = record_;
    ConfigurationEdit writer(edited);
    edit(writer);
    if (SameFields(edited, record_))
        return false;
    const Settings before = std::exchange(record_, edited);
    Notify(DocumentChange::Origin::Edit, before, host_ ? host_->CurrentPlace() : EditPlace{});
    return true;
}

void ConfigurationDocument::Restore(const Settings &values, const EditPlace &place)
{
    const Settings before = std::exchange(record_, values);
    Notify(DocumentChange::Origin::Restore, before, place);
}

void ConfigurationDocument::ReplaceRecord(const Settings &record)
{
    const Settings before = std::exchange(record_, record);
    saved_ = record_;
    Notify(DocumentChange::Origin::Replace, before, {});
}

bool ConfigurationDocument::IsModified() const
{
    return !record_.SameConfiguration(saved_);
}

void ConfigurationDocument::OpenDefault()
{
    // One that could not be made is not read back: its settings are in the
    // record already.
    const Settings before = record_;
    const bool made = QFileInfo::exists(files_.defaultFileName) || NewConfiguration(record_, files_);
    if (!made || !LoadConfiguration(record_, files_, files_.defaultFileName))
        files_.currentFilePath = files_.defaultFileName;
    saved_ = record_;
    Notify(DocumentChange::Origin::Replace, before, {});
}

void ConfigurationDocument::CommitActivePage()
{
    if (host_)
        host_->CommitActivePage();
}

bool ConfigurationDocument::Replace(const std::function<bool()> &replace)
{
    // The page is left first: its leave handler must see the record it was
    // showing, not the one that replaces it.
    if (host_ && !host_->LeaveActivePage())
        return false;
    const Settings before = record_;
    if (!replace()) {
        if (host_)
            host_->ReturnToLeftPage();
        return false;
    }
    saved_ = record_;
    Notify(DocumentChange::Origin::Replace, before, {});
    if (host_)
        host_->ShowFirstPage();
    return true;
}

void ConfigurationDocument::NoteFileUsed(const QString &path)
{
    if (fileUsed_)
        fileUsed_(QFileInfo(path).absoluteFilePath());
}

bool ConfigurationDocument::MayDiscardChanges()
{
    CommitActivePage();
    if (!IsModified())
        return true;
    const UserQuestion question{
        Tr("Конфигурация «%1» изменена и не сохранена.\nСохранить изменения?").arg(CurrentFileName()),
        ProgramCaption(),
        {Tr("Сохранить"), Tr("Не сохранять"), Tr("Отмена")},
        0,
        2};
    switch (AskUser(question)) {
    case 0:
        return FileSave();
    case 1:
        return true;
    default:
        return false;
    }
}

bool ConfigurationDocument::FileNew()
{
    if (!MayDiscardChanges())
        return false;
    return Replace([this] {
        NewConfiguration(record_, files_);
        return true;
    });
}

bool ConfigurationDocument::FileLoad()
{
    if (!MayDiscardChanges())
        return false;
    const auto path = AskFileName(ConfigurationDialog(FileDialogRequest::Kind::Open));
    // A file that cannot be read changes nothing (a message says why).
    if (!path || !Replace([&] { return LoadConfiguration(record_, files_, *path); }))
        return false;
    NoteFileUsed(*path);
    return true;
}

bool ConfigurationDocument::FileLoadPath(const QString &path)
{
    if (!MayDiscardChanges())
        return false;
    if (!Replace([&] { return LoadConfiguration(record_, files_, path); }))
        return false;
    NoteFileUsed(path);
    return true;
}

bool ConfigurationDocument::SaveCopy(const QString &path)
{
    CommitActivePage();
    // The copy's own file set: what was loaded from the current file (and
    // could not be) must not decide about another file.
    ConfigurationFiles files = files_;
    files.unloadedFiles.clear();
    files.readAsUtf8 = false;
    return SaveConfiguration(record_, files, path);
}

bool ConfigurationDocument::FileSave()
{
    CommitActivePage();
    // A file that could not be loaded is replaced only when the installer agrees.
    const bool saved = MayReplaceFile(files_, files_.currentFilePath)
                       && SaveConfiguration(record_, files_, files_.currentFilePath);
    if (saved) {
        saved_ = record_;
        NoteFileUsed(files_.currentFilePath);
    }
    return saved;
}

bool ConfigurationDocument::FileSaveAs()
{
    FileDialogRequest request = ConfigurationDialog(FileDialogRequest::Kind::Save);
    request.defaultSuffix = QStringLiteral("ini");
    const auto path = AskFileName(request);
    if (!path)
        return false;
    CommitActivePage();
    // The chosen file becomes the current one only once it is written, so
    // that the title never names a file that does not hold the settings.
    if (!SaveConfiguration(record_, files_, *path))
        return false;
    files_.currentFilePath = *path;
    saved_ = record_;
    NoteFileUsed(*path);
    return true;
}
