#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <vector>

// Where the numbers of the marks go on the photo: beside each mark, no two
// over each other, and off the other marks where there is room. Plain
// geometry in view pixels.
namespace LabelPlacement {

// A box of sizes[i] for the label of the mark at marks[i] (marks drawn as
// circles of radius around them); boxes never overlap. Sizes missing count
// as empty boxes.
std::vector<QRectF> Place(const std::vector<QPointF> &marks, const std::vector<QSizeF> &sizes, double radius);

} // namespace LabelPlacement
