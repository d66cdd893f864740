// Application start-up and the file dialog on Qt.
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <filesystem>
#include <system_error>

#include "afx_qt.h"
#include "afxdlgs.h"
#include "dlgtemplate.h"
#include "qt_internal.h"
#include "qt_testhooks.h"

namespace {

CWinApp* g_app = nullptr;

// The program file's name without its extension.
std::string ProgramTitle() {
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

}  // namespace

// ---------------------------------------------------------------------------
// Application object and start-up

CWinApp::CWinApp(LPCTSTR lpszAppName) {
    g_app = this;
    if (lpszAppName) {
        m_appName = lpszAppName;
        m_pszAppName = m_appName.c_str();
    }
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
    QApplication::exec();
    return ExitInstance();
}

int CWinApp::ExitInstance() { return 0; }

CWinApp* AfxGetApp() { return g_app; }

LPCTSTR AfxGetAppName() {
    if (g_app) {
        if (!g_app->m_pszAppName) {
            g_app->m_appName = ProgramTitle();
            g_app->m_pszAppName = g_app->m_appName.c_str();
        }
        return g_app->m_pszAppName;
    }
    static const std::string title = ProgramTitle();
    return title.c_str();
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

// ---------------------------------------------------------------------------
// File dialog

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd)
    : m_bOpen(bOpenFileDialog),
      m_defExt(lpszDefExt),
      m_fileName(lpszFileName),
      m_filter(lpszFilter),
      m_flags(dwFlags),
      m_pParent(pParentWnd) {}

namespace {

// "Description|pattern;pattern|...||" to Qt's "Description (pattern pattern)" list.
// "*.*" means every file, as it does where the notation comes from.
QStringList QtFilters(const std::string& filter) {
    QStringList parts = QString::fromUtf8(filter.c_str()).split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        }
        result << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(u' '));
    }
    return result;
}

}  // namespace

INT_PTR CFileDialog::DoModal() {
    if (FileHandler()) {
        std::optional<std::string> chosen =
            FileHandler()(FileDialogRequest{m_bOpen, m_defExt.str(), m_fileName.str(), m_filter.str(), m_flags});
        if (!chosen) return IDCANCEL;
        m_path = *chosen;
        return IDOK;
    }
    if (!QApplication::instance()) return IDCANCEL;
    AfxQtInitialize();
    QFileDialog dialog(m_pParent ? AfxQtWidget(m_pParent->m_hWnd) : nullptr);
    dialog.setAcceptMode(m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // Without "file must exist" a name may be typed that does not exist (yet).
    dialog.setFileMode((m_bOpen && (m_flags & OFN_FILEMUSTEXIST)) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!m_bOpen && !(m_flags & OFN_OVERWRITEPROMPT)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = QtFilters(m_filter.str());
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    const QString ext = QString::fromUtf8(m_defExt.str().c_str()).remove(QStringLiteral("*.")).remove(u'*');
    if (!ext.isEmpty() && !ext.contains(u'.')) dialog.setDefaultSuffix(ext);
    if (!m_fileName.IsEmpty()) dialog.selectFile(QString::fromUtf8(m_fileName.str().c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return IDCANCEL;
    m_path = QFileInfo(dialog.selectedFiles().front()).absoluteFilePath().toUtf8().toStdString();
    return IDOK;
}
