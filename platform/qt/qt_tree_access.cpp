// What assistive technology (a screen reader, through Qt's accessibility
// bridge) learns of a tree control: the tree, named by the dialog, with one
// item per shown row, each with its label as name, its tip (offset, sizes
// and hints) as description, its depth as value, and states that say
// whether it can open and is open. Item objects are made when asked for,
// so a million rows cost nothing until a client looks at them.
#include "qt_tree_access.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <unordered_map>

#include "qt_tree.h"
#include "qt_tree_widget.h"

namespace {

using Index = TreeStore::Index;

class TreeAccessible;

class ItemAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    ItemAccessible(TreeWidget* tree, Index item, unsigned generation)
        : tree_(tree), item_(item), generation_(generation) {}

    bool isValid() const override {
        return tree_ && tree_->Generation() == generation_ && Engine().Store().Valid(item_);
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return tree_ ? tree_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(tree_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::TreeItem; }

    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        switch (t) {
        case QAccessible::Name: return QString::fromUtf8(Engine().Store().Text(item_));
        case QAccessible::Description: return tree_->Window().InfoTip(item_);
        case QAccessible::Value: return QString::number(Engine().Depth(item_));
        default: return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid()) return {};
        TreeEngine& e = Engine();
        const TreeRowLayout* row = e.RowLayout(e.RowOf(item_));
        if (!row) return {};
        const QRect local(row->label.left, row->label.top, row->label.right - row->label.left,
                          row->label.bottom - row->label.top);
        return QRect(tree_->viewport()->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        TreeEngine& e = Engine();
        s.selectable = true;
        s.focusable = true;
        s.selected = e.Selected() == item_;
        s.focused = s.selected && tree_->hasFocus();
        if (e.Store().ChildCount(item_) > 0) {
            // Only an item with children opens; a leaf is neither open nor closed.
            s.expandable = true;
            s.expanded = e.Expanded(item_);
            s.collapsed = !s.expanded;
        }
        if (!e.RowLayout(e.RowOf(item_))) s.offscreen = true;
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    // Actions: select it (as a click on its label), open or close it.
    QStringList actionNames() const override {
        QStringList names{setFocusAction()};
        if (isValid() && Engine().Store().ChildCount(item_) > 0) names << toggleAction();
        return names;
    }
    void doAction(const QString& name) override {
        if (!isValid()) return;
        TreeEngine& e = Engine();
        const size_t row = e.RowOf(item_);
        if (name == setFocusAction()) {
            if (row != TreeEngine::kNoRow) e.SelectRow(row);
            else e.Select(item_);
        } else if (name == toggleAction() && row != TreeEngine::kNoRow) {
            e.ToggleRow(row, TreeEngine::Toggle::Flip);
        }
        tree_->Window().Apply();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    TreeEngine& Engine() const { return tree_->Window().engine; }

    QPointer<TreeWidget> tree_;
    Index item_;
    unsigned generation_;  // the tree's filling the item belongs to
};

class TreeAccessible final : public QAccessibleWidget {
public:
    explicit TreeAccessible(TreeWidget* tree) : QAccessibleWidget(tree, QAccessible::Tree) {}
    ~TreeAccessible() override { Forget(); }

    int childCount() const override { return static_cast<int>(std::min<size_t>(Engine().RowCount(), INT_MAX)); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0) return nullptr;
        return Item(Engine().RowItem(static_cast<size_t>(index)));
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->role() != QAccessible::TreeItem || child->parent() != this) return -1;
        for (const auto& [item, id] : ids_)
            if (QAccessible::accessibleInterface(id) == child) {
                const size_t row = Engine().RowOf(item);
                return row == TreeEngine::kNoRow ? -1 : static_cast<int>(row);
            }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint at = Tree()->viewport()->mapFromGlobal(QPoint(x, y));
        const TreeHit hit = Engine().HitTest(at.x(), at.y());
        return hit.item == TreeStore::kNone ? nullptr : Item(hit.item);
    }
    QAccessibleInterface* focusChild() const override {
        const Index selected = Engine().Selected();
        return selected == TreeStore::kNone || !Tree()->hasFocus() ? nullptr : Item(selected);
    }

    // The object of an item, made on first request.
    ItemAccessible* Item(Index item) const {
        if (item == TreeStore::kNone) return nullptr;
        if (generation_ != Tree()->Generation()) Forget();
        generation_ = Tree()->Generation();
        if (auto found = ids_.find(item); found != ids_.end())
            if (auto* made = static_cast<ItemAccessible*>(QAccessible::accessibleInterface(found->second))) return made;
        auto* made = new ItemAccessible(Tree(), item, generation_);
        ids_[item] = QAccessible::registerAccessibleInterface(made);
        return made;
    }

private:
    TreeWidget* Tree() const { return static_cast<TreeWidget*>(widget()); }
    TreeEngine& Engine() const { return Tree()->Window().engine; }
    // Drops the objects of a filling that is gone.
    void Forget() const {
        for (const auto& entry : ids_) QAccessible::deleteAccessibleInterface(entry.second);
        ids_.clear();
    }

    mutable std::unordered_map<Index, QAccessible::Id> ids_;
    mutable unsigned generation_ = 0;
};

QAccessibleInterface* MakeTreeAccessible(const QString&, QObject* object) {
    if (auto* tree = dynamic_cast<TreeWidget*>(object)) return new TreeAccessible(tree);
    return nullptr;
}

}  // namespace

void AfxAttachTreeAccessibility(TreeWidget* tree) {
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(MakeTreeAccessible);
    }
    // An active bridge may have asked for the widget while its scroll area
    // was being made, before it was a tree: that interface goes.
    QAccessibleInterface* existing = QAccessible::queryAccessibleInterface(tree);
    if (existing && !dynamic_cast<TreeAccessible*>(existing))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(existing));
}

void AfxTreeAccessibilityUpdate(TreeWidget* tree, unsigned changes) {
    if (!QAccessible::isActive() || !tree) return;
    auto* access = dynamic_cast<TreeAccessible*>(QAccessible::queryAccessibleInterface(tree));
    if (!access) return;
    TreeEngine& e = tree->Window().engine;
    if (changes & kTreeSelection) {
        if (ItemAccessible* item = access->Item(e.Selected())) {
            QAccessibleEvent selection(item, QAccessible::Selection);
            QAccessible::updateAccessibility(&selection);
            if (tree->hasFocus()) {
                QAccessibleEvent focus(item, QAccessible::Focus);
                QAccessible::updateAccessibility(&focus);
            }
        }
    }
    if (changes & kTreeExpansion) {
        // The rows changed: clients read them again.
        QAccessibleEvent reordered(access, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reordered);
        if (ItemAccessible* item = access->Item(e.Selected())) {
            QAccessible::State changed;
            changed.expanded = true;
            changed.collapsed = true;
            QAccessibleStateChangeEvent state(item, changed);
            QAccessible::updateAccessibility(&state);
        }
    }
}
