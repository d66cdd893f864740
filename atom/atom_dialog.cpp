// Quellby's analysis step as the main dialog calls it.
#include <afxwin.h>

#include "atom_analysis.h"
#include "viewer_dlg.h"

const char* const CViewerDlg::kDefaultPath = "d:\\test\\demo.3g2";

int CViewerDlg::AnalyzeFile() {
    m_pFile = nullptr;  // the analysis opens, reads and closes the file itself
    Analysis analysis = AnalyzeAtomPath(m_strPath.str());
    if (!analysis.ok()) {
        AfxMessageBox(analysis.message.c_str(), MB_OK, 0);
        return 0;
    }
    m_pTree = std::move(analysis.tree);  // frees the tree this one replaces
    m_pRoot = m_pTree->root;
    return 1;
}
