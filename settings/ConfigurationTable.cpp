#include "ConfigurationTable.h"

#include "GridGeometry.h"

#include <QByteArray>
#include <QtGlobal>

#include <limits>
#include <type_traits>

namespace {

constexpr char kCommon[] = "Common";
constexpr char kCamera[] = "Camera";
constexpr char kMarker[] = "Marker mode";
constexpr char kParking[] = "ParkingSensor";
constexpr char kStage[] = "Stage";
constexpr char kMirror[] = "MirrorLine";

// Line and background brightness: the built-in values of "Bright1" and
// "Bright2", which New writes under the older keys "Brightness1" and
// "Brightness2" instead.
constexpr char kLineBrightness[] = "80";
constexpr char kBackgroundBrightness[] = "25";

// Built-in points of a new configuration, grid units, as New writes them.
constexpr const char *kLeftBorder[][2] = {{"0.5", "8.0"}, {"1.0", "6.0"}, {"1.8", "4.0"}, {"2.5", "3.0"}, {"3.4", "2.0"}};
constexpr const char *kRightBorder[][2] = {{"9.5", "8.0"}, {"9.0", "6.0"}, {"8.2", "4.0"}, {"7.5", "3.0"}, {"6.6", "2.0"}};
constexpr const char *kLeftCurve[][2] = {{"1.0", "7.0"}, {"3.0", "4.8"}, {"9.0", "2.0"}, {"0", "-1"}, {"0", "-1"}};
constexpr const char *kRightCurve[][2] = {{"9.0", "7.0"}, {"7.0", "4.8"}, {"1.0", "2.0"}, {"0", "-1"}, {"0", "-1"}};
constexpr const char *kBaseLine[][2] = {{"0.5", "8.0"}, {"5.0", "9.0"}, {"9.5", "8.0"}};

constexpr FieldRange kGridCoordinate{Grid::kLowest, Grid::kHighest, Grid::kStep};

using K = KeyKind;
using R = KeyRole;
using S = Settings;

// Names are in the words of the page that edits the field; a point group's
// is its line in the genitive, after "точка N".
constexpr ConfigurationKey kKeys[] = {
    {kCommon, "WarningEnabled", K::Int, R::Field, &S::WarningSeconds, "0", true, FieldRange{0, 5},
     QT_TRANSLATE_NOOP("ConfigurationChange", "время показа предупреждения")},
    {kCommon, "Reflection", K::Bool, R::Field, &S::Reflection, "0", true, FieldRange{0, 1},
     QT_TRANSLATE_NOOP("ConfigurationChange", "зеркализация изображения")},
    {kCommon, "LineThickness", K::Int, R::Field, &S::LineThickness, "2", true, FieldRange{0, 10},
     QT_TRANSLATE_NOOP("ConfigurationChange", "толщина габаритных линий")},
    {kCommon, "CurveThickness", K::Int, R::Field, &S::CurveThickness, "2", true, FieldRange{0, 10},
     QT_TRANSLATE_NOOP("ConfigurationChange", "толщина кривых")},
    {kCommon, "CurveTicks", K::Int, R::Field, &S::CurveTicks, "15", true, FieldRange{0, 30},
     QT_TRANSLATE_NOOP("ConfigurationChange", "длина штриха кривых")},
    {kCommon, "CurveTicksSpace", K::Int, R::Field, &S::CurveTicksSpace, "15", true, FieldRange{0, 30},
     QT_TRANSLATE_NOOP("ConfigurationChange", "длина пробела кривых")},
    {kCommon, "CustomFileLines", K::Text, R::Field, &S::CustomFileLines, "", true, {},
     QT_TRANSLATE_NOOP("ConfigurationChange", "файл изображения линий")},
    {kCommon, "CustomFileWarning", K::Text, R::Field, &S::CustomFileWarning, "", true, {},
     QT_TRANSLATE_NOOP("ConfigurationChange", "файл изображения предупреждения")},
    {kCommon, "Bright1", K::Int, R::Field, &S::LineBrightness, kLineBrightness, false, FieldRange{20, 80},
     QT_TRANSLATE_NOOP("ConfigurationChange", "яркость линий")},
    {kCommon, "Bright2", K::Int, R::Field, &S::BackgroundBrightness, kBackgroundBrightness, false, FieldRange{20, 80},
     QT_TRANSLATE_NOOP("ConfigurationChange", "яркость фона")},
    {kCommon, "Brightness1", K::Int, R::NewOnly, {}, kLineBrightness, true, {}},
    {kCommon, "Brightness2", K::Int, R::NewOnly, {}, kBackgroundBrightness, true, {}},

    {kCamera, "ShiftX", K::Int, R::GridShift, &S::CameraShiftX, "250", true, FieldRange{0, 255},
     QT_TRANSLATE_NOOP("ConfigurationChange", "сдвиг решетки")},
    {kCamera, "ShiftY", K::Int, R::GridShift, &S::CameraShiftY, "45", true, FieldRange{0, 255},
     QT_TRANSLATE_NOOP("ConfigurationChange", "сдвиг решетки")},
    // Nothing sets the camera brightness: both keys carry its built-in value.
    {kCamera, "Brightness1", K::Int, R::SaveOnly, &S::CameraBrightness, "0", false, {}},
    {kCamera, "Brightness2", K::Int, R::SaveOnly, &S::CameraBrightness, "0", false, {}},

    {kMarker, "SideLineMode", K::Int, R::Field, &S::SideLineMode, "0", true, FieldRange{0, 9},
     QT_TRANSLATE_NOOP("ConfigurationChange", "метки на габаритных линиях")},
    {kMarker, "BaseLineMode", K::Int, R::Field, &S::BaseLineMode, "0", true, FieldRange{0, 10},
     QT_TRANSLATE_NOOP("ConfigurationChange", "метки на базовой линии")},
    {kMarker, "BaseLineText", K::Text, R::Field, &S::BaseLineText, "0.5 м", true, {},
     QT_TRANSLATE_NOOP("ConfigurationChange", "текст базовой линии")},
    {kMarker, "LabelLineText1", K::Text, R::Field, LabelTextField{0}, "1", true, {},
     QT_TRANSLATE_NOOP("ConfigurationChange", "текст метки 1")},
    {kMarker, "LabelLineText2", K::Text, R::Field, LabelTextField{1}, "2", true, {},
     QT_TRANSLATE_NOOP("ConfigurationChange", "текст метки 2")},
    {kMarker, "LabelLineText3", K::Text, R::Field, LabelTextField{2}, "3", true, {},
     QT_TRANSLATE_NOOP("ConfigurationChange", "текст метки 3")},
    {kMarker, "LabelLineText4", K::Text, R::Field, LabelTextField{3}, "4", true, {},
     QT_TRANSLATE_NOOP("ConfigurationChange", "текст метки 4")},
    {kMarker, "FontHeight", K::Int, R::Field, &S::FontHeight, "25", true, FieldRange{10, 35},
     QT_TRANSLATE_NOOP("ConfigurationChange", "высота шрифта")},
    {kMarker, "ShiftX", K::Int, R::Field, &S::LabelShiftX, "0", true, FieldRange{-255, 255},
     QT_TRANSLATE_NOOP("ConfigurationChange", "отступ меток")},
    {kMarker, "ShiftY", K::Int, R::Field, &S::LabelShiftY, "5", true, FieldRange{-255, 255},
     QT_TRANSLATE_NOOP("ConfigurationChange", "отступ меток")},

    {"SideLineLeft", "", K::PointGroup, R::Field, PointGroupField{3, 5, kLeftBorder}, nullptr, true, kGridCoordinate,
     QT_TRANSLATE_NOOP("ConfigurationChange", "левой границы")},
    {"SideLineRight", "", K::PointGroup, R::Field, PointGroupField{8, 5, kRightBorder}, nullptr, true, kGridCoordinate,
     QT_TRANSLATE_NOOP("ConfigurationChange", "правой границы")},
    {"CurveLeft", "", K::PointGroup, R::Field, PointGroupField{13, 5, kLeftCurve}, nullptr, true, kGridCoordinate,
     QT_TRANSLATE_NOOP("ConfigurationChange", "левой кривой")},
    {"CurveRight", "", K::PointGroup, R::Field, PointGroupField{18, 5, kRightCurve}, nullptr, true, kGridCoordinate,
     QT_TRANSLATE_NOOP("ConfigurationChange", "правой кривой")},
    {"BaseLine", "", K::PointGroup, R::Field, PointGroupField{0, 3, kBaseLine}, nullptr, true, kGridCoordinate,
     QT_TRANSLATE_NOOP("ConfigurationChange", "базовой линии")},

    {kParking, "FrontEnabled", K::Int, R::Field, &S::FrontEnabled, "0", true, FieldRange{0, 0},
     QT_TRANSLATE_NOOP("ConfigurationChange", "передний парктроник")},
    {kParking, "RearEnabled", K::Int, R::Field, &S::RearEnabled, "0", true, FieldRange{0, 1},
     QT_TRANSLATE_NOOP("ConfigurationChange", "задний парктроник")},
    {kParking, "MenuShift", K::Int, R::Field, &S::IndicatorX, "0", true, FieldRange{0, 10},
     QT_TRANSLATE_NOOP("ConfigurationChange", "положение шкалы")},
    {kParking, "MenuShiftY", K::Int, R::Field, &S::IndicatorY, "0", true, FieldRange{0, 255},
     QT_TRANSLATE_NOOP("ConfigurationChange", "положение шкалы")},
    // No sound setting exists; the misspelt key is the one older files hold.
    {kParking, "SoundEnabled", K::Int, R::Constant, {}, "0", true, {}},
    {kParking, "SountEnabled", K::Bool, R::Ignored, {}, nullptr, false, {}},
    {kStage, "CurrentStage", K::Int, R::Constant, {}, "0", true, {}},

    {kMirror, "MirrorX", K::Double, R::Field, &S::MirrorX, "5.0", true, FieldRange{0, 10, Grid::kStep},
     QT_TRANSLATE_NOOP("ConfigurationChange", "линия симметрии")},
    {kMirror, "MirrorY", K::Double, R::Field, &S::MirrorY, "10.0", true, {},
     QT_TRANSLATE_NOOP("ConfigurationChange", "линия симметрии")},
    {kMirror, "MirrorShift", K::Double, R::Field, &S::MirrorShift, "0.0", true, FieldRange{-5, 5, Grid::kStep},
     QT_TRANSLATE_NOOP("ConfigurationChange", "линия симметрии")},
    {kMirror, "MirrorUsing", K::Bool, R::Field, &S::MirrorUsing, "0", true, FieldRange{0, 1},
     QT_TRANSLATE_NOOP("ConfigurationChange", "расчёт правой стороны")},
};

// The kind of each row matches the type of its field.
constexpr bool KindFits(const ConfigurationKey &key)
{
    switch (key.kind) {
    case K::Int:
        return std::holds_alternative<int S::*>(key.field) || std::holds_alternative<unsigned char S::*>(key.field)
               || std::holds_alternative<std::monostate>(key.field);
    case K::Bool:
        return std::holds_alternative<bool S::*>(key.field) || std::holds_alternative<std::monostate>(key.field);
    case K::Double:
        return std::holds_alternative<double S::*>(key.field);
    case K::Text:
        return std::holds_alternative<QString S::*>(key.field) || std::holds_alternative<LabelTextField>(key.field);
    case K::PointGroup:
        return std::holds_alternative<PointGroupField>(key.field);
    }
    return false;
}

constexpr bool AllKindsFit()
{
    for (const ConfigurationKey &key : kKeys) {
        if (!KindFits(key))
            return false;
        // Only rows without a field may lack one; only fields and points have a built-in value.
        const bool hasField = !std::holds_alternative<std::monostate>(key.field);
        if (hasField != (key.role != R::NewOnly && key.role != R::Constant && key.role != R::Ignored))
            return false;
        if ((key.builtIn == nullptr) != (key.kind == K::PointGroup || key.role == R::Ignored))
            return false;
    }
    return true;
}
static_assert(AllKindsFit(), "a row's kind, role and field disagree");

} // namespace

