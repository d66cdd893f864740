#include "afxwin.h"
#include "dlgtemplate.h"

BOOL CString::LoadString(UINT id) {
    const StringResource* res = AfxFindStringResource(id);
    if (!res) return FALSE;
    s_ = res->text;
    return TRUE;
}
