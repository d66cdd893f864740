// The Windows tree window as assistive technology reads it: its accessible
// object (AccessibleObjectFromWindow) and the events it raises.
#include <oleacc.h>

#include <commctrl.h>

#include "windows_tree_fixture.h"

namespace {

using tree_test::TreeWindowTest;

class TreeAccessTest : public TreeWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        TreeWindowTest::SetUp();
    }
    void TearDown() override {
        if (acc_) acc_->Release();
        TreeWindowTest::TearDown();
        CoUninitialize();
    }

    IAccessible* Object() {
        if (!acc_)
            EXPECT_EQ(AccessibleObjectFromWindow(tree_, OBJID_CLIENT, __uuidof(IAccessible),
                                                 reinterpret_cast<void**>(&acc_)),
                      S_OK);
        return acc_;
    }
    static VARIANT Id(long id) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = id;
        return v;
    }
    static long IdOf(void* handle) { return static_cast<long>(reinterpret_cast<uintptr_t>(handle)); }
    using Getter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);
    std::wstring Get(Getter get, long id) {
        BSTR text = nullptr;
        const HRESULT hr = (Object()->*get)(Id(id), &text);
        std::wstring out = hr == S_OK && text ? std::wstring(text) : L"(none)";
        SysFreeString(text);
        return out;
    }
    std::wstring Name(long id) { return Get(&IAccessible::get_accName, id); }
    std::wstring Value(long id) { return Get(&IAccessible::get_accValue, id); }
    std::wstring Action(long id) { return Get(&IAccessible::get_accDefaultAction, id); }
    long Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), long id) {
        VARIANT v;
        VariantInit(&v);
        return SUCCEEDED((Object()->*get)(Id(id), &v)) && v.vt == VT_I4 ? v.lVal : -1;
    }
    long Role(long id) { return Number(&IAccessible::get_accRole, id); }
    long State(long id) { return Number(&IAccessible::get_accState, id); }
    // The child id a method answers in a VARIANT; -1 for none.
    static long Answer(HRESULT hr, const VARIANT& v) { return hr == S_OK && v.vt == VT_I4 ? v.lVal : -1; }
    long Navigate(long from, long direction) {
        VARIANT out;
        VariantInit(&out);
        return Answer(Object()->accNavigate(direction, Id(from), &out), out);
    }

    IAccessible* acc_ = nullptr;
};

constexpr long kItem = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;

