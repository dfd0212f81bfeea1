#include "BatchModes.h"

#include "CommandLine.h"
#include "Configuration.h"
#include "DeviceLink.h"
#include "FileSave.h"
#include "GuideLineRenderer.h"
#include "ModuleCommands.h"
#include "ModuleFinder.h"
#include "ModuleLink.h"
#include "ModulePicture.h"
#include "PictureBackup.h"
#include "ModulePictureBackupStore.h"
#include "ModulePictureSource.h"
#include "PhotoFile.h"
#include "PhotoLocator.h"
#include "PictureUpload.h"
#include "ResourceIds.h"
#include "Settings.h"
#include "UserMessage.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("BatchModes", text);
}

QTextStream &Err()
{
    static QTextStream stream(stderr);
    return stream;
}

// Errors and warnings printed so far: every failed module command shows
// one (the device error box), wherever it was sent from.
int errorsShown = 0;

// Messages go to the terminal: there is nobody to click a box.
void PrintMessage(const UserMessage &message)
{
    if (message.icon != UserMessage::Icon::Information)
        ++errorsShown;
    Err() << message.text << '\n';
    if (!message.details.isEmpty())
        Err() << message.details << '\n';
    Err().flush();
}

bool LoadRecord(const QString &path, Settings &settings)
{
    ConfigurationFiles files;
    return LoadConfiguration(settings, files, path);
}

std::unique_ptr<DeviceLink> FindLink(const CommandLine &line)
{
    ProbeReport report;
    std::unique_ptr<DeviceLink> link = OpenModuleLink(line.demo, line.port, &report);
    if (!link)
        ShowMessage(ModuleNotFoundMessage(report));
    return link;
}

// The picture a picture page would write: the installer's BMP, or the
// built-in one. False when the installer's file cannot be read: a page
// would show it empty, but here nobody would see that before it is written.
bool PicturePageContent(ModulePictureSource &box, const QString &userFile, const Settings &s, PictureUpload::Picture picture)
{
    if (!userFile.isEmpty()) {
        if (box.LoadFromFile(userFile))
            return true;
        ShowMessage({Tr("Не удалось прочитать изображение «%1».").arg(userFile), ProgramCaption(),
                     UserMessage::Icon::Error, {}});
        return false;
    }
    if (picture == PictureUpload::Picture::GuideLines)
        return box.SetImage(RenderGuideLinePicture(s));
    return box.LoadFromResource(Ids::BITMAP_WARNING);
}

// The message for a file that could not be written, with the reason.
void ReportWriteFailure(const QString &path, const QString &reason)
{
    ShowMessage({Tr("Не удалось записать файл «%1».\n%2").arg(path, reason), ProgramCaption(),
                 UserMessage::Icon::Error, {}});
}

QString PictureName(PictureUpload::Picture picture)
{
    return picture == PictureUpload::Picture::GuideLines ? Tr("Изображение ограничительных линий") : Tr("Предупреждение");
}

int Render(const CommandLine &line)
{
    // The picture would take the place of the configuration it is drawn from.
    if (IsSameFile(line.output, line.config)) {
        ShowMessage({Tr("Файл «%1» для изображения — это сам файл конфигурации «%2». Изображение не записано: "
                        "укажите для него другой файл.")
                         .arg(line.output, line.config),
                     ProgramCaption(), UserMessage::Icon::Error, {}});
        return ExitCode::BadCommandLine;
    }
    Settings settings;
    if (!LoadRecord(line.config, settings))
        return ExitCode::FileError;
    ModulePictureSource box;
    box.SetImage(RenderGuideLinePicture(settings));
    if (QString reason; !box.SaveToFile(line.output, &reason)) {
        ReportWriteFailure(line.output, reason);
        return ExitCode::FileError;
    }
    return ExitCode::Done;
}

