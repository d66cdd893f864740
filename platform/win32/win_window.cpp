// Windows on Win32: the objects bound to windows, CWnd and the dialog data
// exchange.
#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "utf16.h"
#include "win_internal.h"

namespace {

std::map<HWND, CWnd*>& Bindings() {
    static std::map<HWND, CWnd*> bindings;
    return bindings;
}

// Objects made for GetDlgItem over windows no object is bound to; kept, as
// the framework keeps its temporary objects, until the window's handle is
// asked for again or the process ends.
std::map<HWND, std::unique_ptr<CWnd>>& Wrappers() {
    static std::map<HWND, std::unique_ptr<CWnd>> wrappers;
    return wrappers;
}

}  // namespace

std::wstring AfxWiden(const char* text) {
    std::u16string wide;
    if (!text || !viewer::Utf8ToUtf16(text, &wide)) return std::wstring();
    return std::wstring(wide.begin(), wide.end());
}

std::string AfxNarrow(const wchar_t* text) {
    if (!text) return std::string();
    const std::wstring_view view(text);
    return viewer::Utf16ToUtf8(std::u16string(view.begin(), view.end()));
}

CWnd* AfxBoundObject(HWND hWnd) {
    const auto it = Bindings().find(hWnd);
    return it == Bindings().end() ? nullptr : it->second;
}

void AfxBind(HWND hWnd, CWnd* object) {
    Bindings()[hWnd] = object;
    object->m_hWnd = hWnd;
}

void AfxUnbind(HWND hWnd, const CWnd* object) {
    const auto it = Bindings().find(hWnd);
    if (it != Bindings().end() && it->second == object) Bindings().erase(it);
}

void AfxForgetDestroyedWindows() {
    for (auto it = Bindings().begin(); it != Bindings().end();) {
        if (::IsWindow(it->first)) {
            ++it;
            continue;
        }
        it->second->m_hWnd = nullptr;
        it = Bindings().erase(it);
    }
    std::erase_if(Wrappers(), [](const auto& wrapper) { return !::IsWindow(wrapper.first); });
}

HWND AfxSafeOwner(CWnd* parent) {
    if (parent && parent->m_hWnd) return ::GetAncestor(parent->m_hWnd, GA_ROOT);
    if (HWND active = ::GetActiveWindow()) return active;
    CWinApp* app = AfxGetApp();
    return app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
}

// ---------------------------------------------------------------------------
// CWnd

CWnd::~CWnd() {
    if (m_hWnd) AfxUnbind(m_hWnd, this);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_hWnd ? ::SendMessageW(m_hWnd, message, wParam, lParam) : 0;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_hWnd ? ::DefWindowProcW(m_hWnd, message, wParam, lParam) : 0;
}

CWnd* CWnd::GetDlgItem(int nID) const {
    HWND child = m_hWnd ? ::GetDlgItem(m_hWnd, nID) : nullptr;
    if (!child) return nullptr;
    if (CWnd* bound = AfxBoundObject(child)) return bound;
    std::unique_ptr<CWnd>& wrapper = Wrappers()[child];
    if (!wrapper) wrapper = std::make_unique<CWnd>();
    wrapper->m_hWnd = child;
    return wrapper.get();
}

void CWnd::SetWindowText(LPCTSTR text) {
    if (m_hWnd) ::SetWindowTextW(m_hWnd, AfxWiden(text).c_str());
}

CString CWnd::GetWindowText() const {
    if (!m_hWnd) return CString();
    const int length = ::GetWindowTextLengthW(m_hWnd);
    std::vector<wchar_t> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1);
    ::GetWindowTextW(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
    return CString(AfxNarrow(buffer.data()));
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
    if (m_hWnd) ::DragAcceptFiles(m_hWnd, bAccept);
}

UINT DragQueryFile(HDROP hDrop, UINT iFile, LPTSTR lpszFile, UINT cch) {
    if (!hDrop) return 0;
    if (iFile == 0xFFFFFFFFu) return ::DragQueryFileW(hDrop, iFile, nullptr, 0);
    const UINT length = ::DragQueryFileW(hDrop, iFile, nullptr, 0);
    if (length == 0) return 0;
    std::vector<wchar_t> wide(length + 1);
    ::DragQueryFileW(hDrop, iFile, wide.data(), length + 1);
    const std::string path = AfxNarrow(wide.data());
    if (!lpszFile || cch == 0) return static_cast<UINT>(path.size());
    const size_t n = std::min<size_t>(path.size(), cch - 1);
    path.copy(lpszFile, n);
    lpszFile[n] = '\0';
    return static_cast<UINT>(n);
}

BOOL CWnd::IsIconic() const { return m_hWnd && ::IsIconic(m_hWnd); }

void CWnd::GetClientRect(LPRECT rect) const {
    if (m_hWnd) ::GetClientRect(m_hWnd, rect);
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (!pParent || !pParent->m_hWnd) return FALSE;
    HWND child = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    if (!child) return FALSE;
    CWnd* bound = AfxBoundObject(child);
    if (bound && bound != this) return FALSE;
    Wrappers().erase(child);
    AfxBind(child, this);
    return TRUE;
}
