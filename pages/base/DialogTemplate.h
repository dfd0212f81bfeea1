#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

class QWidget;

// One control of a page's dialog template: its id, kind, text and place in
// dialog units. BuildDialog turns the table into child widgets whose
// objectName is Ids::ObjectName(id); the page then registers them with its
// CResizeCtrl.
struct ControlSpec {
    enum class Kind {
        HelpText,   // read-only rich text across the top (1024)
        Frame,      // framed static the page replaces by its preview (1017)
        Static,     // label
        Edit,       // line edit
        Spin,       // CValueSpinCtrl, buddy of the edit before it
        Button,
        Combo,      // drop-down list holding items
        Radio,      // radio button; consecutive radios form one group
        Progress,
        Picture,    // area the page fills with a picture or illustration (1055)
    };

    ControlSpec(int id, Kind kind, QString text, QRect units, QStringList items = {})
        : id(id), kind(kind), text(std::move(text)), units(units), items(std::move(items))
    {
    }

    int id = 0;    // 0 = no id (plain static)
    Kind kind = Kind::Static;
    QString text;
    QRect units;   // position and size in dialog units
    QStringList items;  // a combo's list, in order
};

// Name of the QButtonGroup that BuildDialog makes for a run of radio buttons
// starting with control firstId; each button's id in it is its index.
QString RadioGroupName(int firstId);

// Dialog units of the dialog font: x = du * baseX / 4, y = du * baseY / 8.
QRect DialogUnitsToPixels(const QWidget *dialog, const QRect &units);

// Creates the controls of the table as children of page, in table order.
void BuildDialog(QWidget *page, const std::vector<ControlSpec> &controls);
