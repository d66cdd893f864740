// The dialog's window record, its widget, and the controls made from the
// items of its template (qt_controls.cpp).
#pragma once

#include <QDialog>
#include <QPointer>
#include <memory>

#include "dlgtemplate.h"
#include "menu_data.h"
#include "qt_internal.h"

class QContextMenuEvent;
class QKeyEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QPaintEvent;

class DialogWidget;

struct DialogWindow final : HWND__ {
    LRESULT Proc(UINT message, WPARAM wParam, LPARAM lParam) override;
    DialogWidget* dialog() const;
    int defaultId = IDOK;   // sent by Enter when no push button has the focus
    HDC__* paintDc = nullptr;  // set while WM_PAINT is being handled
    QPaintEvent* paintEvent = nullptr;
    bool defaultPaint = false;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    bool ended = false;  // EndDialog was called
    int result = 0;
    std::unique_ptr<HMENU__> systemMenu;  // with WS_SYSMENU
    // Where the client area starts in the widget: below the caption the
    // dialog draws itself (qt_caption.h), else 0.
    int clientTop = 0;

    // Shows the system menu at `global` (screen pixels) and sends the
    // command chosen as WM_SYSCOMMAND; lParam carries the position when the
    // mouse opened it.
    void TrackSystemMenu(QPoint global, bool byMouse);
};

class DialogWidget final : public QDialog {
public:
    DialogWidget(DialogWindow& window, QWidget* parent);
    bool ending = false;
    QPointer<QWidget> initialFocus;

    // Alt+Space, wherever the focus is in the dialog, opens the system menu.
    bool eventFilter(QObject* watched, QEvent* event) override;

    // As in a dialog box of the system: the push button with the focus looks
    // like the default one; while the focus is elsewhere, the button of the
    // dialog's default command does (if there is one).
    void ShowDefaultButton(QWidget* focus);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // A drag or drop of files over the dialog or one of its controls: taken
    // when the dialog accepts files (DragAcceptFiles) and only local files
    // come; a drop is sent as WM_DROPFILES. True when the event was taken.
    bool FileDrag(QEvent* event);

    // The keys of the window's frame: true when `key` was one and is done.
    bool SystemKey(const QKeyEvent* key);

    DialogWindow& window_;
};

// The control of template item `item` as a child of `parent`; null with the
// reason in *error when the item asks for a control that is not supported.
std::unique_ptr<HWND__> MakeControl(const DlgItemTemplate& item, QWidget* parent, QString* error);
// Whether the item is a default push button (BS_DEFPUSHBUTTON), whose
// command Enter sends.
bool IsDefaultPushButton(const DlgItemTemplate& item);