std::span<const ConfigurationKey> ConfigurationKeys()
{
    return kKeys;
}

void SetBuiltInValues(Settings &s)
{
    for (const ConfigurationKey &key : kKeys) {
        if (!key.builtIn)
            continue;
        const QByteArray text(key.builtIn);
        std::visit(
            [&](auto field) {
                using F = decltype(field);
                if constexpr (std::is_same_v<F, int S::*>)
                    s.*field = text.toInt();
                else if constexpr (std::is_same_v<F, unsigned char S::*>)
                    s.*field = static_cast<unsigned char>(text.toInt());
                else if constexpr (std::is_same_v<F, bool S::*>)
                    s.*field = text.toInt() != 0;
                else if constexpr (std::is_same_v<F, double S::*>)
                    s.*field = text.toDouble();
                else if constexpr (std::is_same_v<F, QString S::*>)
                    s.*field = QString::fromUtf8(text);
                else if constexpr (std::is_same_v<F, LabelTextField>)
                    s.LabelLineText[field.index] = QString::fromUtf8(text);
            },
            key.field);
    }
}

bool ForEachDifference(const Settings &a, const Settings &b,
                       const std::function<bool(const ConfigurationKey &key, int slot)> &differs)
{
    for (const ConfigurationKey &key : kKeys) {
        const bool goOn = std::visit(
            [&](auto field) {
                using F = decltype(field);
                if constexpr (std::is_same_v<F, std::monostate>) {
                    return true;
                } else if constexpr (std::is_same_v<F, LabelTextField>) {
                    return a.LabelLineText[field.index] == b.LabelLineText[field.index] || differs(key, -1);
                } else if constexpr (std::is_same_v<F, PointGroupField>) {
                    for (int i = field.firstSlot; i < field.firstSlot + field.count; ++i)
                        if (!(a.Points[size_t(i)] == b.Points[size_t(i)]) || a.PointFlags[size_t(i)] != b.PointFlags[size_t(i)])
                            if (!differs(key, i))
                                return false;
                    return true;
                } else {
                    return a.*field == b.*field || differs(key, -1);
                }
            },
            key.field);
        if (!goOn)
            return false;
    }
    return true;
}

