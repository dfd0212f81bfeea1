#include "ConfigurationEdit.h"

#include "ConfigurationTable.h"
#include "GridGeometry.h"
#include "SymmetryLine.h"

#include <algorithm>
#include <cmath>

namespace {

template <typename T> T WithinRange(const ConfigurationField &field, T value)
{
    const std::optional<FieldRange> range = RangeOf(field);
    if (!range)
        return value;
    const double v = std::clamp(static_cast<double>(value), range->minimum, range->maximum);
    return static_cast<T>(v);
}

double WithinGrid(double v)
{
    // No number at all is not a place on the grid: its built-in place is the origin.
    return std::isnan(v) ? 0.0 : std::clamp(v, Grid::kLowest, Grid::kHighest);
}

} // namespace

void ConfigurationEdit::Set(int Settings::*field, int value)
{
    if (record_.*field != value)
        record_.*field = WithinRange(field, value);
}

void ConfigurationEdit::Set(bool Settings::*field, bool value)
{
    record_.*field = value;
}

void ConfigurationEdit::Set(double Settings::*field, double value)
{
    if (record_.*field != value)
        record_.*field = std::isfinite(value) ? WithinRange(field, value) : record_.*field;
}

void ConfigurationEdit::Set(QString Settings::*field, const QString &value)
{
    record_.*field = value;
}

void ConfigurationEdit::SetLabelText(int index, const QString &text)
{
    if (index >= 0 && index < 4)
        record_.LabelLineText[index] = text;
}

void ConfigurationEdit::SetPoint(int slot, double x, double y, unsigned char flag)
{
    double oldX = 0, oldY = 0;
    unsigned char oldFlag = 0;
    record_.GetPoint(slot, oldX, oldY, oldFlag);
    // An unchanged coordinate keeps what the file held, as any field does.
    record_.SetPoint(slot, x == oldX ? x : WithinGrid(x), y == oldY ? y : WithinGrid(y), flag);
}

void ConfigurationEdit::MirrorRightSide(double position, double deviation)
{
    ::MirrorRightSide(record_, WithinRange(&Settings::MirrorX, position), WithinRange(&Settings::MirrorShift, deviation));
}

void ConfigurationEdit::FollowSymmetryLine()
{
    if (record_.MirrorUsing)
        ::MirrorRightSide(record_, record_.MirrorX, record_.MirrorShift);
}

void ConfigurationEdit::TakeAll(const Settings &from)
{
    CopyFields(record_, from, DifferingFields(record_, from));
}
