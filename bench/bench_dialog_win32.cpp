// The dialog end to end on a big file, on the native Windows backend (run it
// under wine by hand): type the path, press 分析 (analyse, fill the tree,
// paint), open the largest list with the keyboard as a user would, scroll to
// its end, press keys and click, then close the dialog. Prints the time of
// each step and the memory the process has committed.
//   bench-dialog-riff.exe FILE   (Tarnwick's dialog)
//   bench-dialog-atom.exe FILE   (Quellby's dialog)
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "afxtest.h"
#include "programs.h"
#include "resource.h"
#include "tree_protocol.h"
#include "viewer_dlg.h"
#include "win32_bench_support.h"

namespace tp = tree_protocol;

namespace {

// Runs every queued message, then paints whatever is invalid.
void Settle(HWND dialog) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

LPARAM Next(HWND tree, unsigned how, LPARAM item) { return SendMessageW(tree, tp::kGetNextItem, how, item); }

// The item with the most children, and the chain of items down to it
// (root first), walking the control's own items.
std::vector<LPARAM> PathToLargestList(HWND tree, long long& mostChildren) {
    std::vector<LPARAM> path, best;
    mostChildren = 0;
    // Depth-first with an explicit stack of the items being visited.
    for (LPARAM item = Next(tree, tp::kNextRoot, 0); item;) {
        path.push_back(item);
        long long children = 0;
        for (LPARAM child = Next(tree, tp::kNextChild, item); child; child = Next(tree, tp::kNextSibling, child))
            ++children;
        if (children > mostChildren) {
            mostChildren = children;
            best = path;
        }
        if (LPARAM child = Next(tree, tp::kNextChild, item)) {
            item = child;
            continue;
        }
        item = 0;
        while (!path.empty() && !item) {
            item = Next(tree, tp::kNextSibling, path.back());
            path.pop_back();
        }
    }
    return best;
}

void Key(HWND tree, WPARAM key, int times = 1) {
    for (int i = 0; i < times; ++i) SendMessageW(tree, WM_KEYDOWN, key, 1);
}

// Selects a shown item with Home and Down, as a user would, and opens it
// with keypad +.
bool OpenWithKeys(HWND tree, LPARAM item) {
    const LRESULT rows = SendMessageW(tree, tp::kGetVisibleCount, 0, 0);
    for (LRESULT row = 0; row < rows; ++row) {
        if (SendMessageW(tree, tp::kGetRowItem, static_cast<WPARAM>(row), 0) != item) continue;
        Key(tree, VK_HOME);
        Key(tree, VK_DOWN, static_cast<int>(row));
        Key(tree, VK_ADD);
        return true;
    }
    return false;
}

template <typename Step>
double Timed(HWND dialog, Step step) {
    const double t0 = Now();
    step();
    Settle(dialog);
    return Ms(t0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: bench-dialog FILE [SECOND]\n");
        return 2;
    }
    int status = 1;
    double closeStart = 0;
    int boxes = 0;
    AfxSetMessageBoxHandler([&boxes](const MessageBoxRequest& r) {
        ++boxes;
        std::fprintf(stderr, "message box: %s\n", r.text.c_str());
        return IDOK;
    });
    AfxSetDialogShownHandler([&](CDialog& d) {
        HWND dialog = d.m_hWnd;
        HWND tree = GetDlgItem(dialog, IDC_TREE);
        Settle(dialog);
        const double before = CommittedMiB(), startSet = WorkingSetMiB();
        SetWindowTextW(GetDlgItem(dialog, IDC_PATH), argv[1]);

        const double analyseMs = Timed(dialog, [&] {
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ANALYZE, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ANALYZE)));
        });
        const double shown = CommittedMiB();
        const LRESULT items = SendMessageW(tree, tp::kGetCount, 0, 0);

