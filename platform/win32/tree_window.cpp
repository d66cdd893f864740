// The window class: creation and destruction, the font, focus, and the
// dispatch of messages to the parts in tree_view.h.
#include "tree_window.h"

#include <windowsx.h>

#include <new>

#include "tree_view.h"

namespace {

TreeView* ViewOf(HWND hwnd) { return reinterpret_cast<TreeView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

// Rows take the font's height and two pixels more, so that glyph parts
// below the descent stay clear of the next row's highlight.
void SetFont(TreeView& view, HFONT font, bool redraw) {
    view.font = font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HDC dc = GetDC(view.hwnd);
    HGDIOBJ old = SelectObject(dc, view.font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(view.hwnd, dc);
    view.textHeight = static_cast<int>(metrics.tmHeight);
    view.rowHeight = view.textHeight + 2 < 12 ? 12 : view.textHeight + 2;
    view.extent = 0;  // widths change with the font; measured again as rows are painted
    UpdateScrollBars(view);
    if (redraw) Redraw(view);
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
        PaintTree(view);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // painting fills every pixel
    case WM_SIZE:
        UpdateScrollBars(view);
        ResizeTip(view);
        Redraw(view);
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
        view.focused = message == WM_SETFOCUS;
        Redraw(view);
        return 0;
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
