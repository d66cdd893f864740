// The dialog object: built from its template and run modally.
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QStyle>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <memory>

#include "afx_qt.h"
#include "dlgtemplate.h"
#include "menu_data.h"
#include "qt_caption.h"
#include "qt_dialog.h"
#include "qt_tree.h"
#include "qt_internal.h"
#include "test_hooks.h"

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return CWnd::DefWindowProc(message, wParam, lParam);
}

void CDialog::EndDialog(int nResult) {
    auto* window = dynamic_cast<DialogWindow*>(m_hWnd);
    if (!window) return;
    window->ended = true;
    window->result = nResult;
    if (DialogWidget* widget = window->dialog()) {
        widget->ending = true;
        if (widget->isVisible()) widget->done(nResult);
    }
}

namespace {

QFont DialogFont(const DlgTemplate& t) {
    if (!(t.style & DS_SETFONT) || !t.faceName) return QApplication::font();
    QFont font(QString::fromUtf8(t.faceName));
    font.setPointSize(t.pointSize > 0 ? t.pointSize : 9);
    if (t.weight > 0) font.setWeight(static_cast<QFont::Weight>(qBound(1, t.weight, 1000)));
    font.setItalic(t.italic);
    return font;
}

// Without a parent, the dialog belongs to the dialog running now or the
// application's main window (unless it is that window): it opens over it
// and stays above it.
QWidget* OwnerWidget(CWnd* parent, const CWnd* dialog) {
    if (parent) return AfxQtWidget(parent->m_hWnd);
    if (AfxGetApp() && AfxGetApp()->m_pMainWnd == dialog) return nullptr;
    return AfxQtSafeOwner();
}

// The title bar, its buttons and the system menu as the template's styles ask.
void SetUpFrame(DialogWindow& window, const DlgTemplate& t, QWidget* parentWidget) {
    QWidget* widget = window.widget;
    Qt::WindowFlags flags = ((t.exStyle & WS_EX_APPWINDOW) && !parentWidget) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint;
    if ((t.style & WS_CAPTION) == WS_CAPTION) flags |= Qt::WindowTitleHint;
    if (t.style & WS_SYSMENU) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (t.style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
        if (t.style & WS_MAXIMIZEBOX) flags |= Qt::WindowMaximizeButtonHint;
    }
    // Where the window system leaves the frame to the program, the dialog
    // draws its caption itself.
    // (Any hint for the frame's parts would bring the toolkit's frame back.)
    const bool ownCaption = (t.style & WS_CAPTION) == WS_CAPTION && AfxQtDrawsOwnCaption();
    if (ownCaption) flags = (flags & Qt::WindowType_Mask) | Qt::FramelessWindowHint;
    widget->setWindowFlags(flags);
    AfxQtKeepWindowFixed(widget);
    if (t.style & WS_SYSMENU) {
        window.systemMenu = std::make_unique<HMENU__>();
        window.systemMenu->SetDefaultSystemItems();
    }
    widget->setWindowTitle(QString::fromUtf8(t.caption ? t.caption : ""));
    if (ownCaption) {
        DialogWindow* w = &window;
        new CaptionBar(widget, [w](QPoint at) { w->TrackSystemMenu(at, true); });
        window.clientTop = CaptionBar::Height();
    }
}

// Gives the dialog the template's font and returns the dialog units it makes.
DialogBaseUnits SetUpFont(QWidget& widget, const DlgTemplate& t) {
    const QFont font = DialogFont(t);
    widget.setFont(font);
    const QFontMetrics metrics(font);
    return BaseUnitsFromFont(
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
        metrics.height());
}

// Sizes the dialog and moves it: centred over its owner, or on the screen
// when it has none, as the framework places a dialog that OnInitDialog does
// not move.
void Place(DialogWindow& window, const DlgTemplate& t, DialogBaseUnits base, QWidget* parentWidget) {
    QWidget& widget = *window.widget;
    PixelRect frame = DialogUnitsToPixels(t.x, t.y, t.cx, t.cy, base);
    frame.height += window.clientTop;
    widget.setFixedSize(frame.width, frame.height);
    QRect centre, area;
    if (QScreen* screen = parentWidget ? parentWidget->screen() : QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    centre = parentWidget && parentWidget->isVisible() ? parentWidget->window()->frameGeometry() : area;
    // Centred, but never with its caption off the screen (at a large scale
    // the dialog can be taller than the screen). The window manager's
    // frame is not known before the window shows: room for a title bar
    // is kept below it, while the dialog itself is what is centred.
    const int caption = window.clientTop ? 0 : widget.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int cx = centre.center().x(), cy = centre.center().y();
    const PixelRect placed =
        area.isEmpty() ? PixelRect{cx - frame.width / 2, cy - frame.height / 2, frame.width, frame.height}
                       : PlaceInside(PixelRect{area.x(), area.y(), area.width(), area.height()}, frame.width,
                                     frame.height + caption, cx, cy + caption / 2);
    widget.move(placed.x, placed.y);
}

// Places a control made from `item` and connects it to the dialog: the
// dialog sees its keys first (Alt+Space), and a push button's click is sent
// as WM_COMMAND.
void AttachControl(DialogWindow& window, HWND__& control, const DlgItemTemplate& item, DialogBaseUnits base) {
    DialogWidget* widget = window.dialog();
    const PixelRect r = DialogUnitsToPixels(item.x, item.y, item.cx, item.cy, base);
    QWidget* w = control.widget;
    w->setGeometry(r.x, r.y + window.clientTop, r.width, r.height);
    // A picture control takes the size of its bitmap.
    if (auto* label = qobject_cast<QLabel*>(w); label && !label->pixmap().isNull())
        label->resize(label->pixmap().size());
    w->installEventFilter(widget);
    // A tree control notifies the dialog (WM_NOTIFY).
    if (auto* tree = dynamic_cast<TreeWindow*>(&control)) tree->notify = &window;
    if (IsDefaultPushButton(item)) window.defaultId = item.id;
    if (auto* button = qobject_cast<QPushButton*>(w)) {
        HWND__* source = &control;
        DialogWindow* dlg = &window;
        const WPARAM command = static_cast<WPARAM>(static_cast<WORD>(item.id)) | (WPARAM{BN_CLICKED} << 16);
        QObject::connect(button, &QPushButton::clicked, widget, [dlg, source, command] {
            AfxSendFromEvent(dlg, WM_COMMAND, command, reinterpret_cast<LPARAM>(source));
        });
    }
}

// A text on the same line as a field and to its left is the field's label:
// it becomes the field's buddy, which gives the field its accessible name.
void NameFieldsByTheirLabels(DialogWindow& window) {
    for (const auto& labelWindow : window.children) {
        auto* label = qobject_cast<QLabel*>(labelWindow->widget.data());
        if (!label || !label->pixmap().isNull() || label->text().isEmpty()) continue;
        const QRect l = label->geometry();
        QWidget* nearest = nullptr;
        for (const auto& fieldWindow : window.children) {
            auto* field = qobject_cast<QLineEdit*>(fieldWindow->widget.data());
            if (!field) continue;
            const QRect f = field->geometry();
            const bool sameLine = f.top() < l.bottom() && l.top() < f.bottom();
            if (sameLine && f.left() >= l.right() && (!nearest || f.left() < nearest->geometry().left())) nearest = field;
        }
        if (nearest) label->setBuddy(nearest);
    }
}

// Makes the template's controls in template order, which is also their tab
// order; false, after a warning, when one of them cannot be made.
bool AddControls(DialogWindow& window, const DlgTemplate& t, DialogBaseUnits base, UINT templateId) {
    QWidget* previousTab = nullptr;
    for (size_t i = 0; i < t.itemCount; ++i) {
        const DlgItemTemplate& item = t.items[i];
        QString error;
        std::unique_ptr<HWND__> control = MakeControl(item, window.widget, &error);
        if (!control) {
            qWarning("dialog %u, control %d: %s", templateId, item.id, qPrintable(error));
            return false;
        }
        AttachControl(window, *control, item, base);
        QWidget* w = control->widget;
        if (item.style & WS_TABSTOP) {
            if (previousTab)
                QWidget::setTabOrder(previousTab, w);
            previousTab = w;
        }
        window.children.push_back(std::move(control));
    }
    NameFieldsByTheirLabels(window);
    return true;
}

// The focus goes to the first control that takes it, in template order.
QWidget* FirstFocusable(const DialogWindow& window) {
    for (const auto& child : window.children) {
        QWidget* w = child->widget;
        if (w && w->focusPolicy() != Qt::NoFocus && w->isEnabled() && !w->isHidden()) return w;
    }
    return nullptr;
}

// Runs the dialog's event loop unless OnInitDialog has ended it already;
// the test hook gets the dialog once it is on screen.
void RunModal(DialogWindow& window, CDialog& dialog) {
    if (window.ended) return;
    DialogWidget* widget = window.dialog();
    if (ShownHandler()) {
        QPointer<DialogWidget> guard(widget);
        QTimer::singleShot(0, widget, [&dialog, guard] {
            if (guard && ShownHandler()) ShownHandler()(dialog);
        });
    }
    widget->exec();
    if (!window.ended) {
        window.ended = true;
        window.result = widget->result();
    }
}

}  // namespace

INT_PTR CDialog::DoModal() {
    if (!QApplication::instance()) return -1;
    AfxQtInitialize();
    const DlgTemplate* t = AfxFindDialogTemplate(m_nIDTemplate);
    if (!t) return -1;

    auto window = std::make_unique<DialogWindow>();
    QWidget* parentWidget = OwnerWidget(m_pParentWnd, this);
    auto* widget = new DialogWidget(*window, parentWidget);
    window->widget = widget;
    window->id = 0;
    SetUpFrame(*window, *t, parentWidget);
    const DialogBaseUnits base = SetUpFont(*widget, *t);
    Place(*window, *t, base, parentWidget);
    if (!AddControls(*window, *t, base, m_nIDTemplate)) {
        delete widget;
        return -1;
    }

    window->owner = this;
    m_hWnd = window.get();
    if (OnInitDialog()) widget->initialFocus = FirstFocusable(*window);
    RunModal(*window, *this);

    const INT_PTR result = window->result;
    delete widget;
    window.reset();  // detaches m_hWnd and every bound control
    m_hWnd = nullptr;
    return result;
}
