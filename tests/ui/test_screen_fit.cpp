#include "ui/ScreenFit.h"

#include <gtest/gtest.h>

// Available areas (task bar at the bottom) of the two screens a stick travels between, and a
// second screen right of the small one.
TEST(FitOntoScreens, KeepsARectangleMostlyOnAScreenAndMovesAnyOtherOntoThePrimary) {
    const QRect large(0, 0, 1920, 1160), small(0, 0, 1366, 728), second(1366, 0, 1920, 1160);
    const struct {
        QList<QRect> screens;
        QRect saved, expected;
    } cases[] = {
        {{large}, {1000, 100, 900, 700}, {1000, 100, 900, 700}},
        {{large}, {2500, 300, 900, 700}, {1020, 300, 900, 700}},
        {{small}, {600, 100, 900, 700}, {600, 100, 900, 700}},
        {{small}, {1000, 100, 900, 700}, {466, 28, 900, 700}},
        {{small}, {-1500, 10, 900, 700}, {0, 10, 900, 700}},
        {{small}, {200, 100, 1600, 1000}, {0, 0, 1366, 728}},
        {{small, second}, {2500, 300, 900, 700}, {2500, 300, 900, 700}},
    };
    for (const auto& c : cases) {
        const QRect got = FitOntoScreens(c.saved, c.screens, c.screens.front());
        EXPECT_EQ(got, c.expected) << c.saved.x() << " on " << c.screens.front().width() << ": " << got.x()
                                   << "," << got.y() << " " << got.width() << "x" << got.height();
    }
}
