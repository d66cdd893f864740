// What every backend's windows share: routing a message through the
// object's message map to the window's default processing, and the data
// exchange between a dialog's controls and its members.
#include "afxwin.h"

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const UINT savedMessage = m_curMessage;
    const WPARAM savedW = m_curWParam;
    const LPARAM savedL = m_curLParam;
    m_curMessage = message;
    m_curWParam = wParam;
    m_curLParam = lParam;
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    m_curMessage = savedMessage;
    m_curWParam = savedW;
    m_curLParam = savedL;
    return result;
}

LRESULT CWnd::Default() { return DefWindowProc(m_curMessage, m_curWParam, m_curLParam); }

void CWnd::OnPaint() { Default(); }

void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }

HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }

void CWnd::OnDropFiles(HDROP) { Default(); }

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    if (!m_hWnd) return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control) {
    if (!control.m_hWnd) control.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    CWnd* item = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (!item) return;
    if (pDX->m_bSaveAndValidate)
        value = item->GetWindowText();
    else
        item->SetWindowText(value);
}
