#pragma once

#include "Settings.h"

// The right side of the guide lines as the mirror image of the left about a
// symmetry line, in grid units: the line stands at `position` where it meets
// the base line's middle point (slot 1) and leans by `deviation` across its
// height up to the top of the grid (a base at y 0, or none that is a number,
// gives a vertical line). What the symmetry page's automatic mode does to
// the record; no widget takes part.
//
// Sets the right border (slots 8..12) and the right curve (18..22) from the
// left ones (3..7, 13..17) with their flags, the base line's right end
// (slot 2) to the right border's base x, and stores the line itself:
// MirrorX, MirrorShift, MirrorY (the base's height) and MirrorUsing.
// Computed coordinates stay within the grid's entry range; a left point
// that is no number gives a point on the line.
void MirrorRightSide(Settings &record, double position, double deviation);