std::vector<FieldRef> DifferingFields(const Settings &a, const Settings &b)
{
    std::vector<FieldRef> fields;
    ForEachDifference(a, b, [&](const ConfigurationKey &key, int slot) {
        fields.push_back({&key, slot});
        return true;
    });
    return fields;
}

void CopyFields(Settings &into, const Settings &from, std::span<const FieldRef> fields)
{
    for (const FieldRef &ref : fields)
        std::visit(
            [&](auto field) {
                using F = decltype(field);
                if constexpr (std::is_same_v<F, std::monostate>) {
                } else if constexpr (std::is_same_v<F, LabelTextField>) {
                    into.LabelLineText[field.index] = from.LabelLineText[field.index];
                } else if constexpr (std::is_same_v<F, PointGroupField>) {
                    if (ref.slot >= field.firstSlot && ref.slot < field.firstSlot + field.count) {
                        into.Points[size_t(ref.slot)] = from.Points[size_t(ref.slot)];
                        into.PointFlags[size_t(ref.slot)] = from.PointFlags[size_t(ref.slot)];
                    }
                } else {
                    into.*field = from.*field;
                }
            },
            ref.key->field);
}

std::optional<FieldRange> RangeOf(const ConfigurationField &field)
{
    for (const ConfigurationKey &key : kKeys)
        if (key.field == field)
            return key.range;
    return std::nullopt;
}

IntRange IntRangeOf(int Settings::*field)
{
    const std::optional<FieldRange> range = RangeOf(field);
    if (!range)
        return {std::numeric_limits<int>::min(), std::numeric_limits<int>::max()};
    return {int(range->minimum), int(range->maximum)};
}

bool SameFields(const Settings &a, const Settings &b)
{
    return ForEachDifference(a, b, [](const ConfigurationKey &, int) { return false; });
}
