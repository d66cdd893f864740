// Showing a node tree in the tree control: one item per node, inserted in
// pre-order so that every item's children appear in file order.
#include "viewer_dlg.h"

void CViewerDlg::ShowTree() {
    m_tree.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    // The root first; further top-level nodes (more RIFF chunks after the
    // first one) follow it as top-level items of their own.
    char text[kLabelTextCapacity];
    for (const ChunkNode* top = m_pRoot; top; top = top->next) {
        FormatLabelText(*top, text, sizeof text);
        HTREEITEM item = m_tree.InsertItem(TVIF_TEXT, text, 0, 0, 0, 0, 0, nullptr, TVI_LAST);
        FillTree(top, item);
    }
}

void CViewerDlg::FillTree(const ChunkNode* node, HTREEITEM parent) {
    char text[kLabelTextCapacity];  // one buffer per level, reused for every sibling
    for (const ChunkNode* child = node->firstChild; child; child = child->next) {
        FormatLabelText(*child, text, sizeof text);
        HTREEITEM item = m_tree.InsertItem(TVIF_TEXT, text, 0, 0, 0, 0, 0, parent, TVI_LAST);
        if (child->firstChild) FillTree(child, item);
    }
}
