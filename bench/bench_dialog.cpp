// The dialog end to end on a big file, offscreen or on a display: type the
// path, press 分析 (analyse, clear the control, insert every item, show the
// collapsed tree), then open the largest list, scroll to its end, and press
// keys and click in it as a user does. Prints the time of each step (each
// until the tree is painted) and the process's memory.
// With a second file: then keypad * on the root (every level open), and 分析
// on the second file, as with a budget (VIEWER_MEMORY_BUDGET) the message
// should come and the first tree stay: prints whether it did and the peak.
//   bench-dialog-riff FILE [SECOND]   (Tarnwick's dialog)
//   bench-dialog-atom FILE [SECOND]   (Quellby's dialog)
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QMouseEvent>
#include <cstdio>
#include <string>
#include <vector>

#include "afx_qt.h"
#include "afxtest.h"
#include "programs.h"
#include "resource.h"
#include "tree_engine.h"
#include "viewer_dlg.h"

namespace {

double PeakMiB() {
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_maxrss) / 1024.0;
}

double CurrentMiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

template <typename T>
T* Control(QWidget* dialog, int id) {
    return dialog->findChild<T*>(QStringLiteral("ctl_%1").arg(id));
}

// Lets every queued event run, then paints the dialog at once.
void Settle(QWidget* dialog) {
    QCoreApplication::processEvents();
    dialog->repaint();
}

// The item with the most children anywhere in the tree.
TreeStore::Index LargestList(const TreeStore& store) {
    TreeStore::Index best = TreeStore::kNone;
    for (TreeStore::Index i = 0; i < store.Count(); ++i)
        if (best == TreeStore::kNone || store.ChildCount(i) > store.ChildCount(best)) best = i;
    return best;
}

double Ms(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

// A key pressed and released on the tree, then the tree painted.
double PressKey(QWidget* dialog, QWidget* tree, int key, const QString& text = {}) {
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text), release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(tree, &press);
    QApplication::sendEvent(tree, &release);
    Settle(dialog);
    return Ms(timer);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s FILE [SECOND]\n", argv[0]);
        return 2;
    }
    const std::string second = argc == 3 ? argv[2] : "";
    int boxes = 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const std::string path = argv[1];
    int status = 1;

    AfxSetMessageBoxHandler([&boxes](const MessageBoxRequest& r) {
        ++boxes;
        std::fprintf(stderr, "message box: %s\n", r.text.c_str());
        return IDOK;
    });
    AfxSetDialogShownHandler([&](CDialog& d) {
        QWidget* w = AfxQtWidget(d.m_hWnd);
        auto* view = Control<QAbstractScrollArea>(w, IDC_TREE);
        TreeEngine& engine = *AfxQtTreeEngine(view);
        Settle(w);
        const double before = CurrentMiB();
        Control<QLineEdit>(w, IDC_PATH)->setText(QString::fromStdString(path));

        QElapsedTimer timer;
        timer.start();
        Control<QPushButton>(w, IDC_ANALYZE)->click();
        Settle(w);
        const double analyseMs = Ms(timer);
        const double shownMiB = CurrentMiB();
        const double shownPeak = PeakMiB();

        // Open the largest list: its ancestors first, then the list itself
        // with the keypad's + on it.
        const TreeStore::Index largest = LargestList(engine.Store());
        const uint32_t children = largest == TreeStore::kNone ? 0 : engine.Store().ChildCount(largest);
        std::vector<TreeStore::Index> chain;
        for (TreeStore::Index a = largest; a != TreeStore::kNone; a = engine.Store().Parent(a)) chain.push_back(a);
        view->setFocus();
        for (size_t k = chain.size(); k-- > 1;) engine.ToggleRow(engine.RowOf(chain[k]), TreeEngine::Toggle::Expand);
        if (largest != TreeStore::kNone) engine.SelectRow(engine.RowOf(largest));
        Settle(w);
        const double beforeOpen = CurrentMiB();
        const double expandMs = PressKey(w, view, Qt::Key_Plus, QStringLiteral("+"));
        const double openedMiB = CurrentMiB();

        timer.restart();
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
        Settle(w);
        const double scrollMs = Ms(timer);
        const bool atEnd = engine.Top() == engine.MaxTop() && engine.RowCount() > children;
        const double endMs = PressKey(w, view, Qt::Key_End);
        const double homeMs = PressKey(w, view, Qt::Key_Home);
        const double pageMs = PressKey(w, view, Qt::Key_PageDown);
        // Type-ahead to the last top-level item's first letter past the list.
        const double typeMs = PressKey(w, view, Qt::Key_I, QStringLiteral("i"));
        timer.restart();
        const QPoint at(engine.Layout().empty() ? 10 : engine.Layout().front().label.left + 4, 3);
        QMouseEvent click(QEvent::MouseButtonPress, at, view->viewport()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &click);
        Settle(w);
        const double clickMs = Ms(timer);
        const double peak = PeakMiB();

        std::printf("items shown            %zu\n", engine.Store().Count());
        std::printf("analyse and show       %.1f ms\n", analyseMs);
        std::printf("largest list           %u items\n", children);
        std::printf("open it (keypad +)     %.1f ms\n", expandMs);
        std::printf("scroll to its end      %.1f ms%s\n", scrollMs, atEnd ? "" : " (not at the end!)");
        std::printf("key End / Home / PgDn  %.1f / %.1f / %.1f ms\n", endMs, homeMs, pageMs);
        std::printf("type-ahead 'i'         %.1f ms\n", typeMs);
        std::printf("click a row            %.1f ms\n", clickMs);
        std::printf("memory before/after    %.1f / %.1f MiB resident\n", before, shownMiB);
        std::printf("memory opening it      %.1f -> %.1f MiB resident\n", beforeOpen, openedMiB);
        std::printf("peak memory, shown     %.1f MiB\n", shownPeak);
        std::printf("peak memory, expanded  %.1f MiB\n", peak);
        status = engine.Store().Count() > 0 && atEnd ? 0 : 1;
        if (!second.empty()) {
            PressKey(w, view, Qt::Key_Home);
            const double starMs = PressKey(w, view, Qt::Key_Asterisk, QStringLiteral("*"));
            const size_t shownRows = engine.RowCount(), items = engine.Store().Count();
            const double starPeak = PeakMiB();
            const int boxesBefore = boxes;
            Control<QLineEdit>(w, IDC_PATH)->setText(QString::fromStdString(second));
            timer.restart();
            Control<QPushButton>(w, IDC_ANALYZE)->click();
            Settle(w);
            const double secondMs = Ms(timer);
            const bool kept = engine.Store().Count() == items;
            std::printf("keypad * on the root   %.1f ms, %zu rows shown; peak then %.1f MiB\n", starMs, shownRows,
                        starPeak);
            std::printf("analyse the second     %.1f ms: %s, %s\n", secondMs,
                        boxes > boxesBefore ? "a message" : "no message",
                        kept ? "the first tree kept" : "a new tree shown");
            std::printf("peak memory at the end %.1f MiB (start-up %.1f MiB)\n", PeakMiB(), before);
        }
        d.EndDialog(IDCANCEL);
    });
    // VIEWER_PROGRAM: TarnwickProgram or QuellbyProgram, as the build says.
    const ViewerProgram& program = VIEWER_PROGRAM();
    AfxSetResourceHandle(program.resources);
    CViewerDlg dlg(program);
    dlg.DoModal();
    return status;
}
