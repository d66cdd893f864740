// Painting: only the rows inside the update rectangle, into a bitmap that is
// copied to the window in one go. Each row shows the dotted lines of its
// ancestors, its own line and +/- box, and its label.
#include <string>

#include "tree_view.h"
#include "utf16.h"

namespace tp = tree_protocol;

namespace {

using Index = TreeStore::Index;
constexpr Index kNone = TreeStore::kNone;

std::wstring Wide(const char* text) {
    std::u16string wide;
    if (!viewer::Utf8ToUtf16(text, &wide)) return std::wstring(1, L'?');
    return std::wstring(wide.begin(), wide.end());
}

// Dotted lines on a fixed checkerboard, so that the dots of neighbouring
// rows and of the horizontal and vertical parts meet.
void VLine(HDC dc, int x, int y0, int y1) {
    if ((x + y0) & 1) ++y0;
    if (y0 >= y1) return;
    MoveToEx(dc, x, y0, nullptr);
    LineTo(dc, x, y1);
}

void HLine(HDC dc, int x0, int x1, int y) {
    if ((x0 + y) & 1) ++x0;
    if (x0 >= x1) return;
    MoveToEx(dc, x0, y, nullptr);
    LineTo(dc, x1, y);
}

void PaintLines(TreeView& view, HDC dc, Index item, int level, int y) {
    const int h = view.rowHeight, cy = y + h / 2;
    // A line through the row for every ancestor that has a sibling below.
    int l = level - 1;
    for (Index a = view.store.Parent(item); a != kNone && l >= 1; a = view.store.Parent(a), --l)
        if (view.store.NextSibling(a) != kNone) VLine(dc, ButtonCenterX(view, l), y, y + h);
    if (level < 1) return;
    const int x = ButtonCenterX(view, level);
    const bool first = item == view.store.FirstChild(kNone);
    VLine(dc, x, first ? cy : y, view.store.NextSibling(item) != kNone ? y + h : cy + 1);
    HLine(dc, x, LabelLeft(view, level) - 1, cy);
}

void PaintButton(TreeView& view, HDC dc, Index item, const RECT& box) {
    FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
    const int x = (box.left + box.right) / 2, y = (box.top + box.bottom) / 2;
    HBRUSH ink = GetSysColorBrush(COLOR_WINDOWTEXT);
    const RECT minus{x - 2, y, x + 3, y + 1};
    FillRect(dc, &minus, ink);
    if (!view.rows.Expanded(item)) {
        const RECT bar{x, y - 2, x + 1, y + 3};
        FillRect(dc, &bar, ink);
    }
}

// Asks the parent (NM_CUSTOMDRAW) at a stage of the painting; its answer,
// and the text colour it set (kDefaultColor: the window's own).
LRESULT CustomDraw(TreeView& view, HDC dc, uint32_t stage, Index item, int level, COLORREF* color) {
    tp::CustomDraw draw{};
    draw.hdr.hwndFrom = view.hwnd;
    draw.hdr.idFrom = static_cast<uintptr_t>(GetDlgCtrlID(view.hwnd));
    draw.hdr.code = tp::kCustomDraw;
    draw.dwDrawStage = stage;
    draw.hdc = dc;
    if (item != kNone) {
        draw.dwItemSpec = static_cast<uintptr_t>(item) + 1;  // the item's handle
        draw.lItemlParam = view.store.Param(item);
    }
    draw.clrText = tp::kDefaultColor;
    draw.clrTextBk = tp::kDefaultColor;
    draw.iLevel = level;
    HWND parent = GetParent(view.hwnd);
    const LRESULT answer =
        parent ? SendMessageW(parent, WM_NOTIFY, draw.hdr.idFrom, reinterpret_cast<LPARAM>(&draw)) : 0;
    if (color) *color = draw.clrText;
    return answer;
}

void PaintLabel(TreeView& view, HDC dc, Index item, int level, int y) {
    const std::wstring text = Wide(view.store.Text(item));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    const int left = LabelLeft(view, level);
    const RECT label{left, y, left + static_cast<int>(size.cx) + 4, y + view.rowHeight};
    if (label.right + view.hscroll > view.extent) view.extent = label.right + view.hscroll;
    COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    if (view.itemDraw) {
        COLORREF asked = tp::kDefaultColor;
        CustomDraw(view, dc, tp::kDrawItemPrePaint, item, level, &asked);
        if (asked != tp::kDefaultColor) ink = asked;
    }
    if (item == view.selected) {
        // Focused: the highlight and a focus frame; otherwise grey, and only
        // when the style asks for the selection to show always.
        if (view.focused) {
            FillRect(dc, &label, GetSysColorBrush(COLOR_HIGHLIGHT));
            ink = GetSysColor(COLOR_HIGHLIGHTTEXT);
        } else if (view.style & tp::kShowSelAlways) {
            FillRect(dc, &label, GetSysColorBrush(COLOR_BTNFACE));
        }
    }
    SetTextColor(dc, ink);
    SetBkMode(dc, TRANSPARENT);
    ExtTextOutW(dc, left + 2, y + (view.rowHeight - view.textHeight) / 2, ETO_CLIPPED, &label, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
    if (item == view.selected && view.focused) DrawFocusRect(dc, &label);
}

void PaintRow(TreeView& view, HDC dc, size_t row, int y) {
    const Index item = view.rows.At(row);
    const int level = RowLevel(view, item);
    if (view.style & tp::kHasLines) PaintLines(view, dc, item, level, y);
    if ((view.style & tp::kHasButtons) && level >= 1 && view.store.ChildCount(item) > 0)
        PaintButton(view, dc, item, ButtonRect(view, row, level));
    PaintLabel(view, dc, item, level, y);
}

HPEN DottedPen() {
    LOGBRUSH brush{BS_SOLID, GetSysColor(COLOR_GRAYTEXT), 0};
    HPEN pen = ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &brush, 0, nullptr);
    return pen ? pen : CreatePen(PS_DOT, 1, brush.lbColor);
}

}  // namespace

