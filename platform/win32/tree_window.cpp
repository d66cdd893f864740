// The window class: creation and destruction, the font, focus, and the
// dispatch of messages to the parts in tree_view.h.
#include "tree_window.h"

#include <windowsx.h>

#include <new>

#include "tree_view.h"
#include "utf16.h"

namespace {

TreeStyle StyleOfWindow(DWORD style) {
    namespace tp = tree_protocol;
    return TreeStyle{(style & tp::kHasButtons) != 0, (style & tp::kHasLines) != 0, (style & tp::kLinesAtRoot) != 0,
                     (style & tp::kShowSelAlways) != 0};
}

}  // namespace

TreeView::TreeView(HWND window, DWORD windowStyle) : hwnd(window), style(windowStyle), engine(StyleOfWindow(windowStyle)) {}

TreeView::~TreeView() {
    if (measureDc) DeleteDC(measureDc);
}

UINT TreeFlushMessage() {
    static const UINT message = RegisterWindowMessageW(L"ViewerTreeFlush");
    return message;
}

namespace {

TreeView* ViewOf(HWND hwnd) { return reinterpret_cast<TreeView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

// The engine's sizes from the font's height and the screen's resolution;
// label widths are measured in the font on a DC kept for it.
void SetFont(TreeView& view, HFONT font, bool redraw) {
    view.font = font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!view.measureDc) view.measureDc = CreateCompatibleDC(nullptr);
    SelectObject(view.measureDc, view.font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(view.measureDc, &metrics);
    HDC screen = GetDC(view.hwnd);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(view.hwnd, screen);
    HDC dc = view.measureDc;
    view.engine.SetMetrics(TreeMetrics::For(static_cast<int>(metrics.tmHeight), dpi), [dc](const char* text) {
        std::u16string wide;
        if (!viewer::Utf8ToUtf16(text, &wide)) wide = u"?";
        SIZE size{};
        GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(wide.data()), static_cast<int>(wide.size()),
                              &size);
        return static_cast<int>(size.cx);
    });
    Apply(view);
    if (redraw) InvalidateRect(view.hwnd, nullptr, FALSE);
}

LRESULT Create(HWND hwnd, const CREATESTRUCTW* create) {
    auto* view = new (std::nothrow) TreeView(hwnd, static_cast<DWORD>(create->style));
    if (!view) return FALSE;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    SetFont(*view, nullptr, false);
    return TRUE;
}

// Messages of the window system; the tree messages go to TreeProtocol.
LRESULT Dispatch(TreeView& view, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        // Rows appended since the last flush are laid out first, should the
        // painting come before the flush message.
        if (view.engine.Flush()) Apply(view);
        PaintTree(view);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // painting fills every pixel
    case WM_SIZE:
        SyncViewport(view);
        ResizeTip(view);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMoveTip(view, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_NOTIFY:
        if (OnTipNotify(view, reinterpret_cast<NMHDR*>(lParam))) return 0;
        return TreeProtocol(view, message, wParam, lParam);
    case WM_SETFONT:
        SetFont(view, reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(view.font);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        view.engine.SetFocused(message == WM_SETFOCUS);
        Apply(view);
        if (message == WM_SETFOCUS) NotifyTreeFocus(view);
        return 0;
    case WM_GETOBJECT:
        if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) return TreeAccessibleObject(view, wParam);
        return DefWindowProcW(view.hwnd, message, wParam, lParam);
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        OnKeyDown(view, wParam);
        return 0;
    case WM_CHAR:
        OnChar(view, wParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnMouseDown(view, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), message == WM_LBUTTONDBLCLK);
        return 0;
    case WM_MOUSEWHEEL:
        OnWheel(view, GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_VSCROLL:
        OnVScroll(view, LOWORD(wParam));
        return 0;
    case WM_HSCROLL:
        OnHScroll(view, LOWORD(wParam));
        return 0;
    default:
        if (message == TreeFlushMessage()) {
            view.flushPosted = false;
            if (view.engine.Flush()) Apply(view);
            return 0;
        }
        return TreeProtocol(view, message, wParam, lParam);
    }
}

LRESULT CALLBACK TreeWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        if (!Create(hwnd, reinterpret_cast<const CREATESTRUCTW*>(lParam))) return FALSE;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    TreeView* view = ViewOf(hwnd);
    if (message == WM_NCDESTROY) {
        // Closing drops the items at once: the store gives its blocks back.
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete view;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (!view) return DefWindowProcW(hwnd, message, wParam, lParam);
    return Dispatch(*view, message, wParam, lParam);
}

}  // namespace

TreeView* TreeViewOfWindow(HWND hwnd) {
    // The class's procedure, not the window's: a window may be subclassed
    // (AfxSetAccessibleName does).
    if (!hwnd || !IsWindow(hwnd) ||
        GetClassLongPtrW(hwnd, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&TreeWindowProc))
        return nullptr;
    return ViewOf(hwnd);
}

bool RegisterTreeWindowClass(HINSTANCE instance) {
    WNDCLASSEXW cls{};
    if (GetClassInfoExW(instance, kTreeWindowClass, &cls)) return true;
    cls.cbSize = sizeof cls;
    cls.style = CS_DBLCLKS | CS_GLOBALCLASS;
    cls.lpfnWndProc = TreeWindowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    cls.hbrBackground = nullptr;
    cls.lpszClassName = kTreeWindowClass;
    return RegisterClassExW(&cls) != 0;
}
