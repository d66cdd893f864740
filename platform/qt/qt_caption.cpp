#include "qt_caption.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

bool AfxQtDrawsOwnCaption() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

int CaptionBar::Height() {
    // About as tall as a caption of the system: the text with room around it.
    return QFontMetrics(QApplication::font()).height() + 12;
}

CaptionBar::CaptionBar(QWidget* window, std::function<void(QPoint)> systemMenu)
    : QWidget(window), window_(window), systemMenu_(std::move(systemMenu)) {
    setObjectName(QStringLiteral("caption"));
    setFont(QApplication::font());
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setAccessibleName(window->windowTitle());
    setGeometry(0, 0, window->width(), Height());
    window->installEventFilter(this);
}

QRect CaptionBar::CloseBox() const {
    const int side = height() - 6;
    return QRect(width() - side - 4, 3, side, side);
}

bool CaptionBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_) {
        switch (event->type()) {
        case QEvent::Resize: setGeometry(0, 0, window_->width(), Height()); break;
        case QEvent::WindowTitleChange:
            setAccessibleName(window_->windowTitle());
            update();
            break;
        case QEvent::WindowIconChange:
        case QEvent::ActivationChange: update(); break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CaptionBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool active = window_->isActiveWindow();
    const QPalette& pal = palette();
    p.fillRect(rect(), active ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid));
    const QColor text = active ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Window);
    int left = 6;
    const QIcon icon = window_->windowIcon();
    const int iconSide = height() - 8;
    if (!icon.isNull()) {
        icon.paint(&p, QRect(left, 4, iconSide, iconSide));
        left += iconSide + 6;
    }
    const QRect close = CloseBox();
    p.setPen(text);
    const QString title =
        fontMetrics().elidedText(window_->windowTitle(), Qt::ElideRight, close.left() - 6 - left);
    p.drawText(QRect(left, 0, close.left() - left, height()), Qt::AlignVCenter | Qt::AlignLeft, title);
    // The close box: a cross, lit under the pointer.
    if (overClose_ || closePressed_) p.fillRect(close, closePressed_ ? pal.color(QPalette::Dark) : pal.color(QPalette::Button));
    QPen pen(overClose_ || closePressed_ ? pal.color(QPalette::ButtonText) : text);
    pen.setWidthF(1.5);
    p.setPen(pen);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF cross = QRectF(close).adjusted(close.width() * 0.3, close.height() * 0.3, -close.width() * 0.3,
                                                -close.height() * 0.3);
    p.drawLine(cross.topLeft(), cross.bottomRight());
    p.drawLine(cross.bottomLeft(), cross.topRight());
}

void CaptionBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (CloseBox().contains(event->position().toPoint())) {
        closePressed_ = true;
        update();
        return;
    }
    // The window system moves the window while the button is held.
    if (QWindow* handle = window_->windowHandle()) handle->startSystemMove();
}

void CaptionBar::mouseMoveEvent(QMouseEvent* event) {
    const bool over = CloseBox().contains(event->position().toPoint());
    if (over != overClose_) {
        overClose_ = over;
        update();
    }
}

void CaptionBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !closePressed_) return;
    closePressed_ = false;
    update();
    // As the close box of a frame: the window is asked to close.
    if (CloseBox().contains(event->position().toPoint())) window_->close();
}

void CaptionBar::leaveEvent(QEvent*) {
    overClose_ = false;
    update();
}

void CaptionBar::contextMenuEvent(QContextMenuEvent* event) {
    if (systemMenu_) systemMenu_(event->globalPos());
}

namespace {

// Takes back a maximised or full-screen state. Elsewhere at once; on
// Wayland a request cannot be taken back before the compositor has
// answered it (the toolkit sends only what differs from the state last
// configured), and once the answer is acknowledged the window must take
// the size it names, or the compositor ends the connection. So there the
// window gives up its fixed size until the state is applied, then asks to
// be normal again and takes its size back.
class FixedState final : public QObject {
public:
    explicit FixedState(QWidget* window) : QObject(window), window_(window) {}

    bool eventFilter(QObject*, QEvent* event) override {
        constexpr Qt::WindowStates kRefused = Qt::WindowMaximized | Qt::WindowFullScreen;
        // While the fixed size is given up, a window that fixes its own size
        // from its layout (a message box) must not take it back early.
        if (event->type() == QEvent::LayoutRequest && !fixedSize_.isEmpty()) return true;
        if (event->type() == QEvent::Resize && !fixedSize_.isEmpty()) {
            // The compositor's answers show as the sizes they name: the
            // state applied (taken back now), then the normal size again.
            if (window_->size() != fixedSize_)
                QTimer::singleShot(0, this, [this] { TakeBack(); });
            else if (!(window_->windowState() & kRefused))
                Refix();
            return false;
        }
        if (event->type() != QEvent::WindowStateChange) return false;
        const Qt::WindowStates state = window_->windowState();
        if (!(state & kRefused)) return false;
        if (!AfxQtDrawsOwnCaption()) {
            window_->setWindowState(state & ~kRefused);
            return false;
        }
        if (fixedSize_.isEmpty()) {
            // The request, before the compositor's answer: room for the size it will name.
            fixedSize_ = window_->size();
            window_->setMinimumSize(0, 0);
            window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            // A compositor that keeps the size answers with no resize: the
            // state is taken back all the same.
            QTimer::singleShot(500, this, [this] {
                TakeBack();
                QTimer::singleShot(500, this, [this] { Refix(); });
            });
        }
        return false;
    }

private:
    void TakeBack() {
        const Qt::WindowStates state = window_->windowState();
        if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
            window_->setWindowState(state & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
    }

    // The fixed size again, once the window is back in the normal state.
    void Refix() {
        if (fixedSize_.isEmpty() || (window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) return;
        window_->setFixedSize(fixedSize_);
        fixedSize_ = QSize();
        QCoreApplication::postEvent(window_, new QEvent(QEvent::LayoutRequest));
    }

    QWidget* window_;
    QSize fixedSize_;  // while the fixed size is given up
};

}  // namespace

void AfxQtKeepWindowFixed(QWidget* window) { window->installEventFilter(new FixedState(window)); }
