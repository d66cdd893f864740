// The dialog end to end on a big file, offscreen: type the path, press 分析
// (analyse, clear the control, insert every item, show the collapsed tree),
// then expand the largest list and scroll to its end. Prints the time of
// each step and the process's peak memory.
//   bench-dialog-riff FILE   (Tarnwick's dialog)
//   bench-dialog-atom FILE   (Quellby's dialog)
#include <sys/resource.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <cstdio>
#include <string>

#include "afx_qt.h"
#include "afxtest.h"
#include "programs.h"
#include "resource.h"
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

int CountItems(const QAbstractItemModel* m, const QModelIndex& parent) {
    int n = 0;
    for (int r = 0, rows = m->rowCount(parent); r < rows; ++r) n += 1 + CountItems(m, m->index(r, 0, parent));
    return n;
}

// The item with the most children anywhere in the tree.
QModelIndex LargestList(const QAbstractItemModel* m, const QModelIndex& parent, int& best) {
    QModelIndex found;
    for (int r = 0, rows = m->rowCount(parent); r < rows; ++r) {
        const QModelIndex i = m->index(r, 0, parent);
        const int children = m->rowCount(i);
        if (children > best) {
            best = children;
            found = i;
        }
        if (children > 0) {
            const QModelIndex deeper = LargestList(m, i, best);
            if (deeper.isValid()) found = deeper;
        }
    }
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const std::string path = argv[1];
    int status = 1;

    AfxSetMessageBoxHandler([](const MessageBoxRequest& r) {
        std::fprintf(stderr, "message box: %s\n", r.text.c_str());
        return IDOK;
    });
    AfxSetDialogShownHandler([&](CDialog& d) {
        QWidget* w = AfxQtWidget(d.m_hWnd);
        auto* view = Control<QTreeView>(w, IDC_TREE);
        Settle(w);
        const double before = CurrentMiB();
        Control<QLineEdit>(w, IDC_PATH)->setText(QString::fromStdString(path));

        QElapsedTimer timer;
        timer.start();
        Control<QPushButton>(w, IDC_ANALYZE)->click();
        Settle(w);
        const double analyseMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        const double shownMiB = CurrentMiB();
        const double shownPeak = PeakMiB();

        const QAbstractItemModel* model = view->model();
        int children = 0;
        const QModelIndex largest = LargestList(model, {}, children);

        timer.restart();
        for (QModelIndex up = largest; up.isValid(); up = up.parent()) view->expand(up);
        Settle(w);
        const double expandMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

        timer.restart();
        view->scrollToBottom();
        Settle(w);
        const double scrollMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        const bool atEnd = view->verticalScrollBar()->value() == view->verticalScrollBar()->maximum();
        const double peak = PeakMiB();
        const int items = CountItems(model, {});  // visits every item: after the measurements

        std::printf("items shown            %d\n", items);
        std::printf("analyse and show       %.1f ms\n", analyseMs);
        std::printf("largest list           %d items\n", children);
        std::printf("expand it              %.1f ms\n", expandMs);
        std::printf("scroll to its end      %.1f ms%s\n", scrollMs, atEnd ? "" : " (not at the end!)");
        std::printf("memory before/after    %.1f / %.1f MiB resident\n", before, shownMiB);
        std::printf("peak memory, shown     %.1f MiB\n", shownPeak);
        std::printf("peak memory, expanded  %.1f MiB\n", peak);
        status = items > 0 && atEnd ? 0 : 1;
        d.EndDialog(IDCANCEL);
    });
    // VIEWER_PROGRAM: TarnwickProgram or QuellbyProgram, as the build says.
    const ViewerProgram& program = VIEWER_PROGRAM();
    AfxSetResourceHandle(program.resources);
    CViewerDlg dlg(program);
    dlg.DoModal();
    return status;
}
