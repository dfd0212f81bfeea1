#include "MonitorFeed.h"

#include <QSaveFile>

#include <cstdio>

namespace ModuleSim {

MonitorFeed::MonitorFeed(const SceneSetup &setup, QString pngPath) : renderer_(setup), pngPath_(std::move(pngPath))
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
    QImage tagged = picture;
    tagged.setText(QStringLiteral("Commands"), QString::number(state.commands));
    tagged.setText(QStringLiteral("Module"), state.Summary());
    QSaveFile file(pngPath_);
    const bool written = file.open(QIODevice::WriteOnly) && tagged.save(&file, "PNG") && file.commit();
    if (!written && !pngFailed_)
        std::fprintf(stderr, "module-sim: cannot write the monitor picture %s\n", qPrintable(pngPath_));
    pngFailed_ = !written;
}

} // namespace ModuleSim
