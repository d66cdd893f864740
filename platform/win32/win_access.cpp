// Accessible names of controls whose text does not say what they are: the
// name is kept with the window, as a property, for what answers assistive
// technology about it.
#include "win_internal.h"

void AfxSetAccessibleName(HWND hWnd, LPCTSTR lpszName) {
    if (!hWnd) return;
    // The property holds a copy that lives as long as the window: freed
    // when replaced here, or with the window's other properties.
    auto* old = static_cast<wchar_t*>(RemovePropW(hWnd, kAccessibleNameProperty));
    delete[] old;
    const std::wstring name = AfxWiden(lpszName);
    auto* copy = new wchar_t[name.size() + 1];
    name.copy(copy, name.size());
    copy[name.size()] = L'\0';
    if (!SetPropW(hWnd, kAccessibleNameProperty, copy)) delete[] copy;
}
