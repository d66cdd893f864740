// Test entry: a QApplication for the widgets (the platform plugin comes
// from QT_QPA_PLATFORM, "offscreen" under ctest).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (as ctest's discovery does) needs no screen.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    return RUN_ALL_TESTS();
}