int Write(const CommandLine &line)
{
    Settings settings;
    if (!LoadRecord(line.config, settings))
        return ExitCode::FileError;
    // Both pictures are read before anything is sent.
    ModulePictureSource lines, warning;
    if (!PicturePageContent(lines, settings.CustomFileLines, settings, PictureUpload::Picture::GuideLines)
        || !PicturePageContent(warning, settings.CustomFileWarning, settings, PictureUpload::Picture::Warning))
        return ExitCode::FileError;
    // A picture without a single line is almost always a mistake (a BMP of
    // the wrong kind, a configuration without points): written, it would
    // leave the monitor without guide lines.
    if (!line.allowEmptyPicture) {
        for (const auto &[box, name] : {std::pair{&lines, PictureName(PictureUpload::Picture::GuideLines)},
                                        std::pair{&warning, PictureName(PictureUpload::Picture::Warning)}}) {
            if (!ModulePicture::HasDrawnPixel(box->ModuleBytes(settings.Reflection))) {
                ShowMessage({Tr("%1: на изображении нет ни одной линии; в модуль ничего не записано.\n"
                                "Чтобы записать его всё равно, добавьте --allow-empty-picture.")
                                 .arg(name),
                             ProgramCaption(), UserMessage::Icon::Error, {}});
                return ExitCode::FileError;
            }
        }
    }
    std::unique_ptr<DeviceLink> link = FindLink(line);
    if (!link)
        return ExitCode::NoModule;

    const int errorsBefore = errorsShown;
    auto report = [&](LinkResult result) { link->ReportError(result); };
    // In the wizard's order: the picture pages, then leaving the warning page.
    const std::pair<ModulePictureSource *, PictureUpload::Picture> uploads[] = {
        {&lines, PictureUpload::Picture::GuideLines}, {&warning, PictureUpload::Picture::Warning}};
    for (const auto &[box, picture] : uploads) {
        const QString name = PictureName(picture);
        const ModulePicture::Buffer bytes = box->ModuleBytes(settings.Reflection);
        // On a terminal the count runs in one line; into a file only the end.
        const bool terminal = ::isatty(STDERR_FILENO) == 1;
        int last = 0;
        const PictureUpload::Result result = PictureUpload::Run(*link, bytes, picture, report, [&](int position) {
            last = position;
            if (terminal) {
                Err() << '\r' << Tr("%1: блок %2 из %3").arg(name).arg(position).arg(PictureUpload::kBlocks);
                Err().flush();
            }
        });
        if (terminal)
            Err() << '\r';
        Err() << Tr("%1: записано блоков: %2 из %3").arg(name).arg(last).arg(PictureUpload::kBlocks) << '\n';
        if (result.blocksNotVerified > 0) {
            ShowMessage({Tr("%1: %2 из %3 блоков прочитаны из устройства не такими, какими были записаны.")
                             .arg(name)
                             .arg(result.blocksNotVerified)
                             .arg(result.blocksCompleted),
                         ProgramCaption(), UserMessage::Icon::Warning, {}});
        }
    }
    ModuleCommands::SendFullSettings(*link, settings);
    link->Close();
    return errorsShown > errorsBefore ? ExitCode::CommandFailed : ExitCode::Done;
}

int Backup(const CommandLine &line)
{
    if (!QDir().mkpath(line.output)) {
        ShowMessage({Tr("Не удалось создать папку «%1».").arg(line.output), ProgramCaption(),
                     UserMessage::Icon::Error, {}});
        return ExitCode::FileError;
    }
    std::unique_ptr<DeviceLink> link = FindLink(line);
    if (!link)
        return ExitCode::NoModule;
    const std::pair<PictureUpload::Picture, const char *> pictures[] = {
        {PictureUpload::Picture::GuideLines, "guide-lines.bmp"}, {PictureUpload::Picture::Warning, "warning.bmp"}};
    int status = ExitCode::Done;
    for (const auto &[picture, file] : pictures) {
        ModulePicture::Buffer bytes{};
        if (!PictureBackup::Run(*link, picture, bytes, [&](LinkResult result) { link->ReportError(result); })
                 .Complete()) {
            status = ExitCode::CommandFailed;
            continue;
        }
        const QString path = QDir(line.output).filePath(QString::fromLatin1(file));
        if (QString reason; !ModulePictureBackupStore::SaveModuleBytes(path, bytes, &reason)) {
            ReportWriteFailure(path, reason);
            status = ExitCode::FileError;
        }
    }
    link->Close();
    return status;
}

} // namespace

namespace {

// --locate: what the photo panel of the point pages sees in a picture of
// the monitor, for scripts and checks: the grid's outer corners in picture
// pixels, then each proposed mark in grid units.
int Locate(const CommandLine &line)
{
    const PhotoFile::Read photo = PhotoFile::ReadPhoto(line.output);
    if (photo.picture.isNull()) {
        ShowMessage({Tr("Не удалось прочитать снимок «%1»: %2").arg(line.output, photo.problem), ProgramCaption(),
                     UserMessage::Icon::Error, {}});
        return ExitCode::FileError;
    }
    const QImage &picture = photo.picture;
    QString missing;
    if (!PhotoLocator::Available(&missing)) {
        ShowMessage({missing, ProgramCaption(), UserMessage::Icon::Error, {}});
        return ExitCode::FileError;
    }
    const PhotoLocation found = PhotoLocator::Locate(picture);
    if (!found.grid) {
        ShowMessage({found.problem, ProgramCaption(), UserMessage::Icon::Error, {}});
        return ExitCode::NoGrid;
    }
    QTextStream out(stdout);
    // In the file's own pixels: a big photo is read at a fraction of its size.
    const double sx = double(photo.fileSize.width()) / picture.width();
    const double sy = double(photo.fileSize.height()) / picture.height();
    out << "grid";
    for (const QPointF &p : found.grid->PictureCorners())
        out << ' ' << QString::number(p.x() * sx, 'f', 1) << ',' << QString::number(p.y() * sy, 'f', 1);
    out << '\n';
    for (const MarkCandidate &mark : found.marks)
        out << "mark " << QString::number(mark.grid.x(), 'f', 2) << ' ' << QString::number(mark.grid.y(), 'f', 2)
            << '\n';
    return ExitCode::Done;
}

} // namespace

int RunBatchMode(const CommandLine &line)
{
    const MessageHandler previous = SetMessageHandler(PrintMessage);
    int status = ExitCode::BadCommandLine;
    switch (line.mode) {
    case CommandLine::Mode::Render:
        status = Render(line);
        break;
    case CommandLine::Mode::Write:
        status = Write(line);
        break;
    case CommandLine::Mode::Backup:
        status = Backup(line);
        break;
    case CommandLine::Mode::Locate:
        status = Locate(line);
        break;
    default:
        break;
    }
    SetMessageHandler(previous);
    return status;
}
