#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

// One main for every test executable: GUI tests drive real widgets on the offscreen platform,
// and nothing may touch the user's configuration folder.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
