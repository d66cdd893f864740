// The tree control: items in a TreeStore, shown by a QTreeView through a
// model that reads the store on demand.
#include <QHeaderView>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstring>

#include "afx_qt.h"
#include "qt_tree.h"

namespace {

// Trees whose model has an open change.
std::vector<TreeWindow*>& OpenTrees() {
    static std::vector<TreeWindow*> trees;
    return trees;
}

// Rows are two pixels taller than the font asks for, so that glyph parts
// below the descent (the underscores of some Song/Ming faces) stay visible.
class RowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(0, 2);
    }
};

// A tree view drawn as the system's tree view draws one: dotted lines that
// join each item to its parent and siblings (TVS_HASLINES, TVS_LINESATROOT),
// and boxed + and - in front of items with children (TVS_HASBUTTONS).
// Selecting or opening an item brings its label into view sideways as well.
class LinedTreeView final : public QTreeView {
public:
    LinedTreeView(TreeWindow& window, DWORD style, QWidget* parent)
        : QTreeView(parent), window_(window), style_(style) {}

    void scrollTo(const QModelIndex& index, ScrollHint hint) override {
        QTreeView::scrollTo(index, hint);
        if (!index.isValid()) return;
        // QTreeView lines the column up, not the label inside it: bring
        // the label (with its box) into view, its left end first.
        int depth = 0;
        for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) ++depth;
        const int indent = indentation();
        const int boxLeft = indent * (depth + (rootIsDecorated() ? 0 : -1));
        const int labelRight = indent * (depth + (rootIsDecorated() ? 1 : 0)) +
                               sizeHintForIndex(index).width();
        QScrollBar* bar = horizontalScrollBar();
        const int width = viewport()->width();
        int value = bar->value();
        if (labelRight - value > width) value = labelRight - width;
        if (boxLeft < value) value = std::max(boxLeft, 0);
        bar->setValue(value);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        window_.BeginPaint();
        QTreeView::paintEvent(event);
    }

    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override {
        const int indent = indentation();
        // The item's own column is the last one of the indentation.
        const int ownLeft = rect.right() + 1 - indent;
        if (rect.width() < indent) return;  // a top-level item without lines at root
        const int top = rect.top(), bottom = rect.bottom() + 1, mid = top + rect.height() / 2;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        if (style_ & TVS_HASLINES) {
            painter->setPen(palette().color(QPalette::Dark));
            QList<QPoint> dots;
            // A line through the row for every ancestor with a sibling below.
            int x = ownLeft - indent;
            for (QModelIndex a = index.parent(); a.isValid() && x >= rect.left(); a = a.parent(), x -= indent)
                if (a.siblingAtRow(a.row() + 1).isValid()) VDots(dots, x + indent / 2, top, bottom);
            const int cx = ownLeft + indent / 2;
            const bool firstOfAll = !index.parent().isValid() && index.row() == 0;
            const bool more = index.siblingAtRow(index.row() + 1).isValid();
            VDots(dots, cx, firstOfAll ? mid : top, more ? bottom : mid + 1);
            HDots(dots, cx, rect.right() + 1, mid);
            painter->drawPoints(dots.constData(), static_cast<int>(dots.size()));
        }
        if ((style_ & TVS_HASBUTTONS) && model()->hasChildren(index)) {
            const int cx = ownLeft + indent / 2;
            const QRect box(cx - 4, mid - 4, 9, 9);
            painter->fillRect(box, palette().color(QPalette::Base));
            painter->setPen(palette().color(QPalette::Mid));
            painter->drawRect(box.adjusted(0, 0, -1, -1));
            painter->setPen(palette().color(QPalette::Text));
            painter->drawLine(cx - 2, mid, cx + 2, mid);
            if (!isExpanded(index)) painter->drawLine(cx, mid - 2, cx, mid + 2);
        }
        painter->restore();
    }