TEST_F(TreeAccessTest, TheTreeIsAnOutlineOfTheRowsShownNamedByTheirLabels) {
    FillAvi(20);
    Key(VK_HOME);
    Key(VK_ADD);  // RIFF_AVI, LIST_hdrl, LIST_movi, idx1, JUNK
    ASSERT_NE(Object(), nullptr);
    EXPECT_EQ(Role(CHILDID_SELF), ROLE_SYSTEM_OUTLINE);
    long count = 0;
    EXPECT_EQ(Object()->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 5);
    VARIANT children[6];
    LONG got = 0;
    ASSERT_EQ(AccessibleChildren(Object(), 0, 6, children, &got), S_FALSE);  // fewer than asked
    ASSERT_EQ(got, 5);
    std::vector<long> ids;
    for (LONG i = 0; i < got; ++i) ids.push_back(children[i].vt == VT_I4 ? children[i].lVal : -1);
    const long root = IdOf(root_), hdrl = IdOf(hdrl_), movi = IdOf(movi_), junk = IdOf(junk_);
    EXPECT_EQ(ids, (std::vector<long>{root, hdrl, movi, movi + 21, junk}));  // the items' handles

    EXPECT_EQ(Name(root), L"RIFF_AVI");
    EXPECT_EQ(Name(movi + 21), L"idx1");
    EXPECT_EQ(Role(hdrl), ROLE_SYSTEM_OUTLINEITEM);
    EXPECT_EQ(Value(root), L"0");
    EXPECT_EQ(Value(hdrl), L"1");
    EXPECT_EQ(Name(CHILDID_SELF), L"(none)");
    SetPropW(tree_, kAccessibleNameProperty, const_cast<wchar_t*>(L"\u6587\u4EF6\u7ED3\u6784"));
    EXPECT_EQ(Name(CHILDID_SELF), L"\u6587\u4EF6\u7ED3\u6784");  // 文件结构
    RemovePropW(tree_, kAccessibleNameProperty);

    EXPECT_EQ(State(root), kItem | STATE_SYSTEM_SELECTED | STATE_SYSTEM_EXPANDED);
    EXPECT_EQ(State(hdrl), kItem | STATE_SYSTEM_COLLAPSED);
    EXPECT_EQ(State(junk), kItem);  // a leaf is neither open nor closed
    EXPECT_EQ(State(IdOf(strl_)), kItem | STATE_SYSTEM_COLLAPSED | STATE_SYSTEM_INVISIBLE);  // in a closed part
    EXPECT_EQ(Name(IdOf(strl_)), L"LIST_strl");
    EXPECT_EQ(State(1000), -1);  // no such item

    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(Answer(Object()->get_accSelection(&v), v), root);
    SetFocus(tree_);
    ASSERT_EQ(GetFocus(), tree_);
    EXPECT_EQ(Answer(Object()->get_accFocus(&v), v), root);
    EXPECT_EQ(State(root), kItem | STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_EXPANDED);
    EXPECT_EQ(State(CHILDID_SELF), STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
    IDispatch* child = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(Object()->get_accChild(Id(hdrl), &child), S_FALSE);  // a simple child: no object of its own
    EXPECT_EQ(child, nullptr);

    EXPECT_EQ(Navigate(CHILDID_SELF, NAVDIR_FIRSTCHILD), root);
    EXPECT_EQ(Navigate(CHILDID_SELF, NAVDIR_LASTCHILD), junk);
    EXPECT_EQ(Navigate(hdrl, NAVDIR_NEXT), movi);
    EXPECT_EQ(Navigate(movi, NAVDIR_PREVIOUS), hdrl);
    EXPECT_EQ(Navigate(root, NAVDIR_PREVIOUS), -1);
    EXPECT_EQ(Navigate(junk, NAVDIR_NEXT), -1);

    EXPECT_EQ(Send(TVM_MAPACCIDTOHTREEITEM, movi), movi);
    EXPECT_EQ(Send(TVM_MAPHTREEITEMTOACCID, movi), movi);
}

TEST_F(TreeAccessTest, ItemsSitWhereTheyAreDrawnAndOpenByTheirDefaultAction) {
    FillAvi(20);
    Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root_));
    const long hdrl = IdOf(hdrl_), movi = IdOf(movi_), junk = IdOf(junk_);
    RECT label{};
    *reinterpret_cast<HTREEITEM*>(&label) = static_cast<HTREEITEM>(hdrl_);
    ASSERT_TRUE(Send(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&label)));
    MapWindowPoints(tree_, nullptr, reinterpret_cast<POINT*>(&label), 2);
    long left = 0, top = 0, width = 0, height = 0;
    ASSERT_NE(Object(), nullptr);
    EXPECT_EQ(Object()->accLocation(&left, &top, &width, &height, Id(hdrl)), S_OK);
    EXPECT_EQ(left, label.left);
    EXPECT_EQ(top, label.top);
    EXPECT_EQ(width, label.right - label.left);
    EXPECT_EQ(height, rowHeight_);
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(Answer(Object()->accHitTest(left + width / 2, top + height / 2, &v), v), hdrl);
    RECT window{};
    GetWindowRect(tree_, &window);
    EXPECT_EQ(Answer(Object()->accHitTest(window.left + 5, window.bottom - 5, &v), v), CHILDID_SELF);  // below the rows
    EXPECT_EQ(Object()->accHitTest(window.right + 50, window.top, &v), S_FALSE);
    EXPECT_EQ(v.vt, VT_EMPTY);

    EXPECT_EQ(Action(movi), L"\u5C55\u5F00");  // 展开
    EXPECT_EQ(Action(junk), L"(none)");
    EXPECT_EQ(Object()->accDoDefaultAction(Id(movi)), S_OK);
    EXPECT_EQ(Visible(), 25u);
    EXPECT_EQ(State(movi), kItem | STATE_SYSTEM_EXPANDED);
    EXPECT_EQ(Action(movi), L"\u6298\u53E0");  // 折叠
    EXPECT_EQ(State(junk), kItem | STATE_SYSTEM_OFFSCREEN);  // row 24 of 10 in the window
    EXPECT_EQ(Object()->accLocation(&left, &top, &width, &height, Id(junk)), S_OK);
    POINT origin{0, 0};
    ClientToScreen(tree_, &origin);
    EXPECT_EQ(top, origin.y + 24 * rowHeight_);

    EXPECT_EQ(Object()->accSelect(SELFLAG_TAKESELECTION, Id(junk)), S_OK);
    EXPECT_EQ(Selection(), junk_);
    EXPECT_EQ(State(junk), kItem | STATE_SYSTEM_SELECTED);  // scrolled into view
}

struct Event {
    DWORD event;
    LONG object, child;
    bool operator==(const Event&) const = default;
};
std::vector<Event>* g_events = nullptr;
HWND g_watched = nullptr;

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (g_events && hwnd == g_watched) g_events->push_back(Event{event, object, child});
}

TEST_F(TreeAccessTest, TheCaretAndOpeningRaiseWinEvents) {
    FillAvi(2);
    std::vector<Event> events;
    g_events = &events;
    g_watched = tree_;
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_STATECHANGE, nullptr, OnEvent,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    SetFocus(tree_);
    Key(VK_HOME);
    Key(VK_ADD);
    Key(VK_DOWN);
    MSG msg;
    for (int i = 0; i < 20; ++i)
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    UnhookWinEvent(hook);
    g_events = nullptr;
    const LONG root = IdOf(root_), hdrl = IdOf(hdrl_);
    // The first, the window's own focus, is the system's.
    EXPECT_EQ(events, (std::vector<Event>{{EVENT_OBJECT_FOCUS, OBJID_CLIENT, CHILDID_SELF},
                                          {EVENT_OBJECT_FOCUS, OBJID_CLIENT, root},
                                          {EVENT_OBJECT_SELECTION, OBJID_CLIENT, root},
                                          {EVENT_OBJECT_STATECHANGE, OBJID_CLIENT, root},
                                          {EVENT_OBJECT_FOCUS, OBJID_CLIENT, hdrl},
                                          {EVENT_OBJECT_SELECTION, OBJID_CLIENT, hdrl}}));
}

}  // namespace
