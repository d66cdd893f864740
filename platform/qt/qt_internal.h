// The Qt backend's window records. A window handle (HWND) points to one of
// these; the record holds the widget and the CWnd object bound to it, and its
// Proc is the window class's own processing of messages.
#pragma once

#include <QAbstractItemModel>
#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "afxcmn.h"
#include "afxwin.h"
#include "dlgtemplate.h"
#include "menu_data.h"
#include "tree_store.h"

class QContextMenuEvent;
class QPainter;
class QPaintEvent;

struct HWND__ {
    virtual ~HWND__();
    // Default processing of messages that the bound object's map did not take.
    virtual LRESULT Proc(UINT message, WPARAM wParam, LPARAM lParam);

    QPointer<QWidget> widget;
    int id = 0;
    CWnd* owner = nullptr;           // the CWnd bound to this window, if any
    std::unique_ptr<CWnd> wrapper;  // stands in for an unbound control (GetDlgItem)
    std::vector<std::unique_ptr<HWND__>> children;  // controls of a dialog
};

struct HICON__ {
    QIcon icon;
};

struct HDC__ {
    QPainter* painter = nullptr;
};

// Routes a message to the object bound to the window, else to the window's own Proc.
LRESULT AfxSend(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// The same for a message that stands for a user's action (a click, a key):
// when the outermost one returns, the tree controls show what was inserted.
LRESULT AfxSendFromEvent(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------
// Tree control

class TreeModel final : public QAbstractItemModel {
public:
    explicit TreeModel(const TreeStore& store) : store_(store) {}

    QModelIndex index(int row, int column, const QModelIndex& parent) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent) const override;
    bool hasChildren(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Views learn about insertions in one reset: the first change opens it,
    // Publish closes it, so a million insertions cost two signals.
    void BeginChange();
    void Publish();
    bool ChangeOpen() const { return open_; }

private:
    TreeStore::Index Item(const QModelIndex& index) const;
    const TreeStore& store_;
    bool open_ = false;
};

struct TreeWindow final : HWND__ {
    explicit TreeWindow(DWORD style, QWidget* parent);
    ~TreeWindow() override;
    LRESULT Proc(UINT message, WPARAM wParam, LPARAM lParam) override;

    TreeStore store;
    TreeModel model{store};
};

// Ends the open model changes of every tree control; runs when a message
// dispatched from the window system returns and from the event loop.
void AfxPublishTreeChanges();

// ---------------------------------------------------------------------------
// Dialogs

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

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    DialogWindow& window_;
};
