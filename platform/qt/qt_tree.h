// The tree control's window record and the model through which a QTreeView
// reads its items.
#pragma once

#include <QAbstractItemModel>
#include <QColor>

#include "afxcmn.h"
#include "qt_internal.h"
#include "tree_store.h"

struct TreeWindow;

class TreeModel final : public QAbstractItemModel {
public:
    TreeModel(const TreeStore& store, TreeWindow& window) : store_(store), window_(window) {}

    QModelIndex index(int row, int column, const QModelIndex& parent) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent) const override;
    bool hasChildren(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Views learn about insertions in one reset: the first change opens it,
    // Publish closes it, so a million insertions cost two signals.
    void BeginChange();
    void Publish();
    bool ChangeOpen() const { return open_; }

private:
    TreeStore::Index Item(const QModelIndex& index) const;
    const TreeStore& store_;
    TreeWindow& window_;
    bool open_ = false;
};

struct TreeWindow final : HWND__ {
    explicit TreeWindow(DWORD style, QWidget* parent);
    ~TreeWindow() override;
    LRESULT Proc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // What the parent says through WM_NOTIFY, asked only for the rows the
    // view shows: a painting starts with CDDS_PREPAINT (BeginPaint), then an
    // item's text colour (CDDS_ITEMPREPAINT), invalid when the parent keeps
    // the control's own; the tip of an item (TVN_GETINFOTIP, with
    // TVS_INFOTIP), empty for none.
    void BeginPaint();
    QColor TextColor(TreeStore::Index item);
    QString InfoTip(TreeStore::Index item);

    DWORD style;
    HWND__* notify = nullptr;  // the window the notifications go to (the dialog)
    bool itemDraw = false;      // the parent asked for CDDS_ITEMPREPAINT in this painting
    TreeStore store;
    TreeModel model{store, *this};
};

// Ends the open model changes of every tree control; runs when a message
// dispatched from the window system returns and from the event loop.
void AfxPublishTreeChanges();