private:
    // Dots on a fixed checkerboard, so that those of neighbouring rows and
    // of the two directions meet.
    static void VDots(QList<QPoint>& dots, int x, int y0, int y1) {
        for (int y = y0 + ((x + y0) & 1); y < y1; y += 2) dots.append(QPoint(x, y));
    }
    static void HDots(QList<QPoint>& dots, int x0, int x1, int y) {
        for (int x = x0 + ((x0 + y) & 1); x < x1; x += 2) dots.append(QPoint(x, y));
    }

    TreeWindow& window_;
    DWORD style_;
};

HTREEITEM ToHandle(TreeStore::Index i) {
    return i == TreeStore::kNone ? nullptr : reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(i) + 1);
}

// kNone for null and TVI_ROOT; `valid` false for a handle that names no item.
TreeStore::Index FromHandle(const TreeStore& store, HTREEITEM h, bool* valid) {
    *valid = true;
    if (h == nullptr || h == TVI_ROOT) return TreeStore::kNone;
    const uintptr_t v = reinterpret_cast<uintptr_t>(h);
    if (v == 0 || v - 1 >= store.Count()) {
        *valid = false;
        return TreeStore::kNone;
    }
    return static_cast<TreeStore::Index>(v - 1);
}

}  // namespace

// ---------------------------------------------------------------------------
// TreeModel

TreeStore::Index TreeModel::Item(const QModelIndex& index) const {
    if (!index.isValid()) return TreeStore::kNone;
    const quintptr id = index.internalId();
    if (id == 0 || id - 1 >= store_.Count()) return TreeStore::kNone;
    return static_cast<TreeStore::Index>(id - 1);
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (open_ || row < 0 || column != 0 || (parent.isValid() && parent.column() != 0)) return {};
    const TreeStore::Index p = Item(parent);
    if (parent.isValid() && p == TreeStore::kNone) return {};
    const TreeStore::Index c = store_.ChildAt(p, static_cast<uint32_t>(row));
    if (c == TreeStore::kNone) return {};
    return createIndex(row, 0, static_cast<quintptr>(c) + 1);
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
    const TreeStore::Index i = Item(child);
    if (open_ || i == TreeStore::kNone) return {};
    const TreeStore::Index p = store_.Parent(i);
    if (p == TreeStore::kNone) return {};
    return createIndex(static_cast<int>(store_.Row(p)), 0, static_cast<quintptr>(p) + 1);
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    if (open_ || (parent.isValid() && parent.column() != 0)) return 0;
    const TreeStore::Index p = Item(parent);
    if (parent.isValid() && p == TreeStore::kNone) return 0;
    return static_cast<int>(std::min<uint32_t>(store_.ChildCount(p), INT32_MAX));
}

int TreeModel::columnCount(const QModelIndex&) const { return 1; }

bool TreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    const TreeStore::Index i = Item(index);
    if (open_ || i == TreeStore::kNone) return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromUtf8(store_.Text(i));
    case Qt::ForegroundRole:
        if (const QColor color = window_.TextColor(i); color.isValid()) return color;
        return {};
    case Qt::ToolTipRole:
        if (QString tip = window_.InfoTip(i); !tip.isEmpty()) return tip;
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
    return Item(index) == TreeStore::kNone ? Qt::NoItemFlags : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TreeModel::BeginChange() {
    if (open_) return;
    beginResetModel();
    open_ = true;
}

void TreeModel::Publish() {
    if (!open_) return;
    open_ = false;
    endResetModel();
}

void AfxPublishTreeChanges() {
    std::vector<TreeWindow*> trees;
    trees.swap(OpenTrees());
    for (TreeWindow* tree : trees) tree->model.Publish();
}

// ---------------------------------------------------------------------------
// TreeWindow

