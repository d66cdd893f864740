// The message box on MessageBoxW, with the program's title as caption.
#include "test_hooks.h"
#include "win_internal.h"
#include "wait_cursor.h"

namespace {

// With no icon asked for, a notice gets the warning icon and a question the
// question mark.
UINT WithIcon(UINT nType) {
    if (nType & MB_ICONMASK) return nType;
    const UINT buttons = nType & MB_TYPEMASK;
    if (buttons == MB_OK || buttons == MB_OKCANCEL) return nType | MB_ICONEXCLAMATION;
    if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) return nType | MB_ICONQUESTION;
    return nType;
}

}  // namespace

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT nIDHelp) {
    const AfxWaitCursorPause normalCursor;
    const char* caption = AfxGetAppName();
    if (BoxHandler()) return BoxHandler()(MessageBoxRequest{lpszText ? lpszText : "", caption, nType, nIDHelp});
    return MessageBoxW(AfxSafeOwner(nullptr), AfxWiden(lpszText).c_str(), AfxWiden(caption).c_str(), WithIcon(nType));
}
