#pragma once

#include "Settings.h"

#include <QString>

#include <vector>

// The name of a change to the configuration as the installer knows it from
// the pages ("точка 2 левой границы", "толщина кривых"), for the Edit menu's
// "Отменить: ..." and "Повторить: ...". Names the fields that differ between
// the two records, as the unsaved-changes comparison sees them; empty when
// none does.
// ownSlots: the guide points of the page where the change was made; a point
// that only followed one of them (the base line's end shared with a border)
// is not named beside it.
QString ChangeName(const Settings &before, const Settings &after, const std::vector<int> &ownSlots = {});

// Whether the only difference is points marked entered where they were
// (a point page marks the point of the row it shows): no edit of its own.
bool OnlyMarksEntered(const Settings &before, const Settings &after);
