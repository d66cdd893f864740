// Showing a node tree in the tree control: one item per node, inserted in
// pre-order so that every item's children appear in file order.
#include <vector>

#include "item_text.h"
#include "traversal.h"
#include "viewer_dlg.h"

using viewer::ChunkNode;

bool CViewerDlg::ShowTree() {
    m_tree.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    // The root first; further top-level nodes (more RIFF chunks after the
    // first one) follow it as top-level items of their own.
    char text[kItemTextCapacity];
    for (const ChunkNode* top = m_pRoot; top; top = top->next) {
        ItemText(*top, text);
        HTREEITEM item = m_tree.InsertItem(TVIF_TEXT, text, 0, 0, 0, 0, 0, nullptr, TVI_LAST);
        if (!item || !FillTree(top, item)) return false;
    }
    return true;
}

namespace {

// Inserts each node it is shown under the item of its parent. After an
// insertion that failed it inserts nothing more: a child must never land
// under the wrong parent (a null parent is the top level).
struct ItemInserter {
    CTreeCtrl& tree;
    std::vector<HTREEITEM> parents;  // parents[d]: the item the nodes at depth d go under
    bool failed = false;

    void Enter(const ChunkNode& node, size_t depth) {
        if (failed) return;
        char text[kItemTextCapacity];
        ItemText(node, text);
        HTREEITEM item = tree.InsertItem(TVIF_TEXT, text, 0, 0, 0, 0, 0, parents[depth], TVI_LAST);
        if (!item) {
            failed = true;
            return;
        }
        if (node.firstChild) {
            if (parents.size() < depth + 2) parents.resize(depth + 2);
            parents[depth + 1] = item;
        }
    }
    void Leave(const ChunkNode&, size_t) {}
};

}  // namespace

bool CViewerDlg::FillTree(const ChunkNode* node, HTREEITEM parent) {
    ItemInserter inserter{m_tree, {parent}};
    viewer::VisitPreOrder(node->firstChild, inserter);
    return !inserter.failed;
}
