#include "LabelPlacement.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace LabelPlacement {

std::vector<QRectF> Place(const std::vector<QPointF> &marks, const std::vector<QSizeF> &sizes, double radius)
{
    std::vector<QRectF> placed;
    placed.reserve(marks.size());
    std::vector<QRectF> circles;
    for (const QPointF &m : marks)
        circles.push_back(QRectF(m - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius)));
    auto overlapsLabel = [&](const QRectF &box) {
        return std::any_of(placed.begin(), placed.end(), [&](const QRectF &p) { return p.intersects(box); });
    };
    auto overlapsMark = [&](const QRectF &box) {
        return std::any_of(circles.begin(), circles.end(), [&](const QRectF &c) { return c.intersects(box); });
    };
    for (size_t i = 0; i < marks.size(); ++i) {
        const QSizeF size = i < sizes.size() ? sizes[i] : QSizeF();
        const double w = std::max(0.0, size.width()), h = std::max(0.0, size.height());
        const QPointF at = marks[i];
        std::optional<QRectF> chosen;
        std::optional<QRectF> offMarksOnly;
        // Up right first, then the other corners, the sides, then farther out.
        for (int ring = 1; ring <= 4 && !chosen; ++ring) {
            const double g = radius * ring + 2;
            const QPointF corners[] = {{at.x() + g * 0.7, at.y() - g * 0.7 - h}, {at.x() - g * 0.7 - w, at.y() - g * 0.7 - h},
                                       {at.x() + g * 0.7, at.y() + g * 0.7},     {at.x() - g * 0.7 - w, at.y() + g * 0.7},
                                       {at.x() + g, at.y() - h / 2},             {at.x() - g - w, at.y() - h / 2},
                                       {at.x() - w / 2, at.y() - g - h},         {at.x() - w / 2, at.y() + g}};
            for (const QPointF &corner : corners) {
                const QRectF box(corner, QSizeF(w, h));
                if (overlapsLabel(box))
                    continue;
                if (!overlapsMark(box)) {
                    chosen = box;
                    break;
                }
                if (!offMarksOnly)
                    offMarksOnly = box;
            }
        }
        if (!chosen)
            chosen = offMarksOnly;
        if (!chosen) {
            // Crowded: above every label so far, straight over the mark.
            double top = at.y() - radius - 2;
            for (const QRectF &p : placed)
                if (p.right() >= at.x() - w && p.left() <= at.x() + w)
                    top = std::min(top, p.top() - 1);
            chosen = QRectF(QPointF(at.x() - w / 2, top - h), QSizeF(w, h));
            if (overlapsLabel(*chosen)) {
                double highest = top;
                for (const QRectF &p : placed)
                    highest = std::min(highest, p.top() - 1);
                chosen = QRectF(QPointF(at.x() - w / 2, highest - h), QSizeF(w, h));
            }
        }
        placed.push_back(*chosen);
    }
    return placed;
}

} // namespace LabelPlacement
