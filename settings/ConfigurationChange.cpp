#include "ConfigurationChange.h"

#include "ConfigurationTable.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cstring>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("ConfigurationChange", text);
}

// A field's name by its file section and key (a point group by its section),
// in the words of the page that edits it.
struct FieldName {
    const char *section;
    const char *key;
    const char *name;
};

constexpr FieldName kNames[] = {
    {"Common", "WarningEnabled", QT_TRANSLATE_NOOP("ConfigurationChange", "время показа предупреждения")},
    {"Common", "Reflection", QT_TRANSLATE_NOOP("ConfigurationChange", "зеркализация изображения")},
    {"Common", "LineThickness", QT_TRANSLATE_NOOP("ConfigurationChange", "толщина габаритных линий")},
    {"Common", "CurveThickness", QT_TRANSLATE_NOOP("ConfigurationChange", "толщина кривых")},
    {"Common", "CurveTicks", QT_TRANSLATE_NOOP("ConfigurationChange", "длина штриха кривых")},
    {"Common", "CurveTicksSpace", QT_TRANSLATE_NOOP("ConfigurationChange", "длина пробела кривых")},
    {"Common", "CustomFileLines", QT_TRANSLATE_NOOP("ConfigurationChange", "файл изображения линий")},
    {"Common", "CustomFileWarning", QT_TRANSLATE_NOOP("ConfigurationChange", "файл изображения предупреждения")},
    {"Common", "Bright1", QT_TRANSLATE_NOOP("ConfigurationChange", "яркость линий")},
    {"Common", "Bright2", QT_TRANSLATE_NOOP("ConfigurationChange", "яркость фона")},
    {"Camera", "ShiftX", QT_TRANSLATE_NOOP("ConfigurationChange", "сдвиг решетки")},
    {"Camera", "ShiftY", QT_TRANSLATE_NOOP("ConfigurationChange", "сдвиг решетки")},
    {"Marker mode", "SideLineMode", QT_TRANSLATE_NOOP("ConfigurationChange", "метки на габаритных линиях")},
    {"Marker mode", "BaseLineMode", QT_TRANSLATE_NOOP("ConfigurationChange", "метки на базовой линии")},
    {"Marker mode", "BaseLineText", QT_TRANSLATE_NOOP("ConfigurationChange", "текст базовой линии")},
    {"Marker mode", "LabelLineText1", QT_TRANSLATE_NOOP("ConfigurationChange", "текст метки 1")},
    {"Marker mode", "LabelLineText2", QT_TRANSLATE_NOOP("ConfigurationChange", "текст метки 2")},
    {"Marker mode", "LabelLineText3", QT_TRANSLATE_NOOP("ConfigurationChange", "текст метки 3")},
    {"Marker mode", "LabelLineText4", QT_TRANSLATE_NOOP("ConfigurationChange", "текст метки 4")},
    {"Marker mode", "FontHeight", QT_TRANSLATE_NOOP("ConfigurationChange", "высота шрифта")},
    {"Marker mode", "ShiftX", QT_TRANSLATE_NOOP("ConfigurationChange", "отступ меток")},
    {"Marker mode", "ShiftY", QT_TRANSLATE_NOOP("ConfigurationChange", "отступ меток")},
    {"ParkingSensor", "FrontEnabled", QT_TRANSLATE_NOOP("ConfigurationChange", "передний парктроник")},
    {"ParkingSensor", "RearEnabled", QT_TRANSLATE_NOOP("ConfigurationChange", "задний парктроник")},
    {"ParkingSensor", "MenuShift", QT_TRANSLATE_NOOP("ConfigurationChange", "положение шкалы")},
    {"ParkingSensor", "MenuShiftY", QT_TRANSLATE_NOOP("ConfigurationChange", "положение шкалы")},
    {"MirrorLine", "MirrorX", QT_TRANSLATE_NOOP("ConfigurationChange", "линия симметрии")},
    {"MirrorLine", "MirrorY", QT_TRANSLATE_NOOP("ConfigurationChange", "линия симметрии")},
    {"MirrorLine", "MirrorShift", QT_TRANSLATE_NOOP("ConfigurationChange", "линия симметрии")},
    {"MirrorLine", "MirrorUsing", QT_TRANSLATE_NOOP("ConfigurationChange", "расчёт правой стороны")},
    // Point groups: the line in the genitive, after "точка N".
    {"BaseLine", "", QT_TRANSLATE_NOOP("ConfigurationChange", "базовой линии")},
    {"SideLineLeft", "", QT_TRANSLATE_NOOP("ConfigurationChange", "левой границы")},
    {"SideLineRight", "", QT_TRANSLATE_NOOP("ConfigurationChange", "правой границы")},
    {"CurveLeft", "", QT_TRANSLATE_NOOP("ConfigurationChange", "левой кривой")},
    {"CurveRight", "", QT_TRANSLATE_NOOP("ConfigurationChange", "правой кривой")},
};

