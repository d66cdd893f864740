// What dialogs share on every backend: the map that sends IDOK and IDCANCEL
// to OnOK and OnCancel, and the framework's own OnInitDialog, OnOK and
// OnCancel; and the file dialog's construction. Running them is the
// backend's.
#include <optional>
#include <string>

#include "afxdlgs.h"
#include "afxwin.h"
#include "test_hooks.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd)
    : m_bOpen(bOpenFileDialog),
      m_defExt(lpszDefExt),
      m_fileName(lpszFileName),
      m_filter(lpszFilter),
      m_flags(dwFlags),
      m_pParent(pParentWnd) {}

bool CFileDialog::AnsweredByTestHandler(INT_PTR* result) {
    if (!FileHandler()) return false;
    std::optional<std::string> chosen =
        FileHandler()(FileDialogRequest{m_bOpen, m_defExt.str(), m_fileName.str(), m_filter.str(), m_flags});
    if (chosen) m_path = *chosen;
    *result = chosen ? IDOK : IDCANCEL;
    return true;
}
