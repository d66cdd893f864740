// The open/save file dialog.
#pragma once

#include "afxwin.h"

#ifndef _WIN32  // on Windows: <commdlg.h>
#define OFN_READONLY 0x00000001u
#define OFN_OVERWRITEPROMPT 0x00000002u
#define OFN_HIDEREADONLY 0x00000004u
#define OFN_FILEMUSTEXIST 0x00001000u
#endif

class CFileDialog {
public:
    // lpszFilter: pairs of description and pattern separated by '|' and ended
    // by "||"; patterns are ';'-separated, "*.*" matches every file.
    CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
                CWnd* pParentWnd = nullptr);

    // IDOK when a file was chosen, IDCANCEL otherwise.
    INT_PTR DoModal();
    // Full path of the chosen file (UTF-8).
    CString GetPathName() const { return m_path; }

private:
    // With a file-dialog handler set (afxtest.h), asks it instead of the
    // user: true, and *result is IDOK (a path chosen) or IDCANCEL.
    bool AnsweredByTestHandler(INT_PTR* result);

    BOOL m_bOpen;
    CString m_defExt;
    CString m_fileName;
    CString m_filter;
    DWORD m_flags;
    CWnd* m_pParent;
    CString m_path;
};
