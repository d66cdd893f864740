// The Windows tree window with a million children under one root: filling,
// opening, scrolling, keys and clicks, clearing, and the memory it takes
// beyond the items. Prints its figures; run it under wine by hand.
#include <cstdio>

#include "win32_bench_support.h"
#include "tree_window.h"

namespace tp = tree_protocol;

namespace {

constexpr int kChildren = 1000000;

void Pump(HWND tree) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    UpdateWindow(tree);
}

void* Insert(HWND tree, void* parent, char* text) {
    tp::Insert insert{};
    insert.hParent = parent;
    insert.hInsertAfter = reinterpret_cast<void*>(tp::kLastHandle);
    insert.item.mask = tp::kMaskText;
    insert.item.pszText = text;
    return reinterpret_cast<void*>(SendMessageW(tree, tp::kInsertItem, 0, reinterpret_cast<LPARAM>(&insert)));
}

void Fill(HWND tree) {
    char root[] = "LIST_movi[16000000Bytes]";
    void* parent = Insert(tree, nullptr, root);
    char label[32];
    for (int i = 0; i < kChildren; ++i) {
        snprintf(label, sizeof label, "%02ddc[%dBytes]", i % 100, 16 + i % 49);
        Insert(tree, parent, label);
    }
}

// Runs `step`, lets the window paint, and prints the time taken.
template <typename Step>
void Measure(const char* what, HWND tree, Step step) {
    const double t0 = Now();
    step();
    Pump(tree);
    std::printf("%-42s %9.1f ms\n", what, Ms(t0));
}

}  // namespace

int main() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterTreeWindowClass(instance);
    HWND frame = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 420, 640, nullptr,
                                 nullptr, instance, nullptr);
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | tp::kHasButtons | tp::kHasLines | tp::kLinesAtRoot;
    HWND tree = CreateWindowExW(0, kTreeWindowClass, L"", style, 8, 8, 380, 580, frame, nullptr, instance, nullptr);
    Pump(tree);
    const double before = CommittedMiB();

    Measure("insert 1,000,000 children under one root", tree, [&] { Fill(tree); });
    const double filled = CommittedMiB();
    Measure("expand the root (Home, keypad +)", tree, [&] {
        SendMessageW(tree, WM_KEYDOWN, VK_HOME, 1);
        SendMessageW(tree, WM_KEYDOWN, VK_ADD, 1);
    });
    std::printf("rows shown: %lld\n", static_cast<long long>(SendMessageW(tree, tp::kGetVisibleCount, 0, 0)));
    Measure("scroll to the end (scroll bar)", tree, [&] { SendMessageW(tree, WM_VSCROLL, SB_BOTTOM, 0); });
    Measure("key End (select the last row)", tree, [&] { SendMessageW(tree, WM_KEYDOWN, VK_END, 1); });
    Measure("key Up", tree, [&] { SendMessageW(tree, WM_KEYDOWN, VK_UP, 1); });
    Measure("key Left (to the parent, 1,000,000 rows up)", tree, [&] { SendMessageW(tree, WM_KEYDOWN, VK_LEFT, 1); });
    Measure("key End again", tree, [&] { SendMessageW(tree, WM_KEYDOWN, VK_END, 1); });
    Measure("click on a label", tree, [&] {
        SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 100));
        SendMessageW(tree, WM_LBUTTONUP, 0, MAKELPARAM(120, 100));
    });
    Measure("type a letter no label starts with", tree, [&] { SendMessageW(tree, WM_CHAR, 'q', 1); });
    Measure("wheel down one notch", tree,
            [&] { SendMessageW(tree, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0); });
    const double expanded = CommittedMiB();
    Measure("collapse the root (Home, keypad -)", tree, [&] {
        SendMessageW(tree, WM_KEYDOWN, VK_HOME, 1);
        SendMessageW(tree, WM_KEYDOWN, VK_SUBTRACT, 1);
    });
    Measure("expand it again", tree, [&] { SendMessageW(tree, WM_KEYDOWN, VK_ADD, 1); });
    Measure("clear (delete all items)", tree,
            [&] { SendMessageW(tree, tp::kDeleteItem, 0, tp::kRootHandle); });
    Fill(tree);
    SendMessageW(tree, WM_KEYDOWN, VK_HOME, 1);
    SendMessageW(tree, WM_KEYDOWN, VK_ADD, 1);
    Pump(tree);
    Measure("destroy the tree window holding them, expanded", tree, [&] { DestroyWindow(tree); });
    Measure("then destroy its (empty) top-level window", frame, [&] { DestroyWindow(frame); });

    std::printf("memory: items %.1f MiB; beyond the items after expanding and moving %.1f MiB\n", filled - before,
                expanded - filled);
    return 0;
}
