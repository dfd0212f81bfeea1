#pragma once

#include "Settings.h"

#include <QString>

// The only way into a configuration record's fields from outside the
// configuration library: the document hands one to an edit, on a copy of its
// record, and takes the copy once the edit is done. A value that differs from
// the field's is brought within the range the configuration table gives the
// field; a value equal to the field's changes nothing, so that a number from
// a hand-edited file stays until its field is really changed.
class ConfigurationEdit {
public:
    explicit ConfigurationEdit(Settings &record) : record_(record) {}

    const Settings &Record() const { return record_; }

    void Set(int Settings::*field, int value);
    void Set(bool Settings::*field, bool value);
    void Set(double Settings::*field, double value);
    void Set(QString Settings::*field, const QString &value);
    void SetLabelText(int index, const QString &text);
    // A guide point in grid units with its enabled flag, its coordinates
    // within the grid's range; a slot outside the record is ignored.
    void SetPoint(int slot, double x, double y, unsigned char flag);
    // The right side mirrored from the left about the symmetry line (and the
    // line with the automatic mode stored).
    void MirrorRightSide(double position, double deviation);
    // The right side computed again from the left while the record's
    // symmetry mode is automatic; nothing otherwise.
    void FollowSymmetryLine();
    // Every field that differs from the one given, as that record holds it
    // (a whole configuration from elsewhere: no range is applied).
    void TakeAll(const Settings &from);

private:
    Settings &record_;
};
