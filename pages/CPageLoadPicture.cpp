#include "CPageLoadPicture.h"

#include "CBackupCopyDialog.h"
#include "CPictureBox.h"
#include "ConfigurationEdit.h"
#include "FileDialogRequest.h"
#include "InputBlocker.h"
#include "ModulePicture.h"
#include "ModulePictureBackupStore.h"
#include "PageHost.h"
#include "ResourceIds.h"
#include "UserMessage.h"
#include "UserQuestion.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

#include <functional>

namespace {

// Blocks timed before the time left is estimated from them.
constexpr int kBlocksBeforeEstimate = 3;

// In dialog units: the page's width; the picture to be written, the
// module's own this far to its right; the column of buttons on the right.
constexpr int kPageWidth = CPageLoadPicture::kTemplateUnits.width();
constexpr QRect kPictureUnits(5, 72, 120, 66);
constexpr int kModuleColumn = 125;
constexpr int kRightColumn = 255;
constexpr int kRightWidth = 100;

FileDialogRequest PictureDialog(FileDialogRequest::Kind kind)
{
    FileDialogRequest request = TypedFileDialog(
        kind, QCoreApplication::translate("CPageLoadPicture", "Файлы рисунков"), QStringLiteral("*.bmp"));
    if (kind == FileDialogRequest::Kind::Save) {
        request.defaultSuffix = QStringLiteral("bmp");
        request.confirmOverwrite = false;
    }
    return request;
}

QString TimeLeftText(qint64 ms)
{
    const qint64 seconds = (ms + 999) / 1000;
    if (seconds >= 60)
        return QCoreApplication::translate("CPageLoadPicture", "Осталось около %1 мин %2 с")
            .arg(seconds / 60)
            .arg(seconds % 60);
    return QCoreApplication::translate("CPageLoadPicture", "Осталось около %1 с").arg(seconds);
}

} // namespace

CPageLoadPicture::CPageLoadPicture(PageInfo info, PictureUpload::Picture picture, QString Settings::*path,
                                   QWidget *parent)
    : CPageViewPic(std::move(info), parent), picture_(picture), settingsPath_(path)
{
}

std::vector<ControlSpec> CPageLoadPicture::Template() const
{
    using Kind = ControlSpec::Kind;
    std::vector<ControlSpec> t = BaseTemplate();
    // The picture to be written and the module's own side by side, each
    // under its caption (made in BindControls); the module's controls under
    // them; the file and write controls in a column on the right.
    for (ControlSpec &spec : t) {
        if (spec.id == Ids::IDC_HELPTEXT)
            spec.units.setWidth(kPageWidth - 10);
        if (spec.id == Ids::IDC_PICTURE)
            spec.units = kPictureUnits;
    }
    const int x = kRightColumn;
    t.push_back({Ids::IDC_BUTTON_SAVE, Kind::Button, tr("Сохранить"), QRect(x, 70, kRightWidth, 15)});
    t.push_back({Ids::IDC_BUTTON_LOAD, Kind::Button, tr("Загрузить"), QRect(x, 89, kRightWidth, 15)});
    t.push_back({Ids::IDC_BUTTON_DEFAULT, Kind::Button, tr("По умолчанию"), QRect(x, 108, kRightWidth, 15)});
    // The photo check goes under the file buttons; writing moves down for it.
    const int below = OffersPhotoCheck() ? 12 : 0;
    if (below)
        t.push_back({Ids::IDC_CHECK_PHOTO, Kind::Button, tr("Проверить по снимку..."), QRect(x, 127, kRightWidth, 15)});
    t.push_back({Ids::IDC_BUTTON_WRITE, Kind::Button, tr("Запись"), QRect(x, 134 + below, kRightWidth, 15)});
    t.push_back({Ids::IDC_PROGRESS, Kind::Progress, {}, QRect(x, 155 + below, kRightWidth, 10)});
    t.push_back({Ids::IDC_UPLOAD_ESTIMATE, Kind::Static, {}, QRect(x, 168 + below, kRightWidth, 30 - below / 2)});

    const int module = kPictureUnits.left() + kModuleColumn;
    t.push_back({Ids::IDC_MODULE_PICTURE, Kind::Picture, {}, kPictureUnits.translated(kModuleColumn, 0)});
    t.push_back({Ids::IDC_READ_MODULE, Kind::Button, tr("Прочитать из модуля"), QRect(module, 141, 110, 14)});
    t.push_back({Ids::IDC_SAVE_MODULE_PICTURE, Kind::Button, tr("Сохранить как BMP..."), QRect(module, 157, 110, 14)});
    t.push_back({Ids::IDC_RESTORE_PICTURE, Kind::Button, tr("Восстановить..."), QRect(module, 173, 110, 14)});
    t.push_back({Ids::IDC_BACKUP_NOTE, Kind::Static, {}, QRect(5, 141, kPictureUnits.width(), 46)});
    // A check box in its place (BindControls).
    t.push_back({Ids::IDC_BACKUP_CHECK, Kind::Static, {}, QRect(5, 189, x - 10, 11)});
    return t;
}

