// The numbers of the marks on the photo never cover each other, however
// close the marks are.
#include "LabelPlacement.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(LabelPlacement, labelsNeverOverlapAndStayByLoneMarks)
{
    std::vector<QPointF> cloud;
    for (int i = 0; i < 40; ++i)
        cloud.push_back({100 + 30 * std::sin(i * 1.3), 100 + 20 * std::cos(i * 0.7)});
    const struct {
        const char *name;
        std::vector<QPointF> marks;
    } cases[] = {
        {"two marks a pixel apart", {{50, 50}, {51, 50}}},
        {"ten on one spot", std::vector<QPointF>(10, QPointF(80, 80))},
        {"a tight row", {{10, 10}, {16, 10}, {22, 10}, {28, 10}, {34, 10}, {40, 10}}},
        {"a cloud", cloud},
        {"far apart", {{0, 0}, {300, 0}, {0, 300}}},
    };
    const QSizeF size(18, 14);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<QRectF> boxes =
            LabelPlacement::Place(c.marks, std::vector<QSizeF>(c.marks.size(), size), 10);
        ASSERT_EQ(boxes.size(), c.marks.size());
        for (size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_EQ(boxes[i].size(), size);
            for (size_t j = i + 1; j < boxes.size(); ++j)
                EXPECT_FALSE(boxes[i].intersects(boxes[j])) << i << " " << j;
        }
        if (c.marks.size() == 3) {
            for (size_t i = 0; i < 3; ++i)
                EXPECT_LT(QLineF(boxes[i].center(), c.marks[i]).length(), 30) << "beside its mark";
        }
    }
}