        long long children = 0;
        const std::vector<LPARAM> path = PathToLargestList(tree, children);
        bool opened = !path.empty();
        const double expandMs = Timed(dialog, [&] {
            for (LPARAM item : path) opened = opened && OpenWithKeys(tree, item);
        });
        const double scrollMs = Timed(dialog, [&] { SendMessageW(tree, WM_VSCROLL, SB_BOTTOM, 0); });
        const LRESULT rows = SendMessageW(tree, tp::kGetVisibleCount, 0, 0);
        const bool atEnd = SendMessageW(tree, tp::kGetRowItem, static_cast<WPARAM>(rows - 1), 0) != 0 &&
                           GetScrollPos(tree, SB_VERT) > 0;

        struct Step {
            const char* what;
            double ms;
        };
        std::vector<Step> keys;
        auto key = [&](const char* what, auto step) { keys.push_back({what, Timed(dialog, step)}); };
        key("key End", [&] { Key(tree, VK_END); });
        key("key Up", [&] { Key(tree, VK_UP); });
        key("key PgUp", [&] { Key(tree, VK_PRIOR); });
        key("key Left (to the list, far above)", [&] { Key(tree, VK_LEFT); });
        key("key keypad * (open everything below)", [&] { Key(tree, VK_MULTIPLY); });
        key("click on a row", [&] {
            SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 40));
            SendMessageW(tree, WM_LBUTTONUP, 0, MAKELPARAM(100, 40));
        });
        key("type a letter", [&] { SendMessageW(tree, WM_CHAR, 'q', 1); });
        const double expanded = CommittedMiB();

        std::printf("items shown: %lld; largest list: %lld items, %zu levels down\n", static_cast<long long>(items),
                    children, path.size());
        std::printf("%-38s %9.1f ms\n", "analyse and show", analyseMs);
        std::printf("%-38s %9.1f ms%s\n", "open it and its parents (keys)", expandMs, opened ? "" : " (not opened!)");
        std::printf("%-38s %9.1f ms%s\n", "scroll to its end", scrollMs, atEnd ? "" : " (not at the end!)");
        for (const Step& s : keys) std::printf("%-38s %9.1f ms\n", s.what, s.ms);
        std::printf("memory committed: before %.1f MiB, shown %.1f MiB, after moving %.1f MiB\n", before, shown,
                    expanded);
        status = items > 0 && opened && atEnd ? 0 : 1;
        if (argc == 3) {
            // Every level open under the root, then 分析 on the second file.
            Key(tree, VK_HOME);
            const double starMs = Timed(dialog, [&] { Key(tree, VK_MULTIPLY); });
            const LRESULT shownRows = SendMessageW(tree, tp::kGetVisibleCount, 0, 0);
            const double starPeak = PeakMiB();
            const int boxesBefore = boxes;
            SetWindowTextW(GetDlgItem(dialog, IDC_PATH), argv[2]);
            const double secondMs = Timed(dialog, [&] {
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ANALYZE, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ANALYZE)));
            });
            const bool kept = SendMessageW(tree, tp::kGetCount, 0, 0) == items;
            std::printf("%-38s %9.1f ms, %lld rows; peak then %.1f MiB\n", "keypad * on the root", starMs,
                        static_cast<long long>(shownRows), starPeak);
            std::printf("%-38s %9.1f ms: %s, %s\n", "analyse the second file", secondMs,
                        boxes > boxesBefore ? "a message" : "no message", kept ? "the first tree kept" : "a new tree");
            std::printf("peak working set %.1f MiB (at start-up %.1f MiB)\n", PeakMiB(), startSet);
        }
        closeStart = Now();
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    {
        // VIEWER_PROGRAM: TarnwickProgram or QuellbyProgram, as the build says.
        const ViewerProgram& program = VIEWER_PROGRAM();
        AfxSetResourceHandle(program.resources);
        CViewerDlg dlg(program);
        if (dlg.DoModal() != IDCANCEL) status = 1;
        std::printf("%-38s %9.1f ms\n", "close the dialog (window gone)", Ms(closeStart));
    }
    std::printf("%-38s %9.1f ms\n", "close the dialog (its nodes freed too)", Ms(closeStart));
    return status;
}