void CPageLoadPicture::BindControls()
{
    ReplaceControl(Ids::IDC_PICTURE, new CPictureBox);
    ReplaceControl(Ids::IDC_MODULE_PICTURE, new CPictureBox);
    ReplaceControl(Ids::IDC_BACKUP_CHECK, new QCheckBox(tr("Сохранять копию картинки модуля перед записью")));
    const QString captions[2] = {tr("Будет записано"), tr("В модуле")};
    for (int i = 0; i < 2; ++i) {
        captions_[i] = new QLabel(captions[i], this);
        captions_[i]->setGeometry(DialogUnitsToPixels(
            this, QRect(kPictureUnits.left() + i * kModuleColumn, 62, kPictureUnits.width(), 9)));
        captions_[i]->show();
    }
}

void CPageLoadPicture::RegisterResize()
{
    // Each picture takes half of the width the page gains and half of the
    // height (a picture keeps its shape), and the controls under it go with
    // it; the check box stays at the bottom.
    layout_.Add(captions_[0], 0, 0, 50, 0);
    layout_.Add(captions_[1], 50, 0, 50, 0);
    for (const ControlSpec &spec : Template()) {
        switch (spec.id) {
        case Ids::IDC_HELPTEXT:
            layout_.AddById(spec.id, 0, 0, 100, 0);
            break;
        case Ids::IDC_PICTURE:
            layout_.AddById(spec.id, 0, 0, 50, 50);
            break;
        case Ids::IDC_MODULE_PICTURE:
            layout_.AddById(spec.id, 50, 0, 50, 50);
            break;
        case Ids::IDC_READ_MODULE:
        case Ids::IDC_SAVE_MODULE_PICTURE:
        case Ids::IDC_RESTORE_PICTURE:
            layout_.AddById(spec.id, 50, 50, 0, 0);
            break;
        case Ids::IDC_BACKUP_NOTE:
            layout_.AddById(spec.id, 0, 50, 50, 50);
            break;
        case Ids::IDC_BACKUP_CHECK:
            layout_.AddById(spec.id, 0, 100, 100, 0);
            break;
        default:
            layout_.AddById(spec.id, 100, 0, 0, 0);
        }
    }
}

void CPageLoadPicture::OnInitDialog()
{
    CPageViewPic::OnInitDialog();
    const std::pair<int, std::function<void()>> buttons[] = {
        {Ids::IDC_BUTTON_SAVE, [this] { SaveToFile(); }},
        {Ids::IDC_BUTTON_LOAD, [this] { LoadFromFile(); }},
        {Ids::IDC_BUTTON_DEFAULT, [this] { ResetToDefault(); }},
        {Ids::IDC_BUTTON_WRITE, [this] { WriteToModule(); }},
        {Ids::IDC_READ_MODULE, [this] { ReadFromModule(); }},
        {Ids::IDC_SAVE_MODULE_PICTURE, [this] { SaveModulePicture(); }},
        {Ids::IDC_RESTORE_PICTURE, [this] { RestoreFromFile(); }},
    };
    for (const auto &[id, handler] : buttons) {
        auto *button = ControlAs<QPushButton>(id);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, handler);
    }
    if (auto *check = ControlAs<QPushButton>(Ids::IDC_CHECK_PHOTO)) {
        check->setAutoDefault(false);
        connect(check, &QPushButton::clicked, this, [this] {
            if (Host())
                Host()->OpenMonitorPhoto(PageHost::PhotoUse::LineCheck);
        });
    }
    ProgressBar()->setRange(0, PictureUpload::kBlocks);
    ProgressBar()->setValue(0);
    ProgressBar()->setTextVisible(false);
    Estimate()->setWordWrap(true);
    BackupNote()->setWordWrap(true);
    BackupNote()->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ControlAs<QPushButton>(Ids::IDC_SAVE_MODULE_PICTURE)->setEnabled(false);
    // Without a store (nowhere to keep copies) there is nothing to choose.
    ModulePictureBackupStore *store = ProgramBackupStore();
    BackupCheck()->setVisible(store != nullptr);
    BackupCheck()->setChecked(store && store->Enabled());
    connect(BackupCheck(), &QCheckBox::toggled, this, [](bool on) {
        if (ModulePictureBackupStore *s = ProgramBackupStore())
            s->SetEnabled(on);
    });
}