TreeWindow::TreeWindow(DWORD windowStyle, QWidget* parent) : style(windowStyle) {
    auto* view = new LinedTreeView(*this, style, parent);
    view->setModel(&model);
    view->setItemDelegate(new RowDelegate(view));
    view->setHeaderHidden(true);
    view->setUniformRowHeights(true);
    view->setAnimated(false);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setDragEnabled(false);
    view->setExpandsOnDoubleClick(true);
    view->setItemsExpandable(true);
    // Expanders in front of top-level items only with "lines at root".
    view->setRootIsDecorated((style & TVS_LINESATROOT) != 0);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (style & WS_BORDER) {
        view->setFrameShape(QFrame::Box);
        view->setLineWidth(1);
    } else {
        view->setFrameShape(QFrame::NoFrame);
    }
    widget = view;
}

TreeWindow::~TreeWindow() {
    auto& open = OpenTrees();
    open.erase(std::remove(open.begin(), open.end(), this), open.end());
    if (QTreeView* view = qobject_cast<QTreeView*>(widget.data())) view->setModel(nullptr);
}

void TreeWindow::BeginPaint() {
    itemDraw = false;
    if (!notify) return;
    NMTVCUSTOMDRAW draw{};
    draw.nmcd.hdr = NMHDR{this, static_cast<UINT_PTR>(id), NM_CUSTOMDRAW};
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    draw.clrText = CLR_DEFAULT;
    draw.clrTextBk = CLR_DEFAULT;
    const LRESULT answer = AfxSend(notify, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&draw));
    itemDraw = (answer & CDRF_NOTIFYITEMDRAW) != 0;
}

QColor TreeWindow::TextColor(TreeStore::Index item) {
    if (!notify || !itemDraw) return {};
    NMTVCUSTOMDRAW draw{};
    draw.nmcd.hdr = NMHDR{this, static_cast<UINT_PTR>(id), NM_CUSTOMDRAW};
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.dwItemSpec = static_cast<UINT_PTR>(item) + 1;  // the item's handle
    draw.nmcd.lItemlParam = store.Param(item);
    draw.clrText = CLR_DEFAULT;
    draw.clrTextBk = CLR_DEFAULT;
    int level = 0;
    for (TreeStore::Index p = store.Parent(item); p != TreeStore::kNone; p = store.Parent(p)) ++level;
    draw.iLevel = level;
    AfxSend(notify, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&draw));
    if (draw.clrText == CLR_DEFAULT) return {};
    return QColor(static_cast<int>(draw.clrText & 0xFF), static_cast<int>((draw.clrText >> 8) & 0xFF),
                  static_cast<int>((draw.clrText >> 16) & 0xFF));
}

QString TreeWindow::InfoTip(TreeStore::Index item) {
    if (!notify || !(style & TVS_INFOTIP)) return {};
    char text[1024] = "";
    NMTVGETINFOTIP tip{};
    tip.hdr = NMHDR{this, static_cast<UINT_PTR>(id), TVN_GETINFOTIP};
    tip.pszText = text;
    tip.cchTextMax = static_cast<int>(sizeof text);
    tip.hItem = reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(item) + 1);
    tip.lParam = store.Param(item);
    AfxSend(notify, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&tip));
    text[sizeof text - 1] = '\0';
    return QString::fromUtf8(text);
}

