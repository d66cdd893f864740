// The system menu of a dialog: the menu it keeps with WS_SYSMENU, shown on
// Alt+Space and on a right-click on the dialog's background.
#include <QMenu>
#include <QPointer>
#include <optional>

#include "menu_data.h"
#include "qt_dialog.h"
#include "qt_internal.h"
#include "test_hooks.h"

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const { return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert)); }

HMENU GetSystemMenu(HWND hWnd, BOOL bRevert) {
    auto* window = dynamic_cast<DialogWindow*>(hWnd);
    if (!window || !window->systemMenu) return nullptr;
    if (bRevert) {
        window->systemMenu->SetDefaultSystemItems();
        return nullptr;
    }
    return window->systemMenu.get();
}

void DialogWindow::TrackSystemMenu(QPoint global, bool byMouse) {
    if (!systemMenu || !widget) return;
    std::optional<UINT> chosen;
    if (MenuHandler()) {
        MenuPopupRequest request{{}, global.x(), global.y(), byMouse};
        for (const HMENU__::Item& item : systemMenu->items) request.items.push_back({item.text, item.id, item.flags});
        chosen = MenuHandler()(request);
    } else {
        QMenu menu(widget);
        for (const HMENU__::Item& item : systemMenu->items) {
            if (item.flags & MF_SEPARATOR) {
                menu.addSeparator();
                continue;
            }
            // Qt takes '&' for the access key as the items do, and shows what
            // follows a tab as the shortcut.
            QAction* action = menu.addAction(QString::fromUtf8(item.text.c_str()));
            action->setData(item.id);
            action->setEnabled((item.flags & (MF_GRAYED | MF_DISABLED)) == 0);
            if (item.flags & MF_CHECKED) {
                action->setCheckable(true);
                action->setChecked(true);
            }
        }
        QPointer<QWidget> guard(widget);
        if (QAction* action = menu.exec(global)) chosen = action->data().toUInt();
        if (!guard) return;
    }
    if (chosen) AfxSendFromEvent(this, WM_SYSCOMMAND, *chosen, byMouse ? MAKELPARAM(global.x(), global.y()) : 0);
}
