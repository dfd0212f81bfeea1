// A bare Qt dialog program started the way the wizard is, for comparing
// start-up time and memory: it quits as soon as its window is painted.
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace {
class Dialog : public QDialog {
protected:
    bool event(QEvent *e) override
    {
        const bool r = QDialog::event(e);
        if (e->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            QTimer::singleShot(0, this, &QDialog::reject);
        }
        return r;
    }
    bool painted_ = false;
};
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Dialog dialog;
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Tarvello")));
    dialog.resize(640, 480);
    dialog.exec();
    return 0;
}
