#pragma once

#include "MonitorRenderer.h"
#include "MonitorState.h"
#include "PhotoCamera.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>

namespace ModuleSim {

// Carries the module's state from the line's thread to the thread that
// draws the monitor (the one that made the feed, running a Qt event loop).
// States published while one is being drawn are coalesced: only the newest
// is drawn, so a burst of block writes costs a few pictures, not hundreds,
// and the line never waits for drawing.
class MonitorFeed {
public:
    // Told each new picture, on the feed's thread.
    using Listener = std::function<void(const QImage &picture, const MonitorState &state)>;

    // pngPath: where each picture is written as a PNG; empty for none.
    // photo: what the PNG shows (PhotoKind::Plain: the picture itself);
    // truthPath: where the truth about each PNG goes (JSON), empty for none.
    MonitorFeed(const SceneSetup &setup, QString pngPath, PhotoOptions photo = {PhotoKind::Plain},
                QString truthPath = {});

    void SetListener(Listener listener) { listener_ = std::move(listener); }

    // Any thread: the module's state has changed (or may have).
    void Publish(MonitorState state);
    // The feed's thread: draws the newest published state, if one waits,
    // writes the PNG and tells the listener. Runs by itself after Publish;
    // call it once more after the event loop has ended to catch the last one.
    void Update();

    const MonitorRenderer &Renderer() const { return renderer_; }
    // The last PNG or truth could not be written.
    bool WriteFailed() const { return pngFailed_; }

private:
    void WritePng(const QImage &picture, const MonitorState &state);

    MonitorRenderer renderer_;
    QString pngPath_;
    PhotoOptions photo_;
    QString truthPath_;
    Listener listener_;
    QObject context_; // queued updates run on its thread
    std::mutex mutex_;
    std::unique_ptr<MonitorState> waiting_;
    bool posted_ = false;
    bool pngFailed_ = false;
};

} // namespace ModuleSim
