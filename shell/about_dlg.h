// The About box: the program's name and version, a line about what it
// does, and its picture. Opened from the main dialog's system menu.
#pragma once

#include <afxwin.h>

#include "resource.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

    enum { IDD = IDD_ABOUTBOX };

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
