// The Windows tree window driven through its messages, as the dialog and the
// user drive it: the item protocol, keys, clicks, and the rows shown.
#include "windows_tree_fixture.h"

#include <commctrl.h>

namespace {

using tree_test::TreeWindowTest;
namespace tp = tree_protocol;

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

// The system tree view's messages, as a screen reader's proxy sends them to
// a SysTreeView32: the text in UTF-16 or the ANSI code page, and the state.
TEST_F(TreeWindowTest, SystemItemMessagesAnswerInUtf16AndTheAnsiCodePage) {
    FillAvi(1);
    void* film = Insert(junk_, "\xE7\x94\xB5\xE5\xBD\xB1 [13Bytes]");  // 电影
    const std::wstring filmWide = L"\u7535\u5F71 [13Bytes]";
    wchar_t wide[64];
    TVITEMW w{};
    w.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM | TVIF_STATE | TVIF_HANDLE;
    w.hItem = static_cast<HTREEITEM>(film);
    w.pszText = wide;
    w.cchTextMax = 64;
    w.stateMask = 0xFF;
    w.state = 0xFF;
    w.lParam = 7;
    ASSERT_TRUE(Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&w)));
    EXPECT_EQ(std::wstring(wide), filmWide);
    EXPECT_EQ(w.cChildren, 0);
    EXPECT_EQ(w.state, 0u);
    EXPECT_EQ(w.lParam, 0);
    w.mask = TVIF_TEXT | TVIF_CHILDREN;
    w.hItem = static_cast<HTREEITEM>(root_);
    w.cchTextMax = 5;  // cut short, terminated
    ASSERT_TRUE(Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&w)));
    EXPECT_EQ(std::wstring(wide), L"RIFF");
    EXPECT_EQ(w.cChildren, 1);

    char expected[64] = {};
    WideCharToMultiByte(CP_ACP, 0, filmWide.c_str(), -1, expected, sizeof expected, nullptr, nullptr);
    char ansi[64] = "unchanged";
    TVITEMA a{};
    a.mask = TVIF_TEXT;
    a.hItem = static_cast<HTREEITEM>(film);
    a.pszText = ansi;
    a.cchTextMax = sizeof ansi;
    ASSERT_TRUE(Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&a)));
    EXPECT_STREQ(ansi, expected);

    // Selected, open, and focused with the window.
    EXPECT_TRUE(Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root_)));
    EXPECT_TRUE(Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root_)));
    constexpr LRESULT kFocused = 0x0001;  // TVIS_FOCUSED
    EXPECT_EQ(Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(root_), 0xFF), TVIS_SELECTED | TVIS_EXPANDED);
    Send(WM_SETFOCUS);
    EXPECT_EQ(Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(root_), 0xFF), TVIS_SELECTED | TVIS_EXPANDED | kFocused);
    EXPECT_EQ(Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(root_), TVIS_EXPANDED), TVIS_EXPANDED);
    EXPECT_EQ(Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(hdrl_), 0xFF), 0);
    w.mask = TVIF_STATE;
    w.hItem = static_cast<HTREEITEM>(root_);
    w.stateMask = TVIS_SELECTED;
    ASSERT_TRUE(Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&w)));
    EXPECT_EQ(w.state, static_cast<UINT>(TVIS_SELECTED));
    w.hItem = reinterpret_cast<HTREEITEM>(uintptr_t{1000});
    EXPECT_FALSE(Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&w)));
    EXPECT_TRUE(Send(CCM_GETUNICODEFORMAT));
}