namespace {

// TVM_INSERTITEM: appends the item (only at the end of its parent's children).
LRESULT InsertItem(TreeWindow& tree, const TVINSERTSTRUCT* insert) {
    if (!insert || insert->hInsertAfter != TVI_LAST) return 0;
    bool valid;
    const TreeStore::Index parent = FromHandle(tree.store, insert->hParent, &valid);
    if (!valid) return 0;
    const char* text = (insert->item.mask & TVIF_TEXT) && insert->item.pszText ? insert->item.pszText : "";
    TreeModel& model = tree.model;
    if (!model.ChangeOpen()) {
        model.BeginChange();
        OpenTrees().push_back(&tree);
        // Code that inserts outside a message of the window system gets
        // its changes shown once control returns to the event loop.
        QTimer::singleShot(0, &model, [m = QPointer<TreeModel>(&model)] {
            if (m && m->ChangeOpen()) AfxPublishTreeChanges();
        });
    }
    const intptr_t param = (insert->item.mask & TVIF_PARAM) ? insert->item.lParam : 0;
    return reinterpret_cast<LRESULT>(ToHandle(tree.store.Append(parent, text, std::strlen(text), param)));
}

// TVM_GETNEXTITEM: the item related to `item` as `code` asks.
LRESULT NextItem(const TreeStore& store, WPARAM code, HTREEITEM item) {
    bool valid;
    const TreeStore::Index i = FromHandle(store, item, &valid);
    if (!valid) return 0;
    switch (code) {
    case TVGN_ROOT:
        return reinterpret_cast<LRESULT>(ToHandle(store.FirstChild(TreeStore::kNone)));
    case TVGN_CHILD:
        return reinterpret_cast<LRESULT>(ToHandle(store.FirstChild(i)));
    case TVGN_NEXT:
        return i == TreeStore::kNone ? 0 : reinterpret_cast<LRESULT>(ToHandle(store.NextSibling(i)));
    case TVGN_PARENT:
        return i == TreeStore::kNone ? 0 : reinterpret_cast<LRESULT>(ToHandle(store.Parent(i)));
    default:
        return 0;
    }
}

// TVM_GETITEM: copies the item's text into the caller's buffer.
LRESULT GetItem(const TreeStore& store, TVITEM* item) {
    bool valid;
    if (!item) return FALSE;
    const TreeStore::Index i = FromHandle(store, item->hItem, &valid);
    if (!valid || i == TreeStore::kNone) return FALSE;
    if ((item->mask & TVIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        const char* text = store.Text(i);
        const size_t n = std::min(std::strlen(text), static_cast<size_t>(item->cchTextMax - 1));
        std::memcpy(item->pszText, text, n);
        item->pszText[n] = '\0';
    }
    if (item->mask & TVIF_PARAM) item->lParam = store.Param(i);
    return TRUE;
}

}  // namespace

LRESULT TreeWindow::Proc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case TVM_INSERTITEM:
        return InsertItem(*this, reinterpret_cast<const TVINSERTSTRUCT*>(lParam));
    case TVM_DELETEITEM: {
        if (reinterpret_cast<HTREEITEM>(lParam) != TVI_ROOT) return FALSE;  // only the whole tree
        if (model.ChangeOpen()) {
            store.Clear();
        } else {
            model.BeginChange();
            store.Clear();
            model.Publish();
        }
        return TRUE;
    }
    case TVM_INITSTORAGE:
        return store.Reserve(wParam, static_cast<size_t>(lParam)) ? TRUE : FALSE;
    case TVM_GETCOUNT:
        return static_cast<LRESULT>(store.Count());
    case TVM_GETNEXTITEM:
        return NextItem(store, wParam, reinterpret_cast<HTREEITEM>(lParam));
    case TVM_GETITEM:
        return GetItem(store, reinterpret_cast<TVITEM*>(lParam));
    default:
        return HWND__::Proc(message, wParam, lParam);
    }
}

// ---------------------------------------------------------------------------
// CTreeCtrl

BOOL CTreeCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    if (m_hWnd) return FALSE;
    AfxQtInitialize();
    QWidget* parent = pParentWnd ? AfxQtWidget(pParentWnd->m_hWnd) : nullptr;
    auto* window = new TreeWindow(dwStyle, parent);
    window->id = static_cast<int>(nID);
    window->notify = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    window->owner = this;
    window->widget->setGeometry(static_cast<int>(rect.left), static_cast<int>(rect.top),
                                static_cast<int>(rect.right - rect.left), static_cast<int>(rect.bottom - rect.top));
    if (dwStyle & WS_VISIBLE) window->widget->show();
    m_hWnd = window;
    m_ownsWindow = true;
    return TRUE;
}

void CTreeCtrl::DestroyWindow() {
    if (!m_ownsWindow || !m_hWnd) return;
    HWND__* window = m_hWnd;
    QWidget* widget = window->widget;
    m_ownsWindow = false;
    delete window;  // detaches this object
    delete widget;
}

