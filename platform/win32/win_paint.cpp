// Painting and resources on Win32: CPaintDC, the resource module, and
// string resources read from it.
#include "win_internal.h"

namespace {

HINSTANCE g_resources = nullptr;

// A facade resource name (UTF-8 or a small integer) as the W functions take it.
bool FindIn(HINSTANCE module, LPCTSTR name, LPCTSTR type) {
    if (!module) return false;
    const std::wstring typeText = IS_INTRESOURCE(type) ? std::wstring() : AfxWiden(type);
    const wchar_t* wideType = IS_INTRESOURCE(type) ? reinterpret_cast<const wchar_t*>(type) : typeText.c_str();
    const std::wstring nameText = IS_INTRESOURCE(name) ? std::wstring() : AfxWiden(name);
    const wchar_t* wideName = IS_INTRESOURCE(name) ? reinterpret_cast<const wchar_t*>(name) : nameText.c_str();
    return FindResourceW(module, wideName, wideType) != nullptr;
}

}  // namespace

void AfxSetResourceHandle(HINSTANCE hInstResource) { g_resources = hInstResource; }

HINSTANCE AfxResourceModule() { return g_resources ? g_resources : GetModuleHandleW(nullptr); }

HINSTANCE AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType) {
    if (FindIn(g_resources, lpszName, lpszType)) return g_resources;
    HINSTANCE program = GetModuleHandleW(nullptr);
    return FindIn(program, lpszName, lpszType) ? program : nullptr;
}

BOOL CString::LoadString(UINT id) {
    // With a zero length, LoadStringW hands back a pointer into the resource.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(AfxResourceModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text) return FALSE;
    s_ = AfxNarrow(std::wstring(text, static_cast<size_t>(length)).c_str());
    return TRUE;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_pWnd(pWnd) {
    if (m_pWnd && m_pWnd->m_hWnd) m_hDC = BeginPaint(m_pWnd->m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
    if (m_hDC) EndPaint(m_pWnd->m_hWnd, &m_ps);
}

BOOL AfxIsHighContrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}