TEST_F(TreeWindowTest, GetNextItemAnswersEveryRelation) {
    FillAvi(20);
    const auto next = [&](void* item, WPARAM code) {
        return reinterpret_cast<void*>(Send(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    };
    EXPECT_EQ(next(nullptr, TVGN_ROOT), root_);
    EXPECT_EQ(next(nullptr, TVGN_CHILD), root_);
    EXPECT_EQ(next(TVI_ROOT, TVGN_CHILD), root_);
    EXPECT_EQ(next(root_, TVGN_CHILD), hdrl_);
    EXPECT_EQ(next(hdrl_, TVGN_NEXT), movi_);
    EXPECT_EQ(next(movi_, TVGN_PREVIOUS), hdrl_);
    EXPECT_EQ(next(hdrl_, TVGN_PREVIOUS), nullptr);
    EXPECT_EQ(next(junk_, TVGN_PREVIOUS), root_);
    EXPECT_EQ(next(strl_, TVGN_PARENT), hdrl_);
    EXPECT_EQ(next(nullptr, TVGN_CARET), nullptr);
    EXPECT_EQ(next(nullptr, TVGN_DROPHILITE), nullptr);
    // Visible: shown, all ancestors open.
    EXPECT_EQ(next(nullptr, TVGN_FIRSTVISIBLE), root_);
    EXPECT_EQ(next(root_, TVGN_NEXTVISIBLE), junk_);
    EXPECT_EQ(next(hdrl_, TVGN_NEXTVISIBLE), nullptr);  // inside the closed root
    EXPECT_EQ(next(nullptr, TVGN_LASTVISIBLE), junk_);
    Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root_));
    Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(movi_));
    ASSERT_EQ(Visible(), 25u);
    EXPECT_EQ(next(movi_, TVGN_NEXTVISIBLE), Next(movi_, tp::kNextChild));
    EXPECT_EQ(next(movi_, TVGN_PREVIOUSVISIBLE), hdrl_);
    EXPECT_EQ(next(root_, TVGN_PREVIOUSVISIBLE), nullptr);
    EXPECT_EQ(next(junk_, TVGN_NEXTVISIBLE), nullptr);
    Key(VK_END);  // the last of 25 rows, 10 in the window
    EXPECT_EQ(next(nullptr, TVGN_CARET), junk_);
    EXPECT_EQ(Top(), 15u);
    EXPECT_EQ(next(nullptr, TVGN_FIRSTVISIBLE), RowItem(15));
    EXPECT_EQ(next(nullptr, TVGN_LASTVISIBLE), junk_);
}

TEST_F(TreeWindowTest, RectsHitTestsAndSizesFollowTheRows) {
    FillAvi(20);
    Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root_));  // 5 rows
    EXPECT_EQ(Send(TVM_GETCOUNT), 29);
    EXPECT_EQ(Send(TVM_GETVISIBLECOUNT), 10);  // the rows that fit, not the 5 shown
    EXPECT_EQ(Send(TVM_GETITEMHEIGHT), rowHeight_);
    const RECT rootBox = ButtonRectOr({}, 0), hdrlBox = ButtonRectOr({}, 1);
    const LRESULT indent = Send(TVM_GETINDENT);
    EXPECT_EQ(indent, hdrlBox.left - rootBox.left);

    RECT line{}, text{};
    *reinterpret_cast<HTREEITEM*>(&line) = static_cast<HTREEITEM>(hdrl_);
    *reinterpret_cast<HTREEITEM*>(&text) = static_cast<HTREEITEM>(hdrl_);
    ASSERT_TRUE(Send(TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&line)));
    ASSERT_TRUE(Send(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text)));
    EXPECT_EQ(line.left, 0);
    EXPECT_EQ(line.right, 240);
    EXPECT_EQ(line.top, rowHeight_);
    EXPECT_EQ(line.bottom, 2 * rowHeight_);
    EXPECT_EQ(text.left, 2 * indent + 2);  // past two columns: the root's lines and its own box
    EXPECT_GT(text.right, text.left);
    EXPECT_EQ(text.top, line.top);
    EXPECT_EQ(text.bottom, line.bottom);
    RECT hidden{};
    *reinterpret_cast<HTREEITEM*>(&hidden) = static_cast<HTREEITEM>(strl_);
    EXPECT_FALSE(Send(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&hidden)));

    const auto hit = [&](int x, int y, UINT* flags) {
        TVHITTESTINFO info{{x, y}, 0xFFFF, reinterpret_cast<HTREEITEM>(uintptr_t{99})};
        const auto item = reinterpret_cast<void*>(Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
        *flags = info.flags;
        EXPECT_EQ(static_cast<void*>(info.hItem), item);
        return item;
    };
    const int y = rowHeight_ + rowHeight_ / 2;
    UINT flags = 0;
    EXPECT_EQ(hit((text.left + text.right) / 2, y, &flags), hdrl_);
    EXPECT_EQ(flags, static_cast<UINT>(TVHT_ONITEMLABEL));
    EXPECT_EQ(hit((hdrlBox.left + hdrlBox.right) / 2, y, &flags), hdrl_);
    EXPECT_EQ(flags, static_cast<UINT>(TVHT_ONITEMBUTTON));
    EXPECT_EQ(hit(2, y, &flags), hdrl_);
    EXPECT_EQ(flags, static_cast<UINT>(TVHT_ONITEMINDENT));
    EXPECT_EQ(hit(235, y, &flags), hdrl_);
    EXPECT_EQ(flags, static_cast<UINT>(TVHT_ONITEMRIGHT));
    EXPECT_EQ(hit(20, 8 * rowHeight_, &flags), nullptr);  // below the last row
    EXPECT_EQ(flags, static_cast<UINT>(TVHT_NOWHERE));
    EXPECT_EQ(hit(-5, y, &flags), nullptr);
    EXPECT_EQ(flags, static_cast<UINT>(TVHT_TOLEFT));
    EXPECT_EQ(hit(300, -1, &flags), nullptr);
    EXPECT_EQ(flags, static_cast<UINT>(TVHT_TORIGHT | TVHT_ABOVE));
    EXPECT_EQ(hit(20, 11 * rowHeight_, &flags), nullptr);
    EXPECT_EQ(flags, static_cast<UINT>(TVHT_BELOW));
}

