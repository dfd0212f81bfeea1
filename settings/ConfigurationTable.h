#pragma once

#include "Settings.h"

#include <functional>
#include <optional>
#include <span>
#include <variant>
#include <vector>

// The one table of the configuration file: every key with its section, its
// kind, the Settings field it carries, its built-in value, the range the
// wizard's page, the edits and the module commands give it, and the name the
// edit history shows for it. New, Load, Save, the construction of a Settings
// record and the unsaved-changes comparison all follow it; renaming a field
// means changing its one row here.

// How a value is written and read.
enum class KeyKind { Int, Bool, Double, Text, PointGroup };

// What the file commands do with a key.
enum class KeyRole {
    Field,      // read into its field (Load, New), written from it (Save)
    GridShift,  // a field read only together with its partner, through SetCameraShift
    NewOnly,    // written by New with its built-in text, never read or saved (older files' keys)
    SaveOnly,   // written from its field by Save, never read
    Constant,   // written as its built-in text by New and Save; its value is never used
    Ignored,    // found in files and ignored; nothing writes it
};

// LabelLineText[index].
struct LabelTextField {
    int index;
    bool operator==(const LabelTextField &) const = default;
};

// A section of guide points: record slots firstSlot .. firstSlot + count - 1,
// keys "Point<i>X", "Point<i>Y" (grid units) and "Point<i>V" (enabled flag).
// newPoints holds the x and y texts that New writes per point; New writes
// every "V" as "0". A new record's points are all zero.
struct PointGroupField {
    int firstSlot;
    int count;
    const char *const (*newPoints)[2];
    bool operator==(const PointGroupField &) const = default;
};

using ConfigurationField = std::variant<std::monostate, int Settings::*, bool Settings::*, double Settings::*,
                                        unsigned char Settings::*, QString Settings::*, LabelTextField, PointGroupField>;

// The values the installer can give a field on its page.
struct FieldRange {
    double minimum;
    double maximum;
    double step = 1;  // what one press of a field's arrow adds
};

struct ConfigurationKey {
    const char *section;
    const char *key;  // empty for a point group
    KeyKind kind;
    KeyRole role;
    ConfigurationField field;
    // The built-in value as file text (UTF-8): what a new record holds and,
    // when writtenByNew, what New writes. Null for a point group.
    const char *builtIn;
    bool writtenByNew;
    std::optional<FieldRange> range;  // none: no page edits the field
    // What the history calls a change of the field, untranslated (context
    // "ConfigurationChange"); none: the key names it.
    const char *name = nullptr;
};

// Every key in the order New, Load and Save process them.
std::span<const ConfigurationKey> ConfigurationKeys();

// Gives every field of the table its built-in value (points are left alone).
void SetBuiltInValues(Settings &settings);

// Whether every field of the table (and every point a file holds) is the same
// in both records: what saving them would write.
bool SameFields(const Settings &a, const Settings &b);

// One field of a record as the table knows it: its row and, in a point
// group, the slot (-1 for every other field).
struct FieldRef {
    const ConfigurationKey *key;
    int slot;
    bool operator==(const FieldRef &) const = default;
};

// The fields whose values differ between the two records, in table order.
std::vector<FieldRef> DifferingFields(const Settings &a, const Settings &b);

// Gives into the values from holds in the fields named (a point with its flag).
void CopyFields(Settings &into, const Settings &from, std::span<const FieldRef> fields);

// The range the table gives a field; none where no page edits it.
std::optional<FieldRange> RangeOf(const ConfigurationField &field);

// The table's range of a whole-number field (its fields' and the module's
// range); the whole int range for a field without one.
struct IntRange {
    int low;
    int high;
    int Clamp(int v) const { return v < low ? low : v > high ? high : v; }
};
IntRange IntRangeOf(int Settings::*field);

// Calls differs for every field of the table whose value differs between the
// two records, in table order; a point group calls it once per differing
// slot (slot -1 for every other field). Stops when differs returns false.
// True when every call returned true.
bool ForEachDifference(const Settings &a, const Settings &b,
                       const std::function<bool(const ConfigurationKey &key, int slot)> &differs);
