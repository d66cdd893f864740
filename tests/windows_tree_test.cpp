// The Windows tree window driven through its messages, as the dialog and the
// user drive it: the item protocol, keys, clicks, and the rows shown.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tree_window.h"

namespace tp = tree_protocol;

namespace {

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

TEST_F(TreeWindowTest, MessagesAppendNavigateReadAndClear) {
    EXPECT_TRUE(tp::MatchesFacadeHandles());
    EXPECT_GT(rowHeight_, 0);
    FillAvi(3);
    EXPECT_EQ(Send(tp::kGetCount), 12);
    EXPECT_EQ(Next(nullptr, tp::kNextRoot), root_);
    EXPECT_EQ(Next(root_, tp::kNextChild), hdrl_);
    EXPECT_EQ(Next(hdrl_, tp::kNextSibling), movi_);
    EXPECT_EQ(Next(junk_, tp::kNextSibling), nullptr);
    EXPECT_EQ(Next(root_, tp::kNextSibling), junk_);
    EXPECT_EQ(Next(strl_, tp::kNextParent), hdrl_);
    EXPECT_EQ(Next(root_, tp::kNextParent), nullptr);
    EXPECT_EQ(Text(Next(movi_, tp::kNextChild)), "00dc");
    EXPECT_EQ(Text(strl_), "LIST_strl");

    // UTF-8 passes through unchanged; a short buffer gets a cut, terminated text.
    void* wide = Insert(junk_, "\xE5\x88\x86\xE6\x9E\x90");
    EXPECT_EQ(Text(wide), "\xE5\x88\x86\xE6\x9E\x90");
    char small[5];
    tp::Item query{tp::kMaskText, root_, 0, 0, small, sizeof small, 0, 0, 0, 0};
    EXPECT_TRUE(Send(tp::kGetItem, 0, reinterpret_cast<LPARAM>(&query)));
    EXPECT_STREQ(small, "RIFF");

    // Refusals: unknown parent, any position but the end, unknown handles.
    EXPECT_EQ(Insert(reinterpret_cast<void*>(uintptr_t{1000}), "x"), nullptr);
    EXPECT_EQ(Insert(root_, "x", -0x0FFFF), nullptr);
    EXPECT_EQ(Text(reinterpret_cast<void*>(uintptr_t{1000})), "(none)");
    EXPECT_EQ(Next(reinterpret_cast<void*>(uintptr_t{1000}), tp::kNextChild), nullptr);
    EXPECT_EQ(Send(tp::kGetCount), 13);
    EXPECT_FALSE(Send(tp::kDeleteItem, 0, reinterpret_cast<LPARAM>(root_)));

    EXPECT_TRUE(Send(tp::kDeleteItem, 0, tp::kRootHandle));
    EXPECT_EQ(Send(tp::kGetCount), 0);
    EXPECT_EQ(Next(nullptr, tp::kNextRoot), nullptr);
    EXPECT_EQ(Visible(), 0u);
    EXPECT_EQ(Selection(), nullptr);
    // Filled again after clearing: handles start over, nothing left open.
    FillAvi(1);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"RIFF_AVI", "JUNK"}));
}

TEST_F(TreeWindowTest, FillingLeavesEverythingClosedAndNothingSelected) {
    FillAvi(5);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"RIFF_AVI", "JUNK"}));
    EXPECT_EQ(Selection(), nullptr);
    HFONT font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    EXPECT_EQ(reinterpret_cast<HFONT>(Send(WM_GETFONT)), font);
}

TEST_F(TreeWindowTest, ArrowsOpenCloseAndMoveLikeATreeView) {
    FillAvi(2);
    Key(VK_DOWN);
    EXPECT_EQ(Selected(), "RIFF_AVI");
    Key(VK_RIGHT);  // opens
    EXPECT_EQ(Rows(), (std::vector<std::string>{"RIFF_AVI", "LIST_hdrl", "LIST_movi", "idx1", "JUNK"}));
    Key(VK_RIGHT);  // to the first child
    EXPECT_EQ(Selected(), "LIST_hdrl");
    Key(VK_DOWN);
    Key(VK_RIGHT);
    Key(VK_DOWN);
    EXPECT_EQ(Selected(), "00dc");
    Key(VK_LEFT);  // a leaf goes to its parent
    EXPECT_EQ(Selected(), "LIST_movi");
    Key(VK_LEFT);  // an open item closes
    EXPECT_EQ(Visible(), 5u);
    Key(VK_LEFT);
    EXPECT_EQ(Selected(), "RIFF_AVI");
    Key(VK_SUBTRACT);
    EXPECT_EQ(Visible(), 2u);
    Key(VK_ADD);
    EXPECT_EQ(Visible(), 5u);
    Key(VK_END);
    EXPECT_EQ(Selected(), "JUNK");
    Key(VK_HOME);
    EXPECT_EQ(Selected(), "RIFF_AVI");
    Key(VK_UP);  // stays at the top
    EXPECT_EQ(Selected(), "RIFF_AVI");
}

