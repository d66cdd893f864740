#include "viewer_dlg.h"

#include <afxdlgs.h>

#include <climits>

#include "about_dlg.h"
#include "item_text.h"
#include "memory_budget.h"
#include "traversal.h"

BEGIN_MESSAGE_MAP(CViewerDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_ANALYZE, OnAnalyze)
ON_BN_CLICKED(IDC_BROWSE, OnBrowse)
ON_WM_DROPFILES()
ON_NOTIFY(TVN_GETINFOTIP, IDC_TREE, OnTreeGetInfoTip)
ON_NOTIFY(NM_CUSTOMDRAW, IDC_TREE, OnTreeCustomDraw)
END_MESSAGE_MAP()

CViewerDlg::CViewerDlg(const ViewerProgram& program, CWnd* pParent)
    : CDialog(CViewerDlg::IDD, pParent), m_program(program), m_strPath(program.defaultPath) {
    m_hIcon = LoadIcon(AfxFindResourceHandle(MAKEINTRESOURCE(IDR_MAINFRAME), RT_GROUP_ICON),
                       MAKEINTRESOURCE(IDR_MAINFRAME));
}

CViewerDlg::~CViewerDlg() {
    // The tree goes with the dialog.
    viewer::SetMemoryHeld(0);
}

void CViewerDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TREE, m_tree);
    DDX_Text(pDX, IDC_PATH, m_strPath);
}

namespace {

constexpr char kBrowseAccessibleName[] = "浏览";
constexpr char kTreeAccessibleName[] = "文件结构";

}  // namespace

BOOL CViewerDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    // The About entry at the end of the system menu, after a separator.
    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu != nullptr) {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    // A file dropped anywhere on the dialog names the file to analyse.
    DragAcceptFiles(TRUE);

    ChooseTreeColors();  // again at each painting, should the scheme change

    // What a screen reader says for the controls whose text does not tell.
    AfxSetAccessibleName(GetDlgItem(IDC_BROWSE)->m_hWnd, kBrowseAccessibleName);
    AfxSetAccessibleName(m_tree.m_hWnd, kTreeAccessibleName);

    return TRUE;  // the focus goes to the first control in tab order, the exit button
}

void CViewerDlg::OnDropFiles(HDROP hDropInfo) {
    // One file: its path replaces the field's text, as if typed; 分析 still
    // starts the analysis. Several files name no one file and are ignored.
    if (DragQueryFile(hDropInfo, 0xFFFFFFFF, nullptr, 0) == 1) {
        std::string path(DragQueryFile(hDropInfo, 0, nullptr, 0), '\0');
        DragQueryFile(hDropInfo, 0, path.data(), static_cast<UINT>(path.size() + 1));
        if (CWnd* field = GetDlgItem(IDC_PATH)) field->SetWindowText(path.c_str());
    }
    DragFinish(hDropInfo);
}

void CViewerDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    // The system keeps the low four bits of a command for itself.
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CViewerDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

        // The icon centred in the client rectangle.
        const int cxIcon = GetSystemMetrics(SM_CXICON);
        const int cyIcon = GetSystemMetrics(SM_CYICON);
        CRect rect;
        GetClientRect(&rect);
        const int x = static_cast<int>(rect.Width() - cxIcon + 1) / 2;
        const int y = static_cast<int>(rect.Height() - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

HCURSOR CViewerDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CViewerDlg::OnBrowse() {
    UpdateData(TRUE);
    CFileDialog dlg(TRUE, "*.*", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "RIFF文件(*.*)|*.*||", nullptr);
    if (dlg.DoModal() == IDOK) {
        m_strPath = dlg.GetPathName();
        // The tree shown belongs to another file now.
        m_tree.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        m_itemBytes = 0;
        HoldShownTree();
    }
    UpdateData(FALSE);
}

void CViewerDlg::OnAnalyze() {
    UpdateData(TRUE);
    // Reading the file and filling the tree can take a while on a big file;
    // a message box shows the normal cursor.
    const CWaitCursor wait;
    if (!AnalyzeFile()) return;  // the tree control keeps what it showed
    if (!ShowTree()) {
        // Cannot happen once the control has made room for every item; should
        // it all the same, no part of a tree passes for the whole of it.
        m_tree.DeleteAllItems();
        m_itemBytes = 0;
        HoldShownTree();
        AfxMessageBox(viewer::ReasonText(viewer::Reason::kOutOfMemory), MB_OK, 0);
        return;
    }
    // A file that could not be read to its end: its tree as far as it was
    // read is on screen, and the user is told it is not the whole file.
    if (m_bReadError) AfxMessageBox(viewer::ReasonText(viewer::Reason::kReadError), MB_OK, 0);
}

int CViewerDlg::AnalyzeFile() {
    m_pFile = nullptr;
    return TakeAnalysis(viewer::AnalyzePath(m_strPath.str(), m_program.analysis));
}

int CViewerDlg::TakeAnalysis(viewer::Analysis analysis) {
    if (!analysis.ok()) {
        AfxMessageBox(viewer::ReasonText(analysis.reason), MB_OK, 0);
        return 0;
    }
    // The tree control makes room for every item of the new tree while the
    // old items are still there: without it, the new tree would not be
    // shown whole, and the old one stays.
    if (!MakeRoomForTree(*analysis.tree)) {
        AfxMessageBox(viewer::ReasonText(viewer::Reason::kOutOfMemory), MB_OK, 0);
        return 0;
    }
    m_pTree = std::move(analysis.tree);  // frees the tree this one replaces
    m_pRoot = m_pTree->root;
    m_treePath = std::move(analysis.path);
    m_treeStamp = analysis.stamp;
    m_bReadError = analysis.reason == viewer::Reason::kReadError;
    HoldShownTree();
    return 1;
}

namespace {

// Adds up the texts the tree's items will show, a terminating zero each.
struct TextBytesCounter {
    size_t bytes = 0;
    void Enter(const viewer::ChunkNode& node, size_t) {
        char text[kItemTextCapacity];
        bytes += ItemText(node, text) + 1;
    }
    void Leave(const viewer::ChunkNode&, size_t) {}
};

}  // namespace

bool CViewerDlg::MakeRoomForTree(const viewer::ChunkTree& tree) {
    const size_t items = tree.NodeCount();
    TextBytesCounter texts;
    viewer::VisitPreOrder(tree.root, texts);
    // The new nodes and items must fit beside the tree shown now, which
    // stays until they have all found room.
    const uint64_t itemBytes = items * CTreeCtrl::kItemStorageBytes + texts.bytes;
    if (tree.BytesInUse() + itemBytes > viewer::MemoryBudgetLeft() || items > UINT_MAX) return false;
    if (!m_tree.InitStorage(static_cast<UINT>(items), texts.bytes)) return false;
    m_itemBytes = itemBytes;
    return true;
}

void CViewerDlg::HoldShownTree() { viewer::SetMemoryHeld((m_pTree ? m_pTree->BytesInUse() : 0) + m_itemBytes); }
