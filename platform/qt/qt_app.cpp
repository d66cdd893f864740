// The application object and start-up on Qt.
#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <filesystem>
#include <string>
#include <system_error>

#include "afx_qt.h"
#include "app_title.h"
#include "dlgtemplate.h"
#include "qt_internal.h"
#include "wait_cursor.h"

// The program file's name without its extension.
std::string AfxProgramTitle() {
    std::string path;
    if (QCoreApplication::instance()) {
        path = QCoreApplication::applicationFilePath().toStdString();
    } else {
        std::error_code ec;
        path = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    }
    if (path.empty()) return "Application";
    std::filesystem::path p(path);
    return p.has_extension() ? p.stem().string() : p.filename().string();
}

namespace {
int g_waitCursors = 0;  // CWaitCursor objects alive that set the override cursor
}  // namespace

CWaitCursor::CWaitCursor() {
    if (!QApplication::instance()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++g_waitCursors;
}

CWaitCursor::~CWaitCursor() {
    if (g_waitCursors == 0) return;
    --g_waitCursors;
    QApplication::restoreOverrideCursor();
}

AfxWaitCursorPause::AfxWaitCursorPause() {
    if (g_waitCursors == 0 || !QApplication::instance()) return;
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    paused_ = true;
}

AfxWaitCursorPause::~AfxWaitCursorPause() {
    if (paused_) QApplication::restoreOverrideCursor();
}

int CWinApp::Run() {
    QApplication::exec();
    return ExitInstance();
}

void AfxQtInitialize() {
    static bool done = false;
    if (done || !QCoreApplication::instance()) return;
    done = true;
    // The dialog font of the resources, 宋体 (SimSun), is a Song face; AR PL
    // UMing is the Song/Ming face the system provides. Without this mapping
    // fontconfig would pick a sans-serif Latin face.
    for (const char* name : {"宋体", "SimSun", "新宋体", "NSimSun"})
        QFont::insertSubstitution(QString::fromUtf8(name), QStringLiteral("AR PL UMing CN"));
    // One face for every text the program shows, Latin and Chinese alike:
    // message boxes, menus and the file dialog take the dialogs' 9-point Song.
    QApplication::setFont(QFont(QString::fromUtf8("宋体"), 9));
    // The interface is Chinese by design, whatever the system's locale: the
    // toolkit's own texts (file dialog, context menus, standard buttons),
    // dates and sizes follow it.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

void AfxQtApplyVersionResource() {
    const VersionResource* version = AfxFindVersionResource(1);
    if (!version) return;
    QCoreApplication::setApplicationVersion(QString::fromStdString(AfxVersionText(*version)));
    const char* name = AfxVersionString(*version, "InternalName");
    if (!name || !*name) return;
    QCoreApplication::setApplicationName(QString::fromUtf8(name));
    // The desktop entry is installed under the lower-case name.
    QGuiApplication::setDesktopFileName(QString::fromUtf8(name).toLower());
}

int AfxWinMain(int argc, char** argv) {
    // The window system sees the program's name only: arguments on the
    // command line (including the toolkit's own options) change nothing.
    static int qtArgc = 1;
    static char fallbackName[] = "program";
    static char* qtArgv[] = {argc > 0 && argv && argv[0] ? argv[0] : fallbackName, nullptr};
    QApplication application(qtArgc, qtArgv);
    AfxQtInitialize();
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    QApplication::setApplicationName(QString::fromUtf8(AfxGetAppName()));
    AfxQtApplyVersionResource();
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
