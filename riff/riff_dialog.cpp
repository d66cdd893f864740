// Tarnwick's analysis step as the main dialog calls it.
#include <afxwin.h>

#include "riff_analysis.h"
#include "viewer_dlg.h"

const char* const CViewerDlg::kDefaultPath = "C:\\WINDOWS\\clock.avi";

int CViewerDlg::AnalyzeFile() {
    m_pFile = nullptr;  // the analysis opens, reads and closes the file itself
    return TakeAnalysis(AnalyzeRiffPath(m_strPath.str()));
}
