#include "support/QtPrint.h"
#include "ui/StatusThrottle.h"

#include <QTest>
#include <gtest/gtest.h>

TEST(StatusThrottle, WritesTheNewestTextHeldBackAtTheNextTick) {
    QStringList written;
    StatusThrottle throttle([&](const QString& text) { written << text; }, 50);
    for (const char* text : {"a", "b", "c"})
        throttle.show(text);
    EXPECT_EQ(written, QStringList({"a"}));
    // A slow folder: nothing new comes, yet its name appears once the interval has passed.
    QTest::qWait(200);
    throttle.show("d");
    throttle.show("e");
    throttle.flush();
    EXPECT_EQ(written, QStringList({"a", "c", "d", "e"}));
}
