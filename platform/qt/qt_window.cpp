// Windows, dialogs and their controls on Qt widgets.
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QContextMenuEvent>
#include <cstring>
#include <map>
#include <optional>

#include "afx_qt.h"
#include "dib.h"
#include "dlgtemplate.h"
#include "qt_dialog.h"
#include "qt_internal.h"
#include "qt_testhooks.h"
#include "qt_tree.h"

struct AfxWindowAccess {
    static LRESULT WindowProc(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam) {
        return wnd.WindowProc(message, wParam, lParam);
    }
};

namespace {

// Messages from the window system being handled (they may nest through modal boxes).
int g_eventDepth = 0;

}  // namespace

// ---------------------------------------------------------------------------
// Window records and message routing

HWND__::~HWND__() {
    if (owner && owner->m_hWnd == this) owner->m_hWnd = nullptr;
    if (wrapper) wrapper->m_hWnd = nullptr;
}

LRESULT HWND__::Proc(UINT, WPARAM, LPARAM) { return 0; }

LRESULT AfxSend(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hWnd) return 0;
    if (hWnd->owner) return AfxWindowAccess::WindowProc(*hWnd->owner, message, wParam, lParam);
    return hWnd->Proc(message, wParam, lParam);
}

LRESULT AfxSendFromEvent(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ++g_eventDepth;
    const LRESULT result = AfxSend(hWnd, message, wParam, lParam);
    if (--g_eventDepth == 0) AfxPublishTreeChanges();
    return result;
}

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return AfxSend(hWnd, message, wParam, lParam);
}

QWidget* AfxQtWidget(HWND hWnd) { return hWnd ? hWnd->widget.data() : nullptr; }

BOOL IsIconic(HWND hWnd) {
    QWidget* w = AfxQtWidget(hWnd);
    return w && w->isMinimized();
}

BOOL GetClientRect(HWND hWnd, LPRECT rect) {
    QWidget* w = AfxQtWidget(hWnd);
    if (!w || !rect) return FALSE;
    *rect = RECT{0, 0, w->width(), w->height()};
    return TRUE;
}

// ---------------------------------------------------------------------------
// CWnd

CWnd::~CWnd() {
    if (m_hWnd && m_hWnd->owner == this) m_hWnd->owner = nullptr;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return AfxSend(m_hWnd, message, wParam, lParam);
}

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

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_hWnd ? m_hWnd->Proc(message, wParam, lParam) : 0;
}

LRESULT CWnd::Default() { return DefWindowProc(m_curMessage, m_curWParam, m_curLParam); }

void CWnd::OnPaint() { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    if (!m_hWnd) return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

CWnd* CWnd::GetDlgItem(int nID) const {
    if (!m_hWnd) return nullptr;
    for (const auto& child : m_hWnd->children) {
        if (child->id != nID) continue;
        if (child->owner) return child->owner;
        if (!child->wrapper) {
            child->wrapper = std::make_unique<CWnd>();
            child->wrapper->m_hWnd = child.get();
        }
        return child->wrapper.get();
    }
    return nullptr;
}

void CWnd::SetWindowText(LPCTSTR text) {
    QWidget* w = AfxQtWidget(m_hWnd);
    if (!w) return;
    const QString s = FromUtf8(text);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(s);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(s);
    else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(s);
    else
        w->setWindowTitle(s);
}

CString CWnd::GetWindowText() const {
    QWidget* w = AfxQtWidget(m_hWnd);
    if (!w) return CString();
    QString s;
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        s = edit->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        s = button->text();
    else if (auto* label = qobject_cast<QLabel*>(w))
        s = label->text();
    else
        s = w->windowTitle();
    return CString(s.toUtf8().toStdString());
}

BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }

void CWnd::GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (!pParent || !pParent->m_hWnd) return FALSE;
    for (const auto& child : pParent->m_hWnd->children) {
        if (child->id != static_cast<int>(nID)) continue;
        if (child->owner && child->owner != this) return FALSE;
        child->owner = this;
        m_hWnd = child.get();
        return TRUE;
    }
    return FALSE;
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

