// Painting: the rows the engine laid out, into a bitmap that is copied to
// the window in one go. Each row shows its dotted lines, its +/- box and its
// label; nothing here changes the layout.
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

// A dotted line with the alternate pen: its first pixel where x + y is even.
void PaintLine(HDC dc, const TreeLine& line) {
    const bool vertical = line.x0 == line.x1;
    int x0 = line.x0, y0 = line.y0;
    if ((x0 + y0) & 1) (vertical ? y0 : x0) += 1;
    if (vertical ? y0 >= line.y1 : x0 >= line.x1) return;
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, line.x1, line.y1);
}

void PaintButton(const TreeView& view, HDC dc, const TreeRowLayout& row) {
    const RECT box{row.box.left, row.box.top, row.box.right, row.box.bottom};
    FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
    const int x = (box.left + box.right) / 2, y = (box.top + box.bottom) / 2, s = view.engine.Metrics().sign;
    HBRUSH ink = GetSysColorBrush(COLOR_WINDOWTEXT);
    const RECT minus{x - s, y, x + s + 1, y + 1};
    FillRect(dc, &minus, ink);
    if (!row.expanded) {
        const RECT bar{x, y - s, x + 1, y + s + 1};
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
        draw.lItemlParam = view.engine.Store().Param(item);
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

void PaintLabel(TreeView& view, HDC dc, const TreeRowLayout& row) {
    const std::wstring text = Wide(view.engine.Store().Text(row.item));
    const RECT label{row.label.left, row.label.top, row.label.right, row.label.bottom};
    COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    if (view.itemDraw) {
        COLORREF asked = tp::kDefaultColor;
        CustomDraw(view, dc, tp::kDrawItemPrePaint, row.item, static_cast<int>(row.depth), &asked);
        if (asked != tp::kDefaultColor) ink = asked;
    }
    const bool focused = view.engine.Focused();
    if (row.selected) {
        // Focused: the highlight and a focus frame; otherwise grey, and only
        // when the style asks for the selection to show always.
        if (focused) {
            FillRect(dc, &label, GetSysColorBrush(COLOR_HIGHLIGHT));
            ink = GetSysColor(COLOR_HIGHLIGHTTEXT);
        } else if (view.style & tp::kShowSelAlways) {
            FillRect(dc, &label, GetSysColorBrush(COLOR_BTNFACE));
        }
    }
    SetTextColor(dc, ink);
    SetBkMode(dc, TRANSPARENT);
    const TreeMetrics& m = view.engine.Metrics();
    ExtTextOutW(dc, label.left + 2, label.top + (m.rowHeight - m.textHeight) / 2, ETO_CLIPPED, &label, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
    if (row.selected && focused) DrawFocusRect(dc, &label);
}

HPEN DottedPen() {
    LOGBRUSH brush{BS_SOLID, GetSysColor(COLOR_GRAYTEXT), 0};
    HPEN pen = ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &brush, 0, nullptr);
    return pen ? pen : CreatePen(PS_DOT, 1, brush.lbColor);
}

}  // namespace

void PaintTree(TreeView& view) {
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

    const auto& lines = view.engine.Lines();
    for (const TreeRowLayout& row : view.engine.Layout()) {
        if (row.bottom <= ps.rcPaint.top || row.top >= ps.rcPaint.bottom) continue;
        for (size_t l = row.firstLine; l < row.firstLine + row.lineCount; ++l) PaintLine(mem, lines[l]);
        if (row.hasBox) PaintButton(view, mem, row);
        PaintLabel(view, mem, row);
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
}
