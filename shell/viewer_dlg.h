// The main dialog of both programs: a path field, browse, analyse and exit
// buttons, and the tree control that shows the node tree of the last
// successful analysis. The program it belongs to gives the default path and
// the analysis.
#pragma once

#include <afxcmn.h>
#include <afxwin.h>

#include <memory>

#include "analysis.h"
#include "chunk_node.h"
#include "resource.h"
#include "viewer_program.h"

class CViewerDlg : public CDialog {
public:
    explicit CViewerDlg(const ViewerProgram& program, CWnd* pParent = nullptr);
    ~CViewerDlg() override;

    enum { IDD = IDD_VIEWER_DIALOG };

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnBrowse();
    void OnAnalyze();
    void OnDropFiles(HDROP hDropInfo);
    // The tree's questions about an item, whose data is its node: the tip
    // (TVN_GETINFOTIP) and, for a node with an anomaly, the text colour
    // (NM_CUSTOMDRAW).
    void OnTreeGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult);
    void OnTreeCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
    // The anomaly and phantom colours for the scheme in use: readable on
    // its window colour, or the scheme's own in high contrast.
    void ChooseTreeColors();

    // Runs the program's analysis on the file named by m_strPath. 1: a new
    // tree is stored (m_pRoot); 0: the user has been told why not, and
    // m_pRoot and the tree control are unchanged.
    int AnalyzeFile();
    // The end of AnalyzeFile: keeps the tree of a successful analysis
    // (freeing the one it replaces) and returns 1, or shows the failure's
    // message and returns 0 with everything left as it was. A tree whose
    // items the control has no room for, or that would pass the memory
    // budget, fails as running out of memory does.
    int TakeAnalysis(viewer::Analysis analysis);
    // Makes the tree control room for an item per node of the tree, within
    // what the memory budget leaves beside the tree shown now; false when
    // there is none. On success m_itemBytes is what the items will take.
    bool MakeRoomForTree(const viewer::ChunkTree& tree);
    // Tells the memory budget what the shown tree holds (its nodes, and its
    // items and rows while the control shows them), so that an analysis
    // started next has the rest.
    void HoldShownTree();

    // Inserts the children of node, and theirs, under parent, in pre-order.
    // False when an item could not be inserted (none after it was).
    bool FillTree(const viewer::ChunkNode* node, HTREEITEM parent);
    // Replaces the tree control's items by the tree of m_pRoot; false when
    // an item could not be inserted.
    bool ShowTree();

    const ViewerProgram& m_program;
    CTreeCtrl m_tree;
    CString m_strPath;
    HICON m_hIcon;
    viewer::ChunkNode* m_pRoot = nullptr;
    // The file while an analysis reads it. AnalyzePath opens, reads and
    // closes the file within the one call, so this stays null.
    viewer::ByteSource* m_pFile = nullptr;

    // Owns the nodes of m_pRoot; replacing it frees the previous tree.
    std::unique_ptr<viewer::ChunkTree> m_pTree;
    // The file m_pTree was read from and its stamp then: a tip reads a
    // node's fields from it again, unless it has changed since.
    std::string m_treePath;
    viewer::FileStamp m_treeStamp;
    // m_pRoot is what was read of a file that could not be read to its end.
    bool m_bReadError = false;
    // What the tree control holds for the items of m_pRoot (0 once they are
    // deleted): records, rows and texts.
    uint64_t m_itemBytes = 0;
    COLORREF m_anomalyColor = 0;
    COLORREF m_phantomColor = 0;

    DECLARE_MESSAGE_MAP()
};