// ---------------------------------------------------------------------------
// Dialog window

DialogWidget* DialogWindow::dialog() const { return static_cast<DialogWidget*>(widget.data()); }

LRESULT DialogWindow::Proc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: AfxSend(this, WM_CLOSE, 0, 0); break;
        case SC_KEYMENU:
            // The menu opens below the title bar, at the client area's corner.
            if (lParam == ' ') TrackSystemMenu(widget->mapToGlobal(QPoint(0, 0)), false);
            break;
        case SC_MINIMIZE: widget->showMinimized(); break;
        case SC_RESTORE: widget->showNormal(); break;
        default: break;
        }
        return 0;
    case WM_CONTEXTMENU: {
        const auto x = static_cast<int16_t>(lParam & 0xFFFF);
        const auto y = static_cast<int16_t>((lParam >> 16) & 0xFFFF);
        TrackSystemMenu(QPoint(x, y), true);
        return 0;
    }
    case WM_CLOSE:
        // A dialog closes as if its Cancel command had been given.
        AfxSend(this, WM_COMMAND, IDCANCEL, 0);
        return 0;
    case WM_PAINT:
        defaultPaint = true;
        return 0;
    case WM_ICONERASEBKGND: {
        auto* dc = reinterpret_cast<HDC>(wParam);
        if (dc && dc->painter) dc->painter->fillRect(widget->rect(), widget->palette().window());
        return 1;
    }
    case WM_SETICON: {
        // The window system keeps one icon per window; the big one wins, the
        // small one serves while there is no big one.
        HICON& slot = wParam == ICON_BIG ? bigIcon : smallIcon;
        HICON previous = slot;
        slot = reinterpret_cast<HICON>(lParam);
        HICON shown = bigIcon ? bigIcon : smallIcon;
        widget->setWindowIcon(shown ? shown->icon : QIcon());
        return reinterpret_cast<LRESULT>(previous);
    }
    case WM_QUERYDRAGICON:
        return 0;
    default:
        return 0;
    }
}

DialogWidget::DialogWidget(DialogWindow& window, QWidget* parent) : QDialog(parent), window_(window) {}

bool DialogWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && (key->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier) {
            AfxSendFromEvent(&window_, WM_SYSCOMMAND, SC_KEYMENU, ' ');
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DialogWidget::contextMenuEvent(QContextMenuEvent* event) {
    // A right-click on the dialog's background, not on one of its controls.
    if (event->reason() != QContextMenuEvent::Mouse || childAt(event->pos())) {
        event->ignore();
        return;
    }
    AfxSendFromEvent(&window_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(&window_),
                     MAKELPARAM(event->globalPos().x(), event->globalPos().y()));
}

void DialogWidget::keyPressEvent(QKeyEvent* event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::AltModifier && event->key() == Qt::Key_Space) {
        AfxSendFromEvent(&window_, WM_SYSCOMMAND, SC_KEYMENU, ' ');
        return;
    }
    if (mods == Qt::NoModifier && event->key() == Qt::Key_Escape) {
        AfxSendFromEvent(&window_, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (mods == Qt::NoModifier && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // A focused push button is pressed; otherwise the dialog's default command is sent.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            AfxSendFromEvent(&window_, WM_COMMAND, static_cast<WPARAM>(window_.defaultId) | (WPARAM{BN_CLICKED} << 16), 0);
        }
        return;
    }
    event->ignore();
}

void DialogWidget::closeEvent(QCloseEvent* event) {
    if (ending) {
        event->accept();
        return;
    }
    // The close box: a system command, which by default ends the dialog through Cancel.
    event->ignore();
    AfxSendFromEvent(&window_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void DialogWidget::paintEvent(QPaintEvent* event) {
    window_.paintEvent = event;
    window_.defaultPaint = false;
    AfxSend(&window_, WM_PAINT, 0, 0);
    window_.paintEvent = nullptr;
    if (window_.defaultPaint) QDialog::paintEvent(event);
}

void DialogWidget::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (initialFocus) initialFocus->setFocus(Qt::OtherFocusReason);
}
