// Windows on Qt widgets: the window records, the routing of messages to the
// objects bound to them, CWnd and the dialog data exchange.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <memory>

#include "afx_qt.h"
#include "qt_dialog.h"
#include "qt_internal.h"
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

QWidget* AfxQtSafeOwner(CWnd* parent) {
    if (QWidget* w = parent ? AfxQtWidget(parent->m_hWnd) : nullptr) return w->window();
    // The dialog running now (an About box over the main dialog), else the
    // application's main window.
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    CWinApp* app = AfxGetApp();
    QWidget* main = app && app->m_pMainWnd ? AfxQtWidget(app->m_pMainWnd->m_hWnd) : nullptr;
    return main && main->isVisible() ? main->window() : nullptr;
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
    if (!m_hWnd) return;
    m_hWnd->acceptFiles = bAccept != FALSE;
    if (m_hWnd->widget) m_hWnd->widget->setAcceptDrops(m_hWnd->acceptFiles);
}

UINT DragQueryFile(HDROP hDrop, UINT iFile, LPTSTR lpszFile, UINT cch) {
    if (!hDrop) return 0;
    if (iFile == 0xFFFFFFFFu) return static_cast<UINT>(hDrop->paths.size());
    if (iFile >= hDrop->paths.size()) return 0;
    const std::string& path = hDrop->paths[iFile];
    if (!lpszFile || cch == 0) return static_cast<UINT>(path.size());
    const size_t n = std::min<size_t>(path.size(), cch - 1);
    path.copy(lpszFile, n);
    lpszFile[n] = '\0';
    return static_cast<UINT>(n);
}

void DragFinish(HDROP hDrop) { delete hDrop; }

BOOL IsIconic(HWND hWnd) {
    QWidget* w = AfxQtWidget(hWnd);
    return w && w->isMinimized();
}

BOOL GetClientRect(HWND hWnd, LPRECT rect) {
    QWidget* w = AfxQtWidget(hWnd);
    if (!w || !rect) return FALSE;
    // A dialog's own caption is not part of its client area.
    const auto* dialog = dynamic_cast<const DialogWindow*>(hWnd);
    const int top = dialog ? dialog->clientTop : 0;
    *rect = RECT{0, 0, w->width(), w->height() - top};
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

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_hWnd ? m_hWnd->Proc(message, wParam, lParam) : 0;
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
