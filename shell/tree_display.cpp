// Showing a node tree in the tree control: one item per node, inserted in
// pre-order so that every item's children appear in file order.
#include <vector>

#include "traversal.h"
#include "viewer_dlg.h"

using viewer::ChunkNode;

void CViewerDlg::ShowTree() {
    m_tree.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    // The root first; further top-level nodes (more RIFF chunks after the
    // first one) follow it as top-level items of their own.
    char text[viewer::kLabelTextCapacity];
    for (const ChunkNode* top = m_pRoot; top; top = top->next) {
        viewer::FormatLabelText(*top, text, sizeof text);
        HTREEITEM item = m_tree.InsertItem(TVIF_TEXT, text, 0, 0, 0, 0, 0, nullptr, TVI_LAST);
        FillTree(top, item);
    }
}

namespace {

// Inserts each node it is shown under the item of its parent.
struct ItemInserter {
    CTreeCtrl& tree;
    std::vector<HTREEITEM> parents;  // parents[d]: the item the nodes at depth d go under

    void Enter(const ChunkNode& node, size_t depth) {
        char text[viewer::kLabelTextCapacity];
        viewer::FormatLabelText(node, text, sizeof text);
        HTREEITEM item = tree.InsertItem(TVIF_TEXT, text, 0, 0, 0, 0, 0, parents[depth], TVI_LAST);
        if (node.firstChild) {
            if (parents.size() < depth + 2) parents.resize(depth + 2);
            parents[depth + 1] = item;
        }
    }
    void Leave(const ChunkNode&, size_t) {}
};

}  // namespace

void CViewerDlg::FillTree(const ChunkNode* node, HTREEITEM parent) {
    viewer::VisitPreOrder(node->firstChild, ItemInserter{m_tree, {parent}});
}
