#include "widgets/WindowStyle.h"

#include <gtest/gtest.h>

namespace {

// A window keeps its size where it fits the free area of its screen; a larger one shrinks to
// that area, its title bar and borders included, and is centred in it.
TEST(WindowStyleTest, WindowsShrinkToTheScreensFreeAreaOnlyWhenTheyDoNotFit)
{
    const QMargins frame(4, 30, 4, 4);
    const struct
    {
        const char *name;
        QSize wanted;
        QRect available;
        QSize expected;
    } cases[] = {
        {"editor on 1280x1024 with a task bar", {1350, 640}, {0, 0, 1280, 984}, {1272, 640}},
        {"fits: kept", {460, 700}, {0, 0, 1280, 984}, {460, 700}},
        {"too high and too wide", {2000, 2000}, {0, 0, 1280, 1024}, {1272, 990}},
        {"second screen, smaller", {1350, 640}, {1280, 0, 1024, 768}, {1016, 640}},
    };
    for (const auto &c : cases) {
        const QRect r = WindowStyle::Fit_Window_Rect(c.wanted, c.available, frame);
        const QRect client = c.available.marginsRemoved(frame);
        EXPECT_EQ(r.size(), c.expected) << c.name;
        EXPECT_TRUE(client.contains(r)) << c.name;
        EXPECT_LE(std::abs((r.left() - client.left()) - (client.right() - r.right())), 1) << c.name;
        EXPECT_LE(std::abs((r.top() - client.top()) - (client.bottom() - r.bottom())), 1) << c.name;
    }
}

} // namespace
