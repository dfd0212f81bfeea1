#pragma once

// The module's calibration grid: 10 x 10 cells over its 400 x 312 picture,
// and the grid units every guide point is given in. One place for what the
// renderer, the photo reading, the entry fields, the configuration table and
// the simulator's monitor all draw or accept.
namespace Grid {

// Cells across and down.
inline constexpr int kCells = 10;
// Pixels of the module's picture per grid unit, across and down.
inline constexpr double kCellWidth = 40.0;
inline constexpr double kCellHeight = 25.0;
// The horizontal grid shift at which the grid starts at the picture's left edge.
inline constexpr int kCentredShiftX = 250;
// The module's own grid shift down the picture ("ATK"), rows above the grid's
// top line, as a new module and a new configuration have it.
inline constexpr int kDefaultShiftY = 45;
// Rows of the module's picture.
inline constexpr int kPictureRows = 312;

// What the point fields accept, in grid units (beyond the grid by two cells
// each way), and how far one step of a spin or Shift + arrow moves.
inline constexpr double kLowest = -2.0;
inline constexpr double kHighest = 12.0;
inline constexpr double kStep = 0.05;

}  // namespace Grid