QString NameOf(const ConfigurationKey &key)
{
    for (const FieldName &name : kNames)
        if (std::strcmp(name.section, key.section) == 0 && std::strcmp(name.key, key.key) == 0)
            return Tr(name.name);
    // A field no page edits: its key, so that the change is still named.
    return QString::fromLatin1(key.key);
}

} // namespace

namespace {

bool MarkedEntered(const Settings &before, const Settings &after, int slot)
{
    const auto i = size_t(slot);
    return before.Points[i] == after.Points[i] && before.PointFlags[i] == 0 && after.PointFlags[i] != 0;
}

} // namespace

bool OnlyMarksEntered(const Settings &before, const Settings &after)
{
    return ForEachDifference(before, after,
                             [&](const ConfigurationKey &, int slot) { return slot >= 0 && MarkedEntered(before, after, slot); });
}

QString ChangeName(const Settings &before, const Settings &after, const std::vector<int> &ownSlots)
{
    struct ChangedPoint {
        int slot;
        QString name;
        QString line;
    };
    QStringList fields;
    std::vector<ChangedPoint> points;
    std::vector<ChangedPoint> marked;  // only marked entered: named when nothing else changed
    ForEachDifference(before, after, [&](const ConfigurationKey &key, int slot) {
        if (slot < 0) {
            const QString name = NameOf(key);
            if (!fields.contains(name))
                fields << name;
            return true;
        }
        const auto &group = std::get<PointGroupField>(key.field);
        const QString line = NameOf(key);
        ChangedPoint point{slot, Tr("точка %1 %2").arg(slot - group.firstSlot + 1).arg(line), line};
        (MarkedEntered(before, after, slot) ? marked : points).push_back(point);
        return true;
    });
    if (points.empty())
        points = marked;
    // A point that moved with one of the page's own (the same place after)
    // is that point's partner, not a change of its own.
    const auto own = [&](int slot) { return std::find(ownSlots.begin(), ownSlots.end(), slot) != ownSlots.end(); };
    std::vector<ChangedPoint> named;
    for (const ChangedPoint &p : points) {
        const bool partner = !own(p.slot) && std::any_of(points.begin(), points.end(), [&](const ChangedPoint &q) {
            return own(q.slot) && after.Points[size_t(q.slot)] == after.Points[size_t(p.slot)];
        });
        if (!partner)
            named.push_back(p);
    }
    // Points that changed with a setting (the right side recomputed when its
    // mode was chosen) follow from it: the setting names the change.
    QStringList names = fields;
    if (names.isEmpty() && !named.empty()) {
        const bool oneLine = std::all_of(named.begin(), named.end(), [&](const ChangedPoint &p) { return p.line == named[0].line; });
        if (named.size() == 1)
            names << named[0].name;
        else if (oneLine)
            names << Tr("точки %1").arg(named[0].line);
        else
            for (const ChangedPoint &p : named)
                if (!names.contains(Tr("точки %1").arg(p.line)))
                    names << Tr("точки %1").arg(p.line);
    }
    if (names.size() > 2)
        return Tr("%1, %2 и другое").arg(names[0], names[1]);
    return names.join(QStringLiteral(", "));
}
