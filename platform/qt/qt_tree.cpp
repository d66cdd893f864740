// The tree control's record: the tree messages over the engine, the
// parent's notifications, and the facade's CTreeCtrl.
#include <QPointer>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cstring>

#include "afx_qt.h"
#include "qt_tree.h"
#include "qt_tree_access.h"
#include "qt_tree_widget.h"

namespace {

// Trees with rows appended and not shown yet.
std::vector<TreeWindow*>& PendingTrees() {
    static std::vector<TreeWindow*> trees;
    return trees;
}

TreeStyle StyleOf(DWORD style) {
    return TreeStyle{(style & TVS_HASBUTTONS) != 0, (style & TVS_HASLINES) != 0, (style & TVS_LINESATROOT) != 0,
                     (style & TVS_SHOWSELALWAYS) != 0};
}

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

void AfxPublishTreeChanges() {
    std::vector<TreeWindow*> trees;
    trees.swap(PendingTrees());
    for (TreeWindow* tree : trees) tree->Flush();
}

// ---------------------------------------------------------------------------
// TreeWindow

TreeWindow::TreeWindow(DWORD windowStyle, QWidget* parent) : style(windowStyle), engine(StyleOf(windowStyle)) {
    view = new TreeWidget(*this, parent);
    if (style & WS_BORDER) {
        view->setFrameShape(QFrame::Box);
        view->setLineWidth(1);
    } else {
        view->setFrameShape(QFrame::NoFrame);
    }
    widget = view;
}

TreeWindow::~TreeWindow() {
    auto& pending = PendingTrees();
    pending.erase(std::remove(pending.begin(), pending.end(), this), pending.end());
    // The widget asks this record for everything it shows: it goes first.
    delete widget.data();
}

void TreeWindow::Flush() {
    flushQueued = false;
    if (engine.Flush()) Apply();
}

void TreeWindow::Apply() {
    unsigned changes;
    // The bars' appearing or going resizes the viewport, which comes back
    // with more changes; a few rounds settle it.
    for (int round = 0; round < 4 && (changes = engine.TakeChanges()) != 0; ++round) {
        if (!widget) continue;
        if (changes & kTreeScrollBars) view->SyncScrollBars();
        if ((changes & kTreeScrolled) && QToolTip::isVisible()) QToolTip::hideText();
        if (changes & (kTreeRepaint | kTreeScrollBars | kTreeScrolled)) view->viewport()->update();
        AfxTreeAccessibilityUpdate(view, changes);
    }
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
    draw.nmcd.lItemlParam = engine.Store().Param(item);
    draw.clrText = CLR_DEFAULT;
    draw.clrTextBk = CLR_DEFAULT;
    draw.iLevel = static_cast<int>(engine.Depth(item));
    AfxSend(notify, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&draw));
    if (draw.clrText == CLR_DEFAULT) return {};
    return QColor(static_cast<int>(draw.clrText & 0xFF), static_cast<int>((draw.clrText >> 8) & 0xFF),
                  static_cast<int>((draw.clrText >> 16) & 0xFF));
}

QString TreeWindow::InfoTip(TreeStore::Index item) {
    if (!notify || !(style & TVS_INFOTIP)) return {};
    char text[4096] = "";  // room for a tip with its fields
    NMTVGETINFOTIP tip{};
    tip.hdr = NMHDR{this, static_cast<UINT_PTR>(id), TVN_GETINFOTIP};
    tip.pszText = text;
    tip.cchTextMax = static_cast<int>(sizeof text);
    tip.hItem = reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(item) + 1);
    tip.lParam = engine.Store().Param(item);
    AfxSend(notify, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&tip));
    text[sizeof text - 1] = '\0';
    return QString::fromUtf8(text);
}

namespace {

// TVM_INSERTITEM: appends the item (only at the end of its parent's children).
LRESULT InsertItem(TreeWindow& tree, const TVINSERTSTRUCT* insert) {
    if (!insert || insert->hInsertAfter != TVI_LAST) return 0;
    bool valid;
    const TreeStore::Index parent = FromHandle(tree.engine.Store(), insert->hParent, &valid);
    if (!valid) return 0;
    const char* text = (insert->item.mask & TVIF_TEXT) && insert->item.pszText ? insert->item.pszText : "";
    const intptr_t param = (insert->item.mask & TVIF_PARAM) ? insert->item.lParam : 0;
    const TreeStore::Index i = tree.engine.Append(parent, text, std::strlen(text), param);
    if (i != TreeStore::kNone && !tree.flushQueued) {
        tree.flushQueued = true;
        PendingTrees().push_back(&tree);
        // Code that inserts outside a message of the window system gets
        // its items shown once control returns to the event loop.
        QTimer::singleShot(0, tree.view, [w = QPointer<QWidget>(tree.view), t = &tree] {
            if (w && t->flushQueued) AfxPublishTreeChanges();
        });
    }
    return reinterpret_cast<LRESULT>(ToHandle(i));
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
    case TVM_DELETEITEM:
        if (reinterpret_cast<HTREEITEM>(lParam) != TVI_ROOT) return FALSE;  // only the whole tree
        engine.Clear();
        if (view) view->NewGeneration();
        Apply();
        return TRUE;
    case TVM_INITSTORAGE:
        return engine.Reserve(wParam, static_cast<size_t>(lParam)) ? TRUE : FALSE;
    case TVM_GETCOUNT:
        return static_cast<LRESULT>(engine.Store().Count());
    case TVM_GETNEXTITEM:
        return NextItem(engine.Store(), wParam, reinterpret_cast<HTREEITEM>(lParam));
    case TVM_GETITEM:
        return GetItem(engine.Store(), reinterpret_cast<TVITEM*>(lParam));
    default:
        return HWND__::Proc(message, wParam, lParam);
    }
}

TreeEngine* AfxQtTreeEngine(QWidget* tree) {
    auto* view = dynamic_cast<TreeWidget*>(tree);
    return view ? &view->Window().engine : nullptr;
}

QColor AfxQtTreeItemColor(QWidget* tree, uint32_t item) {
    auto* view = dynamic_cast<TreeWidget*>(tree);
    if (!view || !view->Window().engine.Store().Valid(item)) return {};
    view->Window().BeginPaint();
    return view->Window().TextColor(item);
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
    m_ownsWindow = false;
    delete window;  // detaches this object and deletes the widget
}