int LabelWidth(TreeView& view, HDC dc, Index item) {
    const std::wstring text = Wide(view.store.Text(item));
    HGDIOBJ old = SelectObject(dc, view.font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    return static_cast<int>(size.cx) + 4;
}

void PaintTree(TreeView& view) {
    if (view.barsStale) UpdateScrollBars(view);
    const int extentBefore = view.extent;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(view.hwnd, &ps);
    RECT client{};
    GetClientRect(view.hwnd, &client);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right > 0 ? client.right : 1, client.bottom > 0 ? client.bottom : 1);
    HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
    HGDIOBJ oldFont = SelectObject(mem, view.font);
    HPEN pen = DottedPen();
    HGDIOBJ oldPen = SelectObject(mem, pen);
    FillRect(mem, &ps.rcPaint, GetSysColorBrush(COLOR_WINDOW));
    view.itemDraw = (CustomDraw(view, mem, tp::kDrawPrePaint, kNone, 0, nullptr) & tp::kNotifyItemDraw) != 0;

    const size_t count = view.rows.Count();
    const int first = static_cast<int>(ps.rcPaint.top) / view.rowHeight;
    for (int r = first; r * view.rowHeight < ps.rcPaint.bottom; ++r) {
        const size_t row = view.top + static_cast<size_t>(r);
        if (row >= count) break;
        PaintRow(view, mem, row, r * view.rowHeight);
    }
    BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, mem, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    SelectObject(mem, oldPen);
    SelectObject(mem, oldFont);
    SelectObject(mem, oldBitmap);
    DeleteObject(pen);
    DeleteObject(bitmap);
    DeleteDC(mem);
    EndPaint(view.hwnd, &ps);
    // Rows wider than any seen before widen the horizontal scroll range.
    if (view.extent > extentBefore) UpdateScrollBars(view);
}
