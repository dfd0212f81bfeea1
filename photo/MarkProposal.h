#pragma once

#include <QPointF>

#include <vector>

// Which of the marks seen on a photo of the monitor is which guide point,
// read from how the installer lays the marks out on the ground: the base
// line is the lowest row of marks (left end, middle, right end); each side
// line runs up from its end of the base line with marks at 1 to 4 m, closer
// together the farther they are; each turning curve leaves the base line's
// end and bends inwards, its crosses just inside the side line. Grid units,
// y down. Plain numbers: no widgets, no photo.
namespace MarkProposal {

// Guide-point guidePoints: 0 base line left end, 1 its middle, 2 its right end;
// 3..7 the left side line (base, 1 m .. 4 m), 8..12 the right one; 13..15
// the left curve, 18..20 the right curve (their first point is the base
// line's end on that side).
constexpr int kSlotCount = 21;

// For each slot asked for, the index in marks of the mark proposed for it,
// or -1 when none fits (missing, or too unclear to say). A mark is proposed
// for at most one place on the ground (the base line's ends stand for the
// side lines' and the curves' first points too). Any input: non-finite
// positions are ignored, guidePoints out of range get -1.
std::vector<int> Propose(const std::vector<QPointF> &marks, const std::vector<int> &guidePoints);

} // namespace MarkProposal