CPictureBox *CPageLoadPicture::PictureBox() const
{
    return ControlAs<CPictureBox>(Ids::IDC_PICTURE);
}

QProgressBar *CPageLoadPicture::ProgressBar() const
{
    return ControlAs<QProgressBar>(Ids::IDC_PROGRESS);
}

QLabel *CPageLoadPicture::Estimate() const
{
    return ControlAs<QLabel>(Ids::IDC_UPLOAD_ESTIMATE);
}

CPictureBox *CPageLoadPicture::ModulePictureBox() const
{
    return ControlAs<CPictureBox>(Ids::IDC_MODULE_PICTURE);
}

QCheckBox *CPageLoadPicture::BackupCheck() const
{
    return ControlAs<QCheckBox>(Ids::IDC_BACKUP_CHECK);
}

QLabel *CPageLoadPicture::BackupNote() const
{
    return ControlAs<QLabel>(Ids::IDC_BACKUP_NOTE);
}

bool CPageLoadPicture::OnSetActive()
{
    BeginActivation();
    if (const Settings *s = SettingsRecord())
        path_ = s->*settingsPath_;
    // A user file is read again on every visit: it may have been edited.
    ShowPicture();
    ProgressBar()->setValue(0);
    Estimate()->setText(IsDemo() ? tr("Демо-режим: модуль не подключён, в него ничего не записывается.") : QString());
    if (DeviceLink *link = Link())
        SendActivationCommands(*link);
    return CPageViewPic::OnSetActive();
}

void CPageLoadPicture::OnRecordRestored()
{
    if (const Settings *s = SettingsRecord())
        path_ = s->*settingsPath_;
    ShowPicture();
}

void CPageLoadPicture::ShowPicture()
{
    if (path_.isEmpty())
        ShowBuiltInPicture();
    else
        PictureBox()->LoadFromFile(path_);
}

void CPageLoadPicture::SaveToFile()
{
    const auto path = AskFileName(PictureDialog(FileDialogRequest::Kind::Save));
    QString reason;
    if (path && !PictureBox()->SaveToFile(*path, &reason))
        ShowMessage({tr("Не удалось записать файл «%1».\n%2").arg(*path, reason), ProgramCaption(),
                     UserMessage::Icon::Error, {}});
}

void CPageLoadPicture::LoadFromFile()
{
    const auto path = AskFileName(PictureDialog(FileDialogRequest::Kind::Open));
    if (!path)
        return;
    // The path is kept even when the file cannot be read: the picture area
    // then stays empty, as it will on the next visit.
    PictureBox()->LoadFromFile(*path);
    path_ = *path;
    EditRecord([&](ConfigurationEdit &e) { e.Set(settingsPath_, path_); });
}

void CPageLoadPicture::ResetToDefault()
{
    path_.clear();
    EditRecord([&](ConfigurationEdit &e) { e.Set(settingsPath_, QString()); });
    ShowBuiltInPicture();
}

void CPageLoadPicture::ShowProgress(int position, qint64 elapsedMs)
{
    ProgressBar()->setValue(position);
    if (position == 0)
        firstBlockMs_ = elapsedMs;
    // From the blocks done so far; a silent module's long wait shows as the
    // estimate standing still.
    if (position >= kBlocksBeforeEstimate && position < PictureUpload::kBlocks) {
        const qint64 perBlock = (elapsedMs - firstBlockMs_) / position;
        Estimate()->setText(TimeLeftText(perBlock * (PictureUpload::kBlocks - position)));
    }
}

bool CPageLoadPicture::IsDemo() const
{
    return !Link() || !Link()->HasModule();
}

