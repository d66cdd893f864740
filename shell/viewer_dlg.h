// The main dialog of both programs: a path field, browse, analyse and exit
// buttons, and the tree control that shows the node tree of the last
// successful analysis. The program's analysis subsystem supplies
// AnalyzeFile and the default path.
#pragma once

#include <afxcmn.h>
#include <afxwin.h>

#include <memory>

#include "analysis.h"
#include "chunk_node.h"
#include "resource.h"

class ByteSource;

class CViewerDlg : public CDialog {
public:
    explicit CViewerDlg(CWnd* pParent = nullptr);
    ~CViewerDlg() override;

    enum { IDD = IDD_VIEWER_DIALOG };

    // The path the field shows at start; defined by the program's analysis subsystem.
    static const char* const kDefaultPath;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnBrowse();
    void OnAnalyze();

    // Supplied by the analysis subsystem: analyses the file named by
    // m_strPath. 1: a new tree is stored (m_pRoot); 0: the user has been told
    // why not, and m_pRoot and the tree control are unchanged.
    int AnalyzeFile();
    // The common end of every AnalyzeFile: keeps the tree of a successful
    // analysis (freeing the one it replaces) and returns 1, or shows the
    // failure's message and returns 0 with everything left as it was.
    int TakeAnalysis(Analysis analysis);

    // Inserts the children of node, and recursively theirs, under parent.
    void FillTree(const ChunkNode* node, HTREEITEM parent);
    // Replaces the tree control's items by the tree of m_pRoot.
    void ShowTree();

    CTreeCtrl m_tree;
    CString m_strPath;
    HICON m_hIcon;
    ChunkNode* m_pRoot = nullptr;
    ByteSource* m_pFile = nullptr;  // the file while an analysis reads it

    // Owns the nodes of m_pRoot; replacing it frees the previous tree.
    std::unique_ptr<ChunkTree> m_pTree;

    DECLARE_MESSAGE_MAP()
};
