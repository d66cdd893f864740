// The tree control's window record and the model through which a QTreeView
// reads its items.
#pragma once

#include <QAbstractItemModel>

#include "afxcmn.h"
#include "qt_internal.h"
#include "tree_store.h"

class TreeModel final : public QAbstractItemModel {
public:
    explicit TreeModel(const TreeStore& store) : store_(store) {}

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
    bool open_ = false;
};

struct TreeWindow final : HWND__ {
    explicit TreeWindow(DWORD style, QWidget* parent);
    ~TreeWindow() override;
    LRESULT Proc(UINT message, WPARAM wParam, LPARAM lParam) override;

    TreeStore store;
    TreeModel model{store};
};

// Ends the open model changes of every tree control; runs when a message
// dispatched from the window system returns and from the event loop.
void AfxPublishTreeChanges();
