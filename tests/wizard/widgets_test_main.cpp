// Test main for the wizard: a widgets application on Qt's offscreen platform, so the
// tests need no display (also when the test list is read at build time).
#include <gtest/gtest.h>
#include <QApplication>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);  // tests close windows freely
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
