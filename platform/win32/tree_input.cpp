// Keys, characters, the mouse and the wheel, handed to the engine.
#include "tree_view.h"
#include "utf16.h"

void OnKeyDown(TreeView& view, WPARAM key) {
    TreeKey k;
    switch (key) {
    case VK_UP: k = TreeKey::Up; break;
    case VK_DOWN: k = TreeKey::Down; break;
    case VK_LEFT: k = TreeKey::Left; break;
    case VK_RIGHT: k = TreeKey::Right; break;
    case VK_HOME: k = TreeKey::Home; break;
    case VK_END: k = TreeKey::End; break;
    case VK_PRIOR: k = TreeKey::PageUp; break;
    case VK_NEXT: k = TreeKey::PageDown; break;
    case VK_ADD: k = TreeKey::Add; break;
    case VK_SUBTRACT: k = TreeKey::Subtract; break;
    case VK_MULTIPLY: k = TreeKey::Multiply; break;
    default: return;
    }
    view.engine.Key(k);
    Apply(view);
}

void OnChar(TreeView& view, WPARAM ch) {
    // Control characters and the keypad's + - * (handled as keys) do not type.
    if (ch < 0x20 || ch == '+' || ch == '-' || ch == '*') return;
    const char16_t unit = static_cast<char16_t>(ch);
    // Keys may arrive sent, not posted: the time is the tick count now.
    view.engine.Type(viewer::Utf16ToUtf8(std::u16string_view(&unit, 1)), GetTickCount64());
    Apply(view);
}

void OnMouseDown(TreeView& view, int x, int y, bool doubleClick) {
    SetFocus(view.hwnd);
    view.engine.Click(x, y, doubleClick);
    Apply(view);
}

void OnWheel(TreeView& view, int delta) {
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    view.wheelDelta += delta;
    const int notches = view.wheelDelta / WHEEL_DELTA;
    if (notches == 0) return;
    view.wheelDelta -= notches * WHEEL_DELTA;
    const long long step = lines == WHEEL_PAGESCROLL ? static_cast<long long>(view.engine.PageRows()) : lines;
    view.engine.Wheel(step * notches);
    Apply(view);
}
