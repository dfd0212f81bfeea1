#include "DialogTemplate.h"

#include "CValueSpinCtrl.h"
#include "ResourceIds.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBrowser>

QRect DialogUnitsToPixels(const QWidget *dialog, const QRect &units)
{
    const QFontMetrics metrics(dialog->font());
    const int baseX = metrics.averageCharWidth();
    const int baseY = metrics.height();
    return QRect(units.x() * baseX / 4, units.y() * baseY / 8,
                 units.width() * baseX / 4, units.height() * baseY / 8);
}

void BuildDialog(QWidget *page, const std::vector<ControlSpec> &controls)
{
    QLineEdit *lastEdit = nullptr;
    for (const ControlSpec &spec : controls) {
        QWidget *w = nullptr;
        switch (spec.kind) {
        case ControlSpec::Kind::HelpText: {
            auto *text = new QTextBrowser(page);
            text->setReadOnly(true);
            text->setOpenLinks(false);
            text->setFocusPolicy(Qt::NoFocus);
            w = text;
            break;
        }
        case ControlSpec::Kind::Frame:
        case ControlSpec::Kind::Picture: {
            auto *frame = new QFrame(page);
            frame->setFrameShape(QFrame::Box);
            w = frame;
            break;
        }
        case ControlSpec::Kind::Static:
            w = new QLabel(spec.text, page);
            break;
        case ControlSpec::Kind::Edit:
            lastEdit = new QLineEdit(page);
            w = lastEdit;
            break;
        case ControlSpec::Kind::Spin: {
            auto *spin = new CValueSpinCtrl(page);
            if (lastEdit)
                spin->SetBuddy(lastEdit);
            w = spin;
            break;
        }
        case ControlSpec::Kind::Button:
            w = new QPushButton(spec.text, page);
            break;
        case ControlSpec::Kind::Combo:
            w = new QComboBox(page);
            break;
        case ControlSpec::Kind::Progress:
            w = new QProgressBar(page);
            break;
        }
        if (spec.id != 0)
            w->setObjectName(Ids::ObjectName(spec.id));
        w->setGeometry(DialogUnitsToPixels(page, spec.units));
    }
}
