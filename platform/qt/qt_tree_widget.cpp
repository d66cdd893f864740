// The tree control's widget: input to the engine, the engine's rows painted.
#include "qt_tree_widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>
#include <algorithm>
#include <climits>

#include "qt_tree.h"
#include "qt_tree_access.h"

namespace {

QRect ToQRect(const TreeRect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

// A monotonic clock for type-ahead's pauses.
uint64_t NowMs() {
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return static_cast<uint64_t>(clock.elapsed());
}

// Dots where x + y is even, so that those of neighbouring rows and of the
// two directions meet.
void AddDots(QList<QPoint>& dots, const TreeLine& line) {
    if (line.x0 == line.x1) {
        for (int y = line.y0 + ((line.x0 + line.y0) & 1); y < line.y1; y += 2) dots.append(QPoint(line.x0, y));
    } else {
        for (int x = line.x0 + ((line.x0 + line.y0) & 1); x < line.x1; x += 2) dots.append(QPoint(x, line.y0));
    }
}

}  // namespace

TreeWidget::TreeWidget(TreeWindow& window, QWidget* parent) : QAbstractScrollArea(parent), window_(window) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    SyncMetrics();
    AfxAttachTreeAccessibility(this);
}

void TreeWidget::SyncMetrics() {
    const QFontMetrics metrics = fontMetrics();
    window_.engine.SetMetrics(TreeMetrics::For(metrics.height(), logicalDpiY()), [this](const char* text) {
        return fontMetrics().horizontalAdvance(QString::fromUtf8(text));
    });
    window_.Apply();
}

void TreeWidget::SyncScrollBars() {
    TreeEngine& e = window_.engine;
    syncing_ = true;
    QScrollBar* v = verticalScrollBar();
    const size_t maxTop = std::min<size_t>(e.MaxTop(), INT_MAX);
    v->setRange(0, static_cast<int>(maxTop));
    v->setPageStep(static_cast<int>(std::min<size_t>(e.PageRows(), INT_MAX)));
    v->setSingleStep(1);
    v->setValue(static_cast<int>(std::min<size_t>(e.Top(), INT_MAX)));
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, e.MaxHScroll());
    h->setPageStep(std::max(e.ViewportWidth(), 1));
    h->setSingleStep(e.Metrics().indent);
    h->setValue(e.HScroll());
    syncing_ = false;
}

void TreeWidget::scrollContentsBy(int, int) {
    if (syncing_) return;
    window_.engine.ScrollToRow(static_cast<size_t>(std::max(0, verticalScrollBar()->value())));
    window_.engine.ScrollToX(horizontalScrollBar()->value());
    window_.Apply();
}

bool TreeWidget::event(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ScreenChangeInternal) SyncMetrics();
    return QAbstractScrollArea::event(event);
}

bool TreeWidget::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // Only over a label; the tip goes once the pointer leaves it.
        auto* help = static_cast<QHelpEvent*>(event);
        const TreeHit hit = window_.engine.HitTest(help->pos().x(), help->pos().y());
        const TreeRowLayout* row = hit.part == TreePart::Label ? window_.engine.RowLayout(hit.row) : nullptr;
        const QString tip = row ? window_.InfoTip(hit.item) : QString();
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, viewport(), ToQRect(row->label));
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TreeWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    window_.engine.SetViewport(viewport()->width(), viewport()->height());
    window_.Apply();
}