TEST_F(TreeWindowTest, ExpandSelectAndEnsureVisibleReturnWhatTheDocumentationSays) {
    FillAvi(20);
    const auto send = [&](UINT message, WPARAM w, void* item) {
        return Send(message, w, reinterpret_cast<LPARAM>(item));
    };
    EXPECT_FALSE(send(TVM_EXPAND, TVE_EXPAND, junk_));  // no children
    EXPECT_TRUE(send(TVM_EXPAND, TVE_EXPAND, root_));
    EXPECT_EQ(Visible(), 5u);
    EXPECT_TRUE(send(TVM_EXPAND, TVE_EXPAND, root_));  // open already: still a success
    EXPECT_TRUE(send(TVM_EXPAND, TVE_COLLAPSE, root_));
    EXPECT_EQ(Visible(), 2u);
    EXPECT_FALSE(send(TVM_EXPAND, TVE_COLLAPSE, root_));  // closed already: a failure
    EXPECT_TRUE(send(TVM_EXPAND, TVE_TOGGLE, root_));
    EXPECT_EQ(Visible(), 5u);
    EXPECT_FALSE(send(TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, root_));  // the children stay
    EXPECT_EQ(Visible(), 5u);

    // The last frame: its parent opens, which is more than scrolling.
    void* last = reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(movi_) + 20);
    EXPECT_EQ(send(TVM_ENSUREVISIBLE, 0, last), 0);
    EXPECT_EQ(Visible(), 25u);
    EXPECT_EQ(Top(), 13u);  // its row, 22, the last in the window
    EXPECT_NE(send(TVM_ENSUREVISIBLE, 0, root_), 0);  // scrolled only
    EXPECT_EQ(Top(), 0u);
    EXPECT_EQ(send(TVM_ENSUREVISIBLE, 0, root_), 0);  // in view already

    void* strh = reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(strl_) + 1);
    EXPECT_TRUE(send(TVM_SELECTITEM, TVGN_CARET, strh));  // opens its ancestors
    EXPECT_EQ(Selection(), strh);
    EXPECT_EQ(Visible(), 29u);
    EXPECT_TRUE(send(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, movi_));
    EXPECT_EQ(Top(), 6u);
    EXPECT_EQ(Selection(), strh);
    EXPECT_TRUE(send(TVM_SELECTITEM, TVGN_CARET, nullptr));
    EXPECT_EQ(Selection(), nullptr);
    EXPECT_FALSE(send(TVM_SELECTITEM, TVGN_DROPHILITE, root_));  // the tree takes no drops
    EXPECT_TRUE(send(TVM_SELECTITEM, TVGN_DROPHILITE, nullptr));
}

}  // namespace
