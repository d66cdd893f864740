// Quellby's analysis step as the main dialog calls it.
#include <afxwin.h>

#include "atom_analysis.h"
#include "viewer_dlg.h"

const char* const CViewerDlg::kDefaultPath = "d:\\test\\demo.3g2";

int CViewerDlg::AnalyzeFile() {
    m_pFile = nullptr;  // the analysis opens, reads and closes the file itself
    return TakeAnalysis(AnalyzeAtomPath(m_strPath.str()));
}