PictureUpload::Result CPageLoadPicture::WriteToModule()
{
    if (!Link())
        return {};
    const Settings *s = SettingsRecord();
    return WriteBytes(PictureBox()->ModuleBytes(s && s->Reflection));
}

void CPageLoadPicture::RunOnWorker(
    const std::function<void(const PictureUpload::Report &, const PictureUpload::Progress &)> &job)
{
    DeviceLink *link = Link();
    ProgressBar()->setRange(0, PictureUpload::kBlocks);
    Estimate()->clear();
    // The link is used by the worker alone until it ends; results come back
    // to this thread to be reported (the error box waits for the installer,
    // as the worker does), progress is posted.
    InputBlocker blocker(window());
    QElapsedTimer clock;
    clock.start();
    const PictureUpload::Report report = [&](LinkResult r) {
        QMetaObject::invokeMethod(this, [link, r] { link->ReportError(r); }, Qt::BlockingQueuedConnection);
    };
    const PictureUpload::Progress progress = [&](int position) {
        const qint64 at = clock.elapsed();
        QMetaObject::invokeMethod(this, [this, position, at] { ShowProgress(position, at); }, Qt::QueuedConnection);
    };
    QThread *worker = QThread::create([&] { job(report, progress); });
    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    // The last progress posted before the worker ended.
    QCoreApplication::sendPostedEvents(this);
}

PictureUpload::Result CPageLoadPicture::WriteBytes(const ModulePicture::Buffer &bytes)
{
    DeviceLink *link = Link();
    if (!link)
        return {};
    if (!ModulePicture::HasDrawnPixel(bytes)) {
        const UserQuestion question{tr("На изображении нет ни одной линии.\nЗаписать в модуль пустое изображение?"),
                                    ProgramCaption(),
                                    {tr("Записать"), tr("Отмена")},
                                    1,
                                    1};
        if (AskUser(question) != 0)
            return {};
    }
    if (!BackUpBeforeWrite())
        return {};

    PictureUpload::Result result;
    RunOnWorker([&](const PictureUpload::Report &report, const PictureUpload::Progress &progress) {
        result = PictureUpload::Run(*link, bytes, picture_, report, progress);
    });
    Estimate()->setText(IsDemo() ? tr("Демо-режим: в модуль ничего не записано.")
                                 : tr("Записано: %1 из %2 блоков").arg(result.blocksCompleted).arg(PictureUpload::kBlocks));
    // Every block written and read back as written: the module now holds these bytes.
    if (!IsDemo() && result.blocksCompleted == PictureUpload::kBlocks && result.blocksNotVerified == 0)
        ShowModuleBytes(bytes);

    if (result.blocksNotVerified > 0) {
        ShowMessage({tr("Изображение записано, но %1 из %2 блоков при проверке прочитаны из устройства не такими, "
                        "какими были записаны.\nПроверьте соединительный кабель и питание и повторите запись.")
                         .arg(result.blocksNotVerified)
                         .arg(result.blocksCompleted),
                     ProgramCaption(), UserMessage::Icon::Warning, {}});
    }
    return result;
}

std::int32_t CPageLoadPicture::Serial() const
{
    return Link() ? Link()->SerialNumber() : 0;
}

void CPageLoadPicture::ShowModuleBytes(const ModulePicture::Buffer &bytes)
{
    moduleBytes_ = bytes;
    ModulePictureBox()->SetBitmap(ModulePictureBackupStore::ImageOfModuleBytes(moduleBytes_));
    ControlAs<QPushButton>(Ids::IDC_SAVE_MODULE_PICTURE)->setEnabled(true);
}

PictureBackup::Result CPageLoadPicture::ReadModulePicture()
{
    DeviceLink *link = Link();
    PictureBackup::Result result;
    ModulePicture::Buffer bytes{};
    RunOnWorker([&](const PictureUpload::Report &report, const PictureUpload::Progress &progress) {
        result = PictureBackup::Run(*link, picture_, bytes, report, progress);
    });
    // The count read replaces the time left, also when the read stopped.
    Estimate()->setText(tr("Прочитано: %1 из %2 блоков").arg(result.blocksRead).arg(PictureUpload::kBlocks));
    // Only a whole picture is the module's.
    if (result.Complete()) {
        ShowModuleBytes(bytes);
    } else {
        ModulePictureBox()->Clear(true);
        ControlAs<QPushButton>(Ids::IDC_SAVE_MODULE_PICTURE)->setEnabled(false);
    }
    return result;
}

