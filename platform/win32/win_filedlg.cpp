// The open/save file dialog on GetOpenFileNameW and GetSaveFileNameW.
#include <string>

#include "afxdlgs.h"
#include "test_hooks.h"
#include "win_internal.h"

namespace {

// "Description|pattern|...||" to the system's form: each '|' a null, the
// list ended by two.
std::wstring SystemFilter(const std::string& filter) {
    std::wstring result = AfxWiden(filter.c_str());
    for (wchar_t& c : result)
        if (c == L'|') c = L'\0';
    result.push_back(L'\0');
    return result;
}

// The default extension without its "*." (the system adds the dot); none
// for a wildcard.
std::wstring DefaultExtension(const std::string& ext) {
    std::wstring result = AfxWiden(ext.c_str());
    if (result.rfind(L"*.", 0) == 0) result.erase(0, 2);
    if (result.rfind(L'.', 0) == 0) result.erase(0, 1);
    return result.find(L'*') == std::wstring::npos ? result : std::wstring();
}

}  // namespace

INT_PTR CFileDialog::DoModal() {
    if (INT_PTR answered; AnsweredByTestHandler(&answered)) return answered;
    const std::wstring filter = SystemFilter(m_filter.str());
    const std::wstring ext = DefaultExtension(m_defExt.str());
    std::wstring file = AfxWiden(m_fileName.str().c_str());
    file.resize(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = AfxSafeOwner(m_pParent);
    ofn.lpstrFilter = m_filter.IsEmpty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags = m_flags | OFN_EXPLORER;
    const BOOL chosen = m_bOpen ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    if (!chosen) return IDCANCEL;
    m_path = AfxNarrow(file.c_str());
    return IDOK;
}
