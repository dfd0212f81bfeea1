#include "CPageLoadPicture.h"

#include "CPictureBox.h"
#include "FileDialogRequest.h"
#include "InputBlocker.h"
#include "ModulePicture.h"
#include "PageHost.h"
#include "ResourceIds.h"
#include "UserMessage.h"
#include "UserQuestion.h"

#include <QCoreApplication>
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
    t.push_back({Ids::IDC_BUTTON_SAVE, Kind::Button, tr("Сохранить"), QRect(185, 70, 95, 15)});
    t.push_back({Ids::IDC_BUTTON_LOAD, Kind::Button, tr("Загрузить"), QRect(185, 89, 95, 15)});
    t.push_back({Ids::IDC_BUTTON_DEFAULT, Kind::Button, tr("По умолчанию"), QRect(185, 108, 95, 15)});
    // The photo check goes under the file buttons; writing moves down for it.
    const int below = OffersPhotoCheck() ? 12 : 0;
    if (below)
        t.push_back({Ids::IDC_CHECK_PHOTO, Kind::Button, tr("Проверить по снимку..."), QRect(185, 127, 95, 15)});
    t.push_back({Ids::IDC_BUTTON_WRITE, Kind::Button, tr("Запись"), QRect(185, 134 + below, 95, 15)});
    t.push_back({Ids::IDC_PROGRESS, Kind::Progress, {}, QRect(185, 155 + below, 95, 10)});
    t.push_back({Ids::IDC_UPLOAD_ESTIMATE, Kind::Static, {}, QRect(185, 168 + below, 95, 30 - below / 2)});
    return t;
}

void CPageLoadPicture::BindControls()
{
    ReplaceControl(Ids::IDC_PICTURE, new CPictureBox);
}

void CPageLoadPicture::OnInitDialog()
{
    CPageViewPic::OnInitDialog();
    const std::pair<int, std::function<void()>> buttons[] = {
        {Ids::IDC_BUTTON_SAVE, [this] { SaveToFile(); }},
        {Ids::IDC_BUTTON_LOAD, [this] { LoadFromFile(); }},
        {Ids::IDC_BUTTON_DEFAULT, [this] { ResetToDefault(); }},
        {Ids::IDC_BUTTON_WRITE, [this] { WriteToModule(); }},
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

bool CPageLoadPicture::OnSetActive()
{
    BeginActivation();
    if (Settings *s = SettingsRecord())
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
    if (Settings *s = SettingsRecord())
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
    if (Settings *s = SettingsRecord())
        s->*settingsPath_ = path_;
}

void CPageLoadPicture::ResetToDefault()
{
    path_.clear();
    if (Settings *s = SettingsRecord())
        (s->*settingsPath_).clear();
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
    DeviceLink *link = Link();
    if (!link)
        return {};
    const Settings *s = SettingsRecord();
    const ModulePicture::Buffer bytes = PictureBox()->ModuleBytes(s && s->Reflection);
    if (!ModulePicture::HasDrawnPixel(bytes)) {
        const UserQuestion question{tr("На изображении нет ни одной линии.\nЗаписать в модуль пустое изображение?"),
                                    ProgramCaption(),
                                    {tr("Записать"), tr("Отмена")},
                                    1,
                                    1};
        if (AskUser(question) != 0)
            return {};
    }
    ProgressBar()->setRange(0, PictureUpload::kBlocks);
    Estimate()->clear();

    // The link is used by the worker alone until it ends; results come back
    // to this thread to be reported (the error box waits for the installer,
    // as the write does), progress is posted.
    InputBlocker blocker(window());
    QElapsedTimer clock;
    clock.start();
    PictureUpload::Result result;
    QThread *worker = QThread::create([&] {
        result = PictureUpload::Run(
            *link, bytes, picture_,
            [&](LinkResult r) {
                QMetaObject::invokeMethod(this, [link, r] { link->ReportError(r); }, Qt::BlockingQueuedConnection);
            },
            [&](int position) {
                const qint64 at = clock.elapsed();
                QMetaObject::invokeMethod(this, [this, position, at] { ShowProgress(position, at); }, Qt::QueuedConnection);
            });
    });
    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    // The last progress posted before the worker ended.
    QCoreApplication::sendPostedEvents(this);
    Estimate()->setText(IsDemo() ? tr("Демо-режим: в модуль ничего не записано.")
                                 : tr("Записано: %1 из %2 блоков").arg(result.blocksCompleted).arg(PictureUpload::kBlocks));

    if (result.blocksNotVerified > 0) {
        ShowMessage({tr("Изображение записано, но %1 из %2 блоков при проверке прочитаны из устройства не такими, "
                        "какими были записаны.\nПроверьте соединительный кабель и питание и повторите запись.")
                         .arg(result.blocksNotVerified)
                         .arg(result.blocksCompleted),
                     ProgramCaption(), UserMessage::Icon::Warning, {}});
    }
    return result;
}
