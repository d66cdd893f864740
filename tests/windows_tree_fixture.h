// The fixture of the Windows tree window's tests: a tree window, 10 rows
// tall, in a frame of its own, and the facade's messages to fill and read it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tree_window.h"

namespace tree_test {

namespace tp = tree_protocol;

class TreeWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(RegisterTreeWindowClass(instance));
        frame_ = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                 nullptr, instance, nullptr);
        ASSERT_NE(frame_, nullptr);
        const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | tp::kHasButtons | tp::kHasLines |
                            tp::kLinesAtRoot;
        // 10 rows of the default font's height fit.
        tree_ = CreateWindowExW(0, kTreeWindowClass, L"", style, 0, 0, 240, 10, frame_, reinterpret_cast<HMENU>(1002),
                                instance, nullptr);
        ASSERT_NE(tree_, nullptr);
        rowHeight_ = RowHeight();
        RECT frame{0, 0, 240, 10 * rowHeight_};
        AdjustWindowRectEx(&frame, WS_CHILD | WS_BORDER, FALSE, 0);
        MoveWindow(tree_, 0, 0, frame.right - frame.left, frame.bottom - frame.top, TRUE);
    }
    void TearDown() override {
        if (frame_) DestroyWindow(frame_);
    }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(tree_, message, wParam, lParam);
    }
    void* Insert(void* parent, const char* text, intptr_t after = tp::kLastHandle) {
        tp::Insert insert{};
        insert.hParent = parent;
        insert.hInsertAfter = reinterpret_cast<void*>(after);
        insert.item.mask = tp::kMaskText;
        insert.item.pszText = const_cast<char*>(text);
        return reinterpret_cast<void*>(Send(tp::kInsertItem, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    void* Next(void* item, unsigned code) {
        return reinterpret_cast<void*>(Send(tp::kGetNextItem, code, reinterpret_cast<LPARAM>(item)));
    }
    std::string Text(void* item) {
        char buffer[64] = "unchanged";
        tp::Item query{};
        query.mask = tp::kMaskText;
        query.hItem = item;
        query.pszText = buffer;
        query.cchTextMax = sizeof buffer;
        if (!Send(tp::kGetItem, 0, reinterpret_cast<LPARAM>(&query))) return "(none)";
        return buffer;
    }
    size_t Visible() { return static_cast<size_t>(Send(tp::kGetVisibleCount)); }
    void* RowItem(size_t row) { return reinterpret_cast<void*>(Send(tp::kGetRowItem, row)); }
    void* Selection() { return reinterpret_cast<void*>(Send(tp::kGetSelection)); }
    size_t Top() { return static_cast<size_t>(Send(tp::kGetTopRow)); }
    // The labels of the rows shown, top to bottom.
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (size_t r = 0, n = Visible(); r < n; ++r) rows.push_back(Text(RowItem(r)));
        return rows;
    }
    std::string Selected() { return Selection() ? Text(Selection()) : "(none)"; }
    void Key(WPARAM key) { Send(WM_KEYDOWN, key, 1); }
    void Type(const char* text) {
        for (; *text; ++text) Send(WM_CHAR, static_cast<unsigned char>(*text), 1);
    }
    void Click(int x, int y, UINT message = WM_LBUTTONDOWN) {
        Send(message, MK_LBUTTON, MAKELPARAM(x, y));
        Send(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    RECT ButtonRectOr(RECT fallback, size_t row = 0) {
        RECT r = fallback;
        return tree_ && Send(tp::kGetButtonRect, row, reinterpret_cast<LPARAM>(&r)) ? r : fallback;
    }
    int RowHeight() {
        // The height of a row, from where the box of the second row sits.
        Insert(nullptr, "a");
        Insert(Insert(nullptr, "b"), "c");
        Insert(Insert(nullptr, "d"), "e");
        RECT one{}, two{};
        Send(tp::kGetButtonRect, 1, reinterpret_cast<LPARAM>(&one));
        Send(tp::kGetButtonRect, 2, reinterpret_cast<LPARAM>(&two));
        Send(tp::kDeleteItem, 0, tp::kRootHandle);
        return static_cast<int>(two.top - one.top);
    }

    // RIFF_AVI > {LIST_hdrl > {avih, LIST_strl > {strh, strf}}, LIST_movi > 00dc x n, idx1}; JUNK
    void FillAvi(int frames) {
        root_ = Insert(nullptr, "RIFF_AVI");
        hdrl_ = Insert(root_, "LIST_hdrl");
        Insert(hdrl_, "avih");
        strl_ = Insert(hdrl_, "LIST_strl");
        Insert(strl_, "strh");
        Insert(strl_, "strf");
        movi_ = Insert(root_, "LIST_movi");
        char name[16];
        for (int i = 0; i < frames; ++i) {
            snprintf(name, sizeof name, "0%ddc", i);
            Insert(movi_, name);
        }
        Insert(root_, "idx1");
        junk_ = Insert(nullptr, "JUNK");
    }

    HWND frame_ = nullptr;
    HWND tree_ = nullptr;
    int rowHeight_ = 0;
    void *root_ = nullptr, *hdrl_ = nullptr, *strl_ = nullptr, *movi_ = nullptr, *junk_ = nullptr;
};

}  // namespace tree_test