bool CPageLoadPicture::BackUpBeforeWrite()
{
    ModulePictureBackupStore *store = ProgramBackupStore();
    const std::uint64_t opening = Link() ? Link()->Opening() : 0;
    if (!store || IsDemo() || !store->Enabled() || store->IsSaved(opening, picture_))
        return true;
    BackupNote()->setText(tr("Сохраняется копия картинки из модуля..."));
    // Without the copy the old picture would be lost for good: the
    // installer decides whether to write all the same. A read that failed
    // has shown its device error box already.
    QString reason;
    std::optional<QString> path;
    if (const PictureBackup::Result read = ReadModulePicture(); !read.Complete())
        reason = tr("блок %1 из %2 не прочитан без ошибок").arg(read.blocksRead + 1).arg(PictureUpload::kBlocks);
    else
        path = store->Save(Serial(), opening, picture_, moduleBytes_, QDateTime::currentDateTime(), &reason);
    if (path) {
        BackupNote()->setText(tr("Копия картинки из модуля сохранена: %1").arg(QDir::toNativeSeparators(*path)));
        return true;
    }
    const UserQuestion question{tr("Не удалось сохранить копию картинки модуля: %1. Записать без копии?").arg(reason),
                                ProgramCaption(),
                                {tr("Записать"), tr("Отмена")},
                                1,
                                1,
                                UserQuestion::Icon::Error};
    if (AskUser(question) != 0) {
        BackupNote()->setText(tr("Копия картинки из модуля не сохранена. В модуль ничего не записано."));
        return false;
    }
    BackupNote()->setText(tr("Копия картинки из модуля не сохранена; картинка записана без копии."));
    return true;
}

PictureBackup::Result CPageLoadPicture::ReadFromModule()
{
    if (!Link())
        return {};
    if (IsDemo()) {
        Estimate()->setText(tr("Демо-режим: модуль не подключён, читать из него нечего."));
        return {};
    }
    return ReadModulePicture();
}

void CPageLoadPicture::SaveModulePicture()
{
    const auto path = AskFileName(PictureDialog(FileDialogRequest::Kind::Save));
    QString reason;
    if (path && !ModulePictureBackupStore::SaveModuleBytes(*path, moduleBytes_, &reason))
        ShowMessage({tr("Не удалось записать файл «%1».\n%2").arg(*path, reason), ProgramCaption(),
                     UserMessage::Icon::Error, {}});
}

std::optional<QString> CPageLoadPicture::ChooseCopy() const
{
    const ModulePictureBackupStore *store = ProgramBackupStore();
    if (store) {
        const std::vector<ModulePictureBackupStore::Copy> copies = store->Copies(picture_);
        if (!copies.empty()) {
            CBackupCopyDialog dialog(copies, window());
            if (dialog.exec() != QDialog::Accepted)
                return std::nullopt;
            if (!dialog.OtherFileChosen())
                return dialog.ChosenPath();
        }
    }
    FileDialogRequest request = PictureDialog(FileDialogRequest::Kind::Open);
    // This module's copies; all copies while it has none yet.
    if (store) {
        for (const QString &folder : {store->ModuleFolder(Serial()), store->Root()}) {
            if (QFileInfo(folder).isDir()) {
                request.directory = folder;
                break;
            }
        }
    }
    return AskFileName(request);
}

PictureUpload::Result CPageLoadPicture::RestoreFromFile()
{
    const std::optional<QString> path = ChooseCopy();
    if (!path)
        return {};
    QString reason;
    const std::optional<ModulePicture::Buffer> bytes = ModulePictureBackupStore::ReadCopy(*path, &reason);
    if (!bytes) {
        ShowMessage({tr("Не удалось прочитать изображение «%1»: %2.").arg(QDir::toNativeSeparators(*path), reason),
                     ProgramCaption(), UserMessage::Icon::Error, {}});
        return {};
    }
    const QFileInfo file(*path);
    const UserQuestion question{tr("Записать в модуль копию «%1»?\nКартинка, которая сейчас в модуле, будет заменена.")
                                    .arg(file.fileName()),
                                ProgramCaption(),
                                {tr("Записать"), tr("Отмена")},
                                1,
                                1};
    if (AskUser(question) != 0)
        return {};
    return WriteBytes(*bytes);
}
