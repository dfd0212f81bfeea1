#pragma once

#include "MonitorState.h"

#include <QImage>
#include <QString>
#include <QWidget>

namespace ModuleSim {

// The car monitor on the desktop: the latest monitor picture, scaled to the
// window, with a line saying what the module shows and its option values.
// Opens at the top right corner of the screen, beside the setup program's
// wizard (which opens in the middle), shrinking to fit there.
class MonitorWindow : public QWidget {
public:
    MonitorWindow();

    void ShowPicture(const QImage &picture, const MonitorState &state);
    // The line under the picture: the screen shown, then the option values.
    const QString &StatusText() const { return status_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QImage picture_;
    QString status_;
    bool placed_ = false;
};

} // namespace ModuleSim