void TreeWidget::paintEvent(QPaintEvent* event) {
    // Rows appended since the last flush are laid out first, should the
    // painting come before the flush.
    if (window_.engine.FlushPending()) window_.Flush();
    window_.BeginPaint();
    QPainter painter(viewport());
    const QPalette& pal = palette();
    painter.fillRect(event->rect(), pal.color(QPalette::Base));
    painter.setRenderHint(QPainter::Antialiasing, false);
    const TreeEngine& e = window_.engine;
    const TreeMetrics& m = e.Metrics();
    const auto& lines = e.Lines();
    const bool focused = e.Focused();
    QList<QPoint> dots;
    for (const TreeRowLayout& row : e.Layout()) {
        if (row.bottom <= event->rect().top() || row.top > event->rect().bottom()) continue;
        for (size_t l = row.firstLine; l < row.firstLine + row.lineCount; ++l) AddDots(dots, lines[l]);
    }
    painter.setPen(pal.color(QPalette::Dark));
    painter.drawPoints(dots.constData(), static_cast<int>(dots.size()));
    for (const TreeRowLayout& row : e.Layout()) {
        if (row.bottom <= event->rect().top() || row.top > event->rect().bottom()) continue;
        if (row.hasBox) {
            const QRect box = ToQRect(row.box);
            const int cx = box.left() + box.width() / 2, cy = box.top() + box.height() / 2;
            painter.fillRect(box, pal.color(QPalette::Base));
            painter.setPen(pal.color(QPalette::Mid));
            painter.drawRect(box.adjusted(0, 0, -1, -1));
            painter.setPen(pal.color(QPalette::Text));
            painter.drawLine(cx - m.sign, cy, cx + m.sign, cy);
            if (!row.expanded) painter.drawLine(cx, cy - m.sign, cx, cy + m.sign);
        }
        const QRect label = ToQRect(row.label);
        QColor ink = window_.TextColor(row.item);
        if (!ink.isValid()) ink = pal.color(QPalette::Text);
        if (row.selected && (focused || (window_.style & TVS_SHOWSELALWAYS))) {
            const QPalette::ColorGroup group = focused ? QPalette::Active : QPalette::Inactive;
            painter.fillRect(label, pal.color(group, QPalette::Highlight));
            ink = pal.color(group, QPalette::HighlightedText);
        }
        painter.setPen(ink);
        painter.drawText(label.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::fromUtf8(e.Store().Text(row.item)));
        if (row.selected && focused) {
            QStyleOptionFocusRect frame;
            frame.initFrom(this);
            frame.rect = label;
            frame.backgroundColor = pal.color(QPalette::Highlight);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
        }
    }
}

void TreeWidget::keyPressEvent(QKeyEvent* event) {
    TreeKey key;
    switch (event->key()) {
    case Qt::Key_Up: key = TreeKey::Up; break;
    case Qt::Key_Down: key = TreeKey::Down; break;
    case Qt::Key_Left: key = TreeKey::Left; break;
    case Qt::Key_Right: key = TreeKey::Right; break;
    case Qt::Key_Home: key = TreeKey::Home; break;
    case Qt::Key_End: key = TreeKey::End; break;
    case Qt::Key_PageUp: key = TreeKey::PageUp; break;
    case Qt::Key_PageDown: key = TreeKey::PageDown; break;
    case Qt::Key_Plus: key = TreeKey::Add; break;
    case Qt::Key_Minus: key = TreeKey::Subtract; break;
    case Qt::Key_Asterisk: key = TreeKey::Multiply; break;
    default: {
        // Printable text types ahead; everything else (Tab, Escape, the
        // menu key, shortcuts) belongs to the dialog.
        const QString text = event->text();
        const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (plain && !text.isEmpty() && text.at(0).isPrint()) {
            window_.engine.Type(text.toUtf8().toStdString(), NowMs());
            window_.Apply();
            event->accept();
        } else {
            event->ignore();
        }
        return;
    }
    }
    window_.engine.Key(key);
    window_.Apply();
    event->accept();
}

void TreeWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    window_.engine.Click(event->position().toPoint().x(), event->position().toPoint().y(), false);
    window_.Apply();
}

void TreeWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseDoubleClickEvent(event);
    window_.engine.Click(event->position().toPoint().x(), event->position().toPoint().y(), true);
    window_.Apply();
}

void TreeWidget::wheelEvent(QWheelEvent* event) {
    // A notch of 120 scrolls the system's number of lines; sideways by the indent.
    wheelY_ += event->angleDelta().y();
    wheelX_ += event->angleDelta().x();
    const int notchesY = wheelY_ / 120, notchesX = wheelX_ / 120;
    wheelY_ -= notchesY * 120;
    wheelX_ -= notchesX * 120;
    TreeEngine& e = window_.engine;
    if (notchesY) e.Wheel(static_cast<long long>(notchesY) * QApplication::wheelScrollLines());
    if (notchesX) e.ScrollToX(e.HScroll() - notchesX * e.Metrics().indent);
    window_.Apply();
    event->accept();
}

void TreeWidget::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    window_.engine.SetFocused(true);
    window_.Apply();
}

void TreeWidget::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    window_.engine.SetFocused(false);
    window_.Apply();
}
