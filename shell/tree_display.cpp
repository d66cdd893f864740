// Showing a node tree in the tree control: one item per node, inserted in
// pre-order so that every item's children appear in file order.
#include <vector>

#include "traversal.h"
#include "viewer_dlg.h"

using viewer::ChunkNode;

namespace {

// Room for a label text whose every byte became two.
constexpr size_t kItemTextCapacity = 2 * viewer::kLabelTextCapacity;

// A node's label text as the tree shows it: the label's bytes one character
// each, 0x80 to 0xFF as U+0080 to U+00FF (as the JSON dump writes them), so
// that different bytes never look alike; the control takes UTF-8.
void ItemText(const ChunkNode& node, char (&out)[kItemTextCapacity]) {
    char text[viewer::kLabelTextCapacity];
    const size_t n = viewer::FormatLabelText(node, text, sizeof text);
    size_t o = 0;
    for (size_t i = 0; i < n; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out[o++] = static_cast<char>(byte);
        } else {
            out[o++] = static_cast<char>(0xC0 | (byte >> 6));
            out[o++] = static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    out[o] = '\0';
}

}  // namespace

void CViewerDlg::ShowTree() {
    m_tree.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    // The root first; further top-level nodes (more RIFF chunks after the
    // first one) follow it as top-level items of their own.
    char text[kItemTextCapacity];
    for (const ChunkNode* top = m_pRoot; top; top = top->next) {
        ItemText(*top, text);
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
        char text[kItemTextCapacity];
        ItemText(node, text);
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
