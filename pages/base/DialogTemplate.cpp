#include "DialogTemplate.h"

#include "CValueSpinCtrl.h"
#include "ResourceIds.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>

QString RadioGroupName(int firstId)
{
    return QStringLiteral("radio-group-%1").arg(firstId);
}

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
    QButtonGroup *group = nullptr;
    for (const ControlSpec &spec : controls) {
        QWidget *w = nullptr;
        if (spec.kind != ControlSpec::Kind::Radio)
            group = nullptr;
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
        case ControlSpec::Kind::Combo: {
            auto *combo = new QComboBox(page);
            combo->addItems(spec.items);
            w = combo;
            break;
        }
        case ControlSpec::Kind::Radio: {
            auto *radio = new QRadioButton(spec.text, page);
            if (!group) {
                group = new QButtonGroup(page);
                group->setObjectName(RadioGroupName(spec.id));
            }
            group->addButton(radio, static_cast<int>(group->buttons().size()));
            w = radio;
            break;
        }
        case ControlSpec::Kind::Progress:
            w = new QProgressBar(page);
            break;
        }
        if (spec.id != 0)
            w->setObjectName(Ids::ObjectName(spec.id));
        w->setGeometry(DialogUnitsToPixels(page, spec.units));
    }
}
