#include "MonitorFeed.h"

#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>

namespace ModuleSim {

MonitorFeed::MonitorFeed(const SceneSetup &setup, QString pngPath, PhotoOptions photo, QString truthPath)
    : renderer_(setup), pngPath_(std::move(pngPath)), photo_(photo), truthPath_(std::move(truthPath))
{
}

void MonitorFeed::Publish(MonitorState state)
{
    std::lock_guard lock(mutex_);
    waiting_ = std::make_unique<MonitorState>(std::move(state));
    if (posted_)
        return;
    posted_ = true;
    QMetaObject::invokeMethod(&context_, [this] { Update(); }, Qt::QueuedConnection);
}

void MonitorFeed::Update()
{
    std::unique_ptr<MonitorState> state;
    {
        std::lock_guard lock(mutex_);
        state = std::move(waiting_);
        posted_ = false;
    }
    if (!state)
        return;
    const QImage picture = renderer_.Render(*state);
    if (!pngPath_.isEmpty())
        WritePng(picture, *state);
    if (listener_)
        listener_(picture, *state);
}

void MonitorFeed::WritePng(const QImage &picture, const MonitorState &state)
{
    bool written = true;
    QImage tagged = picture;
    if (photo_.kind != PhotoKind::Plain || !truthPath_.isEmpty()) {
        const Photo photo = PhotoCamera::Take(picture, state.settings, renderer_.Scene(), photo_);
        tagged = photo.picture;
        // The truth first: once a PNG is there, so is the truth about it.
        if (!truthPath_.isEmpty()) {
            QSaveFile truth(truthPath_);
            written = truth.open(QIODevice::WriteOnly) && truth.write(QJsonDocument(photo.ToJson()).toJson()) >= 0
                && truth.commit();
            if (!written && !pngFailed_)
                std::fprintf(stderr, "module-sim: cannot write the truth %s\n", qPrintable(truthPath_));
        }
    }
    tagged.setText(QStringLiteral("Commands"), QString::number(state.commands));
    tagged.setText(QStringLiteral("Module"), state.Summary());
    QSaveFile file(pngPath_);
    const bool saved = file.open(QIODevice::WriteOnly) && tagged.save(&file, "PNG") && file.commit();
    if (!saved && !pngFailed_)
        std::fprintf(stderr, "module-sim: cannot write the monitor picture %s\n", qPrintable(pngPath_));
    pngFailed_ = !saved || !written;
}

} // namespace ModuleSim
