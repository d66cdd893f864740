// The info tip (TVS_INFOTIP): the system's tooltip over the whole window,
// whose text for the item whose label is under the pointer the parent gives
// (kGetInfoTip, UTF-8); away from the labels it shows nothing. Moving to
// another label, or the rows moving under a still pointer, takes the shown
// tip down, so the next one asks again.
#include "tree_view.h"

#include <commctrl.h>

#include "utf16.h"

namespace tp = tree_protocol;

namespace {

constexpr UINT_PTR kToolId = 1;
constexpr int kTipWidth = 480;  // pixels: wider text wraps, and "\n" breaks lines

TTTOOLINFOW Tool(TreeView& view) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;  // the tip sees the window's mouse messages itself
    tool.hwnd = view.hwnd;
    tool.uId = kToolId;
    GetClientRect(view.hwnd, &tool.rect);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    return tool;
}

bool MakeTip(TreeView& view) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES};  // tooltips (and tabs) only
    InitCommonControlsEx(&classes);
    view.tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, view.hwnd, nullptr,
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(view.hwnd, GWLP_HINSTANCE)), nullptr);
    if (!view.tip) return false;
    TTTOOLINFOW tool = Tool(view);
    SendMessageW(view.tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(view.tip, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
    return true;
}

}  // namespace

void OnMouseMoveTip(TreeView& view, int x, int y) {
    if (!(view.style & tp::kInfoTipStyle)) return;
    const TreeHit hit = view.engine.HitTest(x, y);
    const TreeStore::Index item = hit.part == TreePart::Label ? hit.item : TreeStore::kNone;
    if (item == view.tipItem) return;
    view.tipItem = item;
    if (!view.tip && !MakeTip(view)) return;
    SendMessageW(view.tip, TTM_POP, 0, 0);
}

void OnScrolledTip(TreeView& view) {
    if (!view.tip) return;
    SendMessageW(view.tip, TTM_POP, 0, 0);
    view.tipItem = TreeStore::kNone;
    POINT at{};
    if (GetCursorPos(&at) && ScreenToClient(view.hwnd, &at)) OnMouseMoveTip(view, at.x, at.y);
}

std::wstring AskTipText(TreeView& view, TreeStore::Index item) {
    HWND parent = GetParent(view.hwnd);
    if (item == TreeStore::kNone || !view.engine.Store().Valid(item) || !parent) return {};
    char text[4096] = {};  // room for a tip with its fields
    tp::GetInfoTip ask{};
    ask.hdr.hwndFrom = view.hwnd;
    ask.hdr.idFrom = static_cast<uintptr_t>(GetDlgCtrlID(view.hwnd));
    ask.hdr.code = tp::kGetInfoTip;
    ask.pszText = text;
    ask.cchTextMax = static_cast<int>(sizeof text);
    ask.hItem = reinterpret_cast<void*>(static_cast<uintptr_t>(item) + 1);  // the item's handle
    ask.lParam = view.engine.Store().Param(item);
    SendMessageW(parent, WM_NOTIFY, ask.hdr.idFrom, reinterpret_cast<LPARAM>(&ask));
    text[sizeof text - 1] = '\0';
    std::u16string wide;
    if (!viewer::Utf8ToUtf16(text, &wide)) return {};
    return std::wstring(wide.begin(), wide.end());
}

bool OnTipNotify(TreeView& view, NMHDR* header) {
    if (!header || header->code != TTN_GETDISPINFOW) return false;
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
    view.tipText = AskTipText(view, view.tipItem);
    info->lpszText = view.tipText.data();  // empty: no tip
    return true;
}

void ResizeTip(TreeView& view) {
    if (!view.tip) return;
    TTTOOLINFOW tool = Tool(view);
    SendMessageW(view.tip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}
