// Test entry: a QApplication for the widgets (the platform plugin comes
// from QT_QPA_PLATFORM, "offscreen" under ctest).
#include <gtest/gtest.h>

#include <QApplication>

#include "programs.h"
#include "viewer_app.h"

// The test program's application object, Tarnwick's as in the real program.
CViewerApp theApp(TarnwickProgram());

#if defined(__SANITIZE_ADDRESS__)
// Memory the system's font and Qt libraries keep until the process ends is
// theirs to free, not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libfreetype.so\nleak:libQt6Core.so\nleak:libQt6Gui.so\n"
           "leak:libQt6Widgets.so\nleak:libQt6WaylandClient.so\nleak:libwayland-client.so\nleak:libglib-2.0.so\n";
}
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (as ctest's discovery does) needs no screen.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    // Both programs' resources are linked in; Tarnwick's are the ones looked
    // up unless a test chooses Quellby's.
    AfxSetResourceHandle(TarnwickProgram().resources);
    return RUN_ALL_TESTS();
}
