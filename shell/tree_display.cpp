// Showing a node tree in the tree control: one item per node, inserted in
// pre-order so that every item's children appear in file order.
#include <algorithm>
#include <string>
#include <vector>

#include "item_text.h"
#include "node_tip.h"
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
        HTREEITEM item = m_tree.InsertItem(TVIF_TEXT | TVIF_PARAM, text, 0, 0, 0, 0, reinterpret_cast<LPARAM>(top),
                                           nullptr, TVI_LAST);
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
        // The node is the item's data: the tip and the colour are asked of it.
        HTREEITEM item = tree.InsertItem(TVIF_TEXT | TVIF_PARAM, text, 0, 0, 0, 0, reinterpret_cast<LPARAM>(&node),
                                         parents[depth], TVI_LAST);
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

// The node behind an item (its data), or null.
static const ChunkNode* NodeOf(const CTreeCtrl& tree, HTREEITEM item) {
    return item ? reinterpret_cast<const ChunkNode*>(tree.GetItemData(item)) : nullptr;
}

void CViewerDlg::OnTreeGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* tip = reinterpret_cast<NMTVGETINFOTIP*>(pNMHDR);
    *pResult = 0;
    const auto* node = reinterpret_cast<const ChunkNode*>(tip->lParam);
    if (!node || !m_pTree || tip->cchTextMax <= 0) return;
    const ChunkNode* parent = NodeOf(m_tree, m_tree.GetParentItem(tip->hItem));
    const std::string text = NodeTipText(viewer::DescribeNode(*node, parent, *m_pTree));
    size_t n = std::min(text.size(), static_cast<size_t>(tip->cchTextMax - 1));
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;  // whole characters
    text.copy(tip->pszText, n);
    tip->pszText[n] = '\0';
}

void CViewerDlg::OnTreeCustomDraw(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* draw = reinterpret_cast<NMTVCUSTOMDRAW*>(pNMHDR);
    *pResult = CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        *pResult = CDRF_NOTIFYITEMDRAW;
    } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        const auto* node = reinterpret_cast<const ChunkNode*>(draw->nmcd.lItemlParam);
        if (node && (node->flags & viewer::kPhantom))
            draw->clrText = static_cast<COLORREF>(kPhantomTextColor);
        else if (node && viewer::HasFileAnomaly(*node))
            draw->clrText = static_cast<COLORREF>(kAnomalyTextColor);
    }
}