TEST_F(TreeWindowTest, ReopeningShowsOpenDescendantsInOrder) {
    FillAvi(1);
    Key(VK_HOME);
    Key(VK_MULTIPLY);  // everything below the root
    const std::vector<std::string> all{"RIFF_AVI", "LIST_hdrl", "avih", "LIST_strl", "strh",
                                       "strf",     "LIST_movi", "00dc", "idx1",      "JUNK"};
    EXPECT_EQ(Rows(), all);
    Key(VK_SUBTRACT);
    EXPECT_EQ(Visible(), 2u);
    Key(VK_ADD);  // the levels below stay open
    EXPECT_EQ(Rows(), all);
    // Items appended under open items show in place.
    Insert(strl_, "vprp");
    Insert(root_, "LIST_odml");
    Insert(nullptr, "LIST_INFO");
    EXPECT_EQ(Text(RowItem(6)), "vprp");
    EXPECT_EQ(Text(RowItem(10)), "LIST_odml");
    EXPECT_EQ(Text(RowItem(12)), "LIST_INFO");
    EXPECT_EQ(Visible(), 13u);
}

TEST_F(TreeWindowTest, PagesAndTheEndScrollTheSelectionIntoView) {
    FillAvi(100);
    Key(VK_HOME);
    Key(VK_MULTIPLY);
    ASSERT_EQ(Visible(), 109u);
    Key(VK_NEXT);  // to the last full row of the page, 10 rows tall
    EXPECT_EQ(Text(Selection()), Text(RowItem(9)));
    EXPECT_EQ(Top(), 0u);
    Key(VK_NEXT);
    EXPECT_EQ(Text(Selection()), Text(RowItem(18)));
    EXPECT_EQ(Top(), 9u);
    Key(VK_END);
    EXPECT_EQ(Selected(), "JUNK");
    EXPECT_EQ(Top(), 99u);
    Key(VK_PRIOR);
    EXPECT_EQ(Text(Selection()), Text(RowItem(99)));
    EXPECT_EQ(Top(), 99u);
    Key(VK_HOME);
    EXPECT_EQ(Top(), 0u);
    // The wheel scrolls without moving the selection.
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_GT(Top(), 0u);
    EXPECT_EQ(Selected(), "RIFF_AVI");
}

TEST_F(TreeWindowTest, TypingSelectsTheNextRowStartingWithTheLetters) {
    FillAvi(3);
    Key(VK_HOME);
    Key(VK_MULTIPLY);
    Type("l");
    EXPECT_EQ(Selected(), "LIST_hdrl");
    Send(WM_CHAR, 'l', 1);
    EXPECT_EQ(Selected(), "LIST_strl");  // the same letter again: the next row starting with it
    Sleep(1100);                         // a pause starts a new word
    Type("list_m");
    EXPECT_EQ(Selected(), "LIST_movi");
    Sleep(1100);
    Type("j");
    EXPECT_EQ(Selected(), "JUNK");
    Sleep(1100);
    Type("r");  // wraps round to the top
    EXPECT_EQ(Selected(), "RIFF_AVI");
}

TEST_F(TreeWindowTest, ClicksSelectAndTheBoxOpensAndCloses) {
    FillAvi(2);
    const RECT box = ButtonRectOr({-1, -1, -1, -1}, 0);
    ASSERT_GE(box.left, 0);
    const int x = (box.left + box.right) / 2, y = (box.top + box.bottom) / 2;
    Click(x, y);
    EXPECT_EQ(Visible(), 5u);
    EXPECT_EQ(Selection(), nullptr);  // the box does not select
    EXPECT_FALSE(Send(tp::kGetButtonRect, 3, reinterpret_cast<LPARAM>(&box)));  // idx1 has none
    // A click on a label selects; a double click opens.
    Click(box.right + 40, y + 2 * rowHeight_);
    EXPECT_EQ(Selected(), "LIST_movi");
    Click(box.right + 40, y + 2 * rowHeight_, WM_LBUTTONDBLCLK);
    EXPECT_EQ(Visible(), 7u);
    Key(VK_DOWN);
    EXPECT_EQ(Selected(), "00dc");
    // Closing the root by its box takes the selection up to it.
    Click(x, y);
    EXPECT_EQ(Visible(), 2u);
    EXPECT_EQ(Selected(), "RIFF_AVI");
    Click(x, y);
    EXPECT_EQ(Visible(), 7u);
}

}  // namespace
