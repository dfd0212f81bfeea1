#include "ConfigurationChange.h"

#include "ConfigurationTable.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("ConfigurationChange", text);
}

QString NameOf(const ConfigurationKey &key)
{
    // A field no page edits has no name of its own: its key, so that the
    // change is still named.
    return key.name ? Tr(key.name) : QString::fromLatin1(key.key);
}

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
