#include "support/QtPrint.h"
#include "ui/StatusThrottle.h"

#include <QTest>
#include <gtest/gtest.h>

TEST(StatusThrottle, HoldsBackTextsThatComeTooSoonAndWritesTheNewestAtTheNextTick) {
    QStringList written;
    StatusThrottle throttle([&](const QString& text) { written << text; }, 50);
    throttle.show("a");
    throttle.show("b");
    throttle.show("c");
    EXPECT_EQ(written, QStringList({"a"}));
    // A slow folder: nothing new comes, yet its name appears once the interval has passed.
    QTest::qWait(200);
    EXPECT_EQ(written, QStringList({"a", "c"}));
    throttle.show("d");
    throttle.flush();
    throttle.flush();
    throttle.showNow("e");
    QTest::qWait(100);
    EXPECT_EQ(written, QStringList({"a", "c", "d", "e"}));
}
