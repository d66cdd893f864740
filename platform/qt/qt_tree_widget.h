// The widget of a tree control: a scroll area that hands keys, clicks, the
// wheel and its size to the engine and paints the rows the engine laid out,
// as the system's tree view looks (dotted lines, boxed + and -), with the
// dialog's font and the style's palette.
#pragma once

#include <QAbstractScrollArea>

struct TreeWindow;

class TreeWidget final : public QAbstractScrollArea {
public:
    TreeWidget(TreeWindow& window, QWidget* parent);

    TreeWindow& Window() { return window_; }
    // Sets the scroll bars from the engine (rows shown, page, extent).
    void SyncScrollBars();
    // The font's measurements go to the engine.
    void SyncMetrics();
    // Counts the tree's fillings: items of an earlier one are gone.
    unsigned Generation() const { return generation_; }
    void NewGeneration() { ++generation_; }

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    TreeWindow& window_;
    bool syncing_ = false;  // the bars are being set from the engine
    int wheelX_ = 0, wheelY_ = 0;  // wheel movement not scrolled yet
    unsigned generation_ = 0;
};
