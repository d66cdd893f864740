// The frame of the fixed windows (the dialogs and the message boxes) where
// the window system leaves it to the program. On Wayland the toolkit's own
// frame offers maximise and minimise on every window whatever it asks for,
// and a fixed-size surface that gets maximised breaks the protocol, which
// ends the program. There the windows go without the toolkit's frame and
// draw this caption instead: icon, title and close box, moved by dragging,
// our system menu on a right-click. Elsewhere the window manager frames
// them as it frames every window.
#pragma once

#include <QWidget>
#include <functional>

// Whether windows get their caption from CaptionBar (on Wayland).
bool AfxQtDrawsOwnCaption();

class CaptionBar final : public QWidget {
public:
    // A caption along the top of `window`, as wide as it; `systemMenu`
    // opens the window's system menu at a screen position (none: no menu).
    CaptionBar(QWidget* window, std::function<void(QPoint)> systemMenu);

    // The caption's height for the application's font.
    static int Height();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QRect CloseBox() const;

    QWidget* window_;
    std::function<void(QPoint)> systemMenu_;
    bool closePressed_ = false;
    bool overClose_ = false;
};

// Keeps `window` out of the maximised and full-screen states whoever asks
// for them (a fixed dialog has neither); the request is taken back at
// once, before the window system has answered it.
void AfxQtKeepWindowFixed(QWidget* window);
