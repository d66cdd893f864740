// The dialog's window: its default processing of messages (system
// commands, close, paint, icons) and the widget that turns Qt's events into
// those messages.
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

#include "qt_dialog.h"
#include "qt_internal.h"

DialogWidget* DialogWindow::dialog() const { return static_cast<DialogWidget*>(widget.data()); }

LRESULT DialogWindow::Proc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: AfxSend(this, WM_CLOSE, 0, 0); break;
        case SC_KEYMENU:
            // The menu opens below the title bar, at the client area's corner.
            if (lParam == ' ') TrackSystemMenu(widget->mapToGlobal(QPoint(0, clientTop)), false);
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
    case WM_DROPFILES:
        // Nobody took the drop: it is released here.
        DragFinish(reinterpret_cast<HDROP>(wParam));
        return 0;
    default:
        return 0;
    }
}

DialogWidget::DialogWidget(DialogWindow& window, QWidget* parent) : QDialog(parent), window_(window) {}

void DialogWidget::ShowDefaultButton(QWidget* focus) {
    auto* focused = qobject_cast<QPushButton*>(focus);
    for (const auto& child : window_.children)
        if (auto* button = qobject_cast<QPushButton*>(child->widget.data()))
            button->setDefault(focused ? button == focused : child->id == window_.defaultId);
}

bool DialogWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) ShowDefaultButton(qobject_cast<QWidget*>(watched));
    if (event->type() == QEvent::KeyPress && SystemKey(static_cast<QKeyEvent*>(event))) return true;
    // Files dropped on a control (the path field would take them as text)
    // are the dialog's.
    if ((event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove || event->type() == QEvent::Drop) &&
        FileDrag(event))
        return true;
    return QDialog::eventFilter(watched, event);
}

namespace {

// The local paths of a drag's files; empty unless every URL is a local file.
std::vector<std::string> LocalFiles(const QMimeData* data) {
    std::vector<std::string> paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {};
        paths.push_back(QDir::toNativeSeparators(url.toLocalFile()).toStdString());
    }
    return paths;
}

}  // namespace

bool DialogWidget::FileDrag(QEvent* event) {
    if (!window_.acceptFiles) return false;
    auto* drop = static_cast<QDropEvent*>(event);  // DragEnter and DragMove derive from it
    std::vector<std::string> paths = LocalFiles(drop->mimeData());
    if (paths.empty()) {
        // Text, links and anything else: refused everywhere in the dialog.
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (event->type() == QEvent::Drop) {
        auto* files = new HDROP__{std::move(paths)};  // the handler releases it (DragFinish)
        AfxSendFromEvent(&window_, WM_DROPFILES, reinterpret_cast<WPARAM>(files), 0);
    }
    return true;
}

void DialogWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (!FileDrag(event)) event->ignore();
}

void DialogWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (!FileDrag(event)) event->ignore();
}

void DialogWidget::dropEvent(QDropEvent* event) {
    if (!FileDrag(event)) event->ignore();
}

bool DialogWidget::SystemKey(const QKeyEvent* key) {
    const auto mods = key->modifiers() & ~Qt::KeypadModifier;
    // Alt+Space, Shift+F10 and the menu key open the system menu, so its
    // About entry is always a key away.
    if ((mods == Qt::AltModifier && key->key() == Qt::Key_Space) ||
        (mods == Qt::ShiftModifier && key->key() == Qt::Key_F10) ||
        (mods == Qt::NoModifier && key->key() == Qt::Key_Menu)) {
        AfxSendFromEvent(&window_, WM_SYSCOMMAND, SC_KEYMENU, ' ');
        return true;
    }
    // Alt+F4 closes the window also where no window manager does it.
    if (mods == Qt::AltModifier && key->key() == Qt::Key_F4) {
        AfxSendFromEvent(&window_, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    }
    return false;
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
    if (SystemKey(event)) return;
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
    // The focus cue shows from the start, not only once Tab was pressed.
    setAttribute(Qt::WA_KeyboardFocusChange);
    if (initialFocus) initialFocus->setFocus(Qt::TabFocusReason);
    ShowDefaultButton(initialFocus);
}
