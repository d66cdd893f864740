// Message-map lookup and dispatch.
#include "afxwin.h"

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, {.cmd = nullptr}}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CCmdTarget::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    UINT code = 0;
    UINT id = 0;
    NMHDR* notify = nullptr;
    if (message == WM_COMMAND) {
        id = static_cast<UINT>(wParam & 0xFFFF);
        code = static_cast<UINT>((wParam >> 16) & 0xFFFF);
    } else if (message == WM_NOTIFY) {
        notify = reinterpret_cast<NMHDR*>(lParam);
        if (!notify) return FALSE;
        id = static_cast<UINT>(notify->idFrom);
        code = notify->code;
    }
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage != message) continue;
            if ((message == WM_COMMAND || message == WM_NOTIFY) && (e->nCode != code || id < e->nID || id > e->nLastID))
                continue;
            LRESULT result = 0;
            switch (e->nSig) {
            case AfxSig_vv:
                if (message == WM_COMMAND)
                    (this->*(e->pfn.cmd))();
                else
                    (static_cast<CWnd*>(this)->*(e->pfn.vv))();
                break;
            case AfxSig_vwl:
                (static_cast<CWnd*>(this)->*(e->pfn.vwl))(static_cast<UINT>(wParam), lParam);
                break;
            case AfxSig_hv:
                result = reinterpret_cast<LRESULT>((static_cast<CWnd*>(this)->*(e->pfn.hv))());
                break;
            case AfxSig_vD:
                (static_cast<CWnd*>(this)->*(e->pfn.vD))(reinterpret_cast<HDROP>(wParam));
                break;
            case AfxSig_vNMHDRpl:
                (this->*(e->pfn.notify))(notify, &result);
                break;
            case AfxSig_end:
                break;
            }
            if (pResult) *pResult = result;
            return TRUE;
        }
    }
    return FALSE;
}
