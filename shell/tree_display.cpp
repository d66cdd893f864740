// Showing a node tree in the tree control: one item per node, inserted in
// pre-order so that every item's children appear in file order.
#include <algorithm>
#include <cmath>
#include <initializer_list>
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
    // The node's ancestors, from the top level down, for the figures of its
    // hints and for its fields.
    std::vector<const ChunkNode*> ancestors;
    for (HTREEITEM up = m_tree.GetParentItem(tip->hItem); up; up = m_tree.GetParentItem(up))
        if (const ChunkNode* n = NodeOf(m_tree, up)) ancestors.push_back(n);
    std::reverse(ancestors.begin(), ancestors.end());
    const ChunkNode* parent = ancestors.empty() ? nullptr : ancestors.back();
    // The fields are read when the tip is asked for, from the file the tree
    // came from, unless it has changed since.
    TipFields fields;
    bool changed = false;
    if (std::unique_ptr<viewer::ByteSource> file = viewer::ReopenUnchanged(m_treePath, m_treeStamp, &changed))
        fields.fields = viewer::DecodeFields(*file, *m_pTree, *node, ancestors.data(), ancestors.size());
    else
        fields.source = changed ? TipFields::Source::kChanged : TipFields::Source::kGone;
    const std::string text = NodeTipText(viewer::DescribeNode(*node, parent, *m_pTree), &fields);
    // A tip longer than the room given ends after its last whole line, with "……".
    const size_t room = static_cast<size_t>(tip->cchTextMax - 1);
    std::string shown = text;
    if (shown.size() > room) {
        static const std::string kMore = "\n……";
        const size_t cut = room >= kMore.size() ? text.rfind('\n', room - kMore.size()) : std::string::npos;
        if (cut != std::string::npos) shown = text.substr(0, cut) + kMore;
    }
    size_t n = std::min(shown.size(), room);
    while (n > 0 && n < shown.size() && (static_cast<unsigned char>(shown[n]) & 0xC0) == 0x80) --n;  // whole characters
    shown.copy(tip->pszText, n);
    tip->pszText[n] = '\0';
}

namespace {

// Relative luminance of an sRGB colour (0 black, 1 white).
double Luminance(COLORREF c) {
    const auto channel = [](unsigned v) {
        const double x = v / 255.0;
        return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c & 0xFF) + 0.7152 * channel((c >> 8) & 0xFF) + 0.0722 * channel((c >> 16) & 0xFF);
}

// The contrast ratio of two colours, from 1 (the same) to 21 (black and white).
double Contrast(COLORREF a, COLORREF b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The first colour that reads on `background` with at least `need`, else
// the scheme's own text colour.
COLORREF Readable(std::initializer_list<COLORREF> choices, COLORREF background, double need) {
    for (COLORREF c : choices)
        if (Contrast(c, background) >= need) return c;
    return static_cast<COLORREF>(GetSysColor(COLOR_WINDOWTEXT));
}

}  // namespace

void CViewerDlg::ChooseTreeColors() {
    if (AfxIsHighContrast()) {
        // Only the scheme's own colours: links' for anomalies, disabled
        // text's for phantoms.
        m_anomalyColor = static_cast<COLORREF>(GetSysColor(COLOR_HOTLIGHT));
        m_phantomColor = static_cast<COLORREF>(GetSysColor(COLOR_GRAYTEXT));
        return;
    }
    // Dark red and grey on a light window; lighter ones on a dark window,
    // so that anomalies keep a text's contrast and phantoms a muted one.
    const auto window = static_cast<COLORREF>(GetSysColor(COLOR_WINDOW));
    m_anomalyColor = Readable({static_cast<COLORREF>(kAnomalyTextColor), RGB(0xFF, 0x70, 0x70), RGB(0xFF, 0xA8, 0xA8)},
                              window, 4.5);
    m_phantomColor = Readable({static_cast<COLORREF>(kPhantomTextColor), RGB(0xA0, 0xA0, 0xA0), RGB(0x60, 0x60, 0x60)},
                              window, 3.0);
}

void CViewerDlg::OnTreeCustomDraw(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* draw = reinterpret_cast<NMTVCUSTOMDRAW*>(pNMHDR);
    *pResult = CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        ChooseTreeColors();  // the scheme may have changed since the last painting
        *pResult = CDRF_NOTIFYITEMDRAW;
    } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        const auto* node = reinterpret_cast<const ChunkNode*>(draw->nmcd.lItemlParam);
        if (node && (node->flags & viewer::kPhantom))
            draw->clrText = m_phantomColor;
        else if (node && viewer::HasFileAnomaly(*node))
            draw->clrText = m_anomalyColor;
    }
}
