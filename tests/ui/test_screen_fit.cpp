#include "ui/ScreenFit.h"

#include <gtest/gtest.h>

namespace {

// Available areas (a task bar of 40 pixels at the bottom) of the two screens a stick travels between.
const QRect Large(0, 0, 1920, 1160);
const QRect Small(0, 0, 1366, 728);
const QRect RightOfSmall(1366, 0, 1920, 1160);

struct Case {
    QList<QRect> screens;
    QRect saved;
    QRect expected;
};

} // namespace

TEST(FitOntoScreens, KeepsARectangleMostlyOnAScreenAndMovesAnyOtherOntoThePrimary) {
    const Case cases[] = {
        // On the large screen everything saved there opens as it was.
        {{Large}, {1000, 100, 900, 700}, {1000, 100, 900, 700}},
        {{Large}, {200, 100, 1600, 1000}, {200, 100, 1600, 1000}},
        {{Large}, {2500, 300, 900, 700}, {1020, 300, 900, 700}},
        // On the small one: mostly on it stays, less than half moves in, too large shrinks.
        {{Small}, {100, 50, 816, 639}, {100, 50, 816, 639}},
        {{Small}, {600, 100, 900, 700}, {600, 100, 900, 700}},
        {{Small}, {1000, 100, 900, 700}, {466, 28, 900, 700}},
        {{Small}, {2500, 300, 900, 700}, {466, 28, 900, 700}},
        {{Small}, {-1500, 10, 900, 700}, {0, 10, 900, 700}},
        {{Small}, {200, 100, 1600, 1000}, {0, 0, 1366, 728}},
        // A second screen that is still there keeps the window it holds.
        {{Small, RightOfSmall}, {2500, 300, 900, 700}, {2500, 300, 900, 700}},
    };
    for (const Case& c : cases) {
        const QRect got = FitOntoScreens(c.saved, c.screens, c.screens.front());
        EXPECT_EQ(got, c.expected) << c.saved.x() << "," << c.saved.y() << " on " << c.screens.front().width()
                                   << ": " << got.x() << "," << got.y() << " " << got.width() << "x"
                                   << got.height();
    }
}
