// A program's dialog on the native Windows backend, under wine: the dialog
// built from the program's own template, driven through the test seam as a
// user drives it: typing a path, clicking 分析, pressing Esc, opening the
// system menu and the About box. Built once per program (VIEWER_QUELLBY
// picks Quellby), since each program's resources use the same ids.
#include <gtest/gtest.h>

#include <oleacc.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "about_dlg.h"
#include "afxdlgs.h"
#include "afxtest.h"
#include "analysis.h"
#include "byte_builder.h"
#include "programs.h"
#include "sample_files.h"
#include "tree_protocol.h"
#include "tree_store.h"
#include "viewer_dlg.h"
#include "viewer_version.h"

namespace {

using viewer::Reason;
using viewer::ReasonText;

#if defined(VIEWER_QUELLBY)
constexpr char kTitle[] = "quellby_shell_tests";  // this program's file name
#else
constexpr char kTitle[] = "tarnwick_shell_tests";
#endif
constexpr int kTimedOut = 99;                     // what a dialog left open ends with
constexpr UINT_PTR kSafetyTimer = 0x5AFE;

Bytes Text(std::string_view text) { return Bytes().code(text); }

// Registers the common controls' own SysTreeView32, as happens when the
// system loads them for its own windows (wine does under X11): the
// template's tree must still be ours.
void LoadTheSystemsTreeView() {
    struct InitCommonControlsExParams {
        DWORD dwSize;
        DWORD dwICC;
    };
    using InitFn = BOOL(WINAPI*)(const InitCommonControlsExParams*);
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")));
    ASSERT_NE(init, nullptr);
    const InitCommonControlsExParams params{sizeof(InitCommonControlsExParams), 0x0002 /* ICC_TREEVIEW_CLASSES */};
    ASSERT_TRUE(init(&params));
}

// Whether the window runs our tree window's procedure.
bool IsOurTreeWindow(HWND window) {
    WNDCLASSEXW ours{};
    ours.cbSize = sizeof ours;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), L"ViewerTreeView", &ours)) return false;
    return GetClassLongPtrW(window, GCLP_WNDPROC) == reinterpret_cast<ULONG_PTR>(ours.lpfnWndProc);
}

// What differs between the programs: texts from their resources, the
// default path, and a small file of each one's kind with its tree.
struct ProgramUnderTest {
    const ViewerProgram& program;
    std::string caption, defaultPath, aboutCaption, aboutEntry, sampleName, sample;
    std::vector<std::string> items;
};

const ProgramUnderTest& Expected() {
#if defined(VIEWER_QUELLBY)
    static const ProgramUnderTest quellby{
        QuellbyProgram(), "Quellby V" VIEWER_VERSION_SHORT_TEXT, "d:\\test\\demo.3g2", "关于 Quellby", "关于 Quellby(&A)...", "电影.mp4",
        A("ftyp", Text("isom").be32(0))
            .append(A("moov", A("mvhd", Bytes().fill(100)).append(A("trak", A("tkhd", Bytes().fill(84))))))
            .append(A("mdat", Bytes().fill(5)))
            .str(),
        {"TOP[245Bytes]", "  ftyp[16Bytes]", "  moov[216Bytes]", "    mvhd[108Bytes]", "    trak[100Bytes]",
         "      tkhd[92Bytes]", "  mdat[13Bytes]"}};
    return quellby;
#else
    static const ProgramUnderTest tarnwick{
        TarnwickProgram(), "Tarnwick V" VIEWER_VERSION_SHORT_TEXT, "C:\\WINDOWS\\clock.avi", "关于 Tarnwick", "关于 Tarnwick(&A)...", "声音.wav",
        Form("WAVE", Bytes::Chunk("fmt ", Bytes().fill(16, 0x01))
                         .append(Bytes::List("INFO", Bytes::Chunk("INAM", Text("name")).append(Bytes::Chunk("ICMT", Text("note")))))
                         .append(Bytes::Chunk("data", Bytes().fill(8))))
            .str(),
        {"RIFF_WAVE[80Bytes]", "  fmt [16Bytes]", "  LIST_INFO[28Bytes]", "    INAM[4Bytes]", "    ICMT[4Bytes]",
         "  data[8Bytes]"}};
    return tarnwick;
#endif
}

std::wstring Wide(const std::string& text) {
    std::wstring out(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()));
    out.pop_back();
    return out;
}

std::string Narrow(const wchar_t* text) {
    std::string out(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    out.pop_back();
    return out;
}

std::string WindowText(HWND hwnd) {
    wchar_t buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 512);
    return Narrow(buffer);
}

// The tree control's items in pre-order, each indented two spaces a level,
// read through the tree window's own messages.
void AppendItems(HWND tree, LPARAM item, const std::string& indent, std::vector<std::string>& out) {
    namespace tp = tree_protocol;
    for (; item; item = SendMessageW(tree, tp::kGetNextItem, tp::kNextSibling, item)) {
        char text[256] = {};
        tp::Item query{};
        query.mask = tp::kMaskText;
        query.hItem = reinterpret_cast<void*>(item);
        query.pszText = text;
        query.cchTextMax = sizeof text;
        SendMessageW(tree, tp::kGetItem, 0, reinterpret_cast<LPARAM>(&query));
        out.push_back(indent + text);
        AppendItems(tree, SendMessageW(tree, tp::kGetNextItem, tp::kNextChild, item), indent + "  ", out);
    }
}

std::vector<std::string> Items(HWND dialog) {
    std::vector<std::string> items;
    HWND tree = GetDlgItem(dialog, IDC_TREE);
    AppendItems(tree, SendMessageW(tree, tree_protocol::kGetNextItem, tree_protocol::kNextRoot, 0), "", items);
    return items;
}

void TypePath(HWND dialog, const std::string& path) { SetWindowTextW(GetDlgItem(dialog, IDC_PATH), Wide(path).c_str()); }

void Click(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void CALLBACK EndLeftOpen(HWND hwnd, UINT, UINT_PTR, DWORD) { EndDialog(hwnd, kTimedOut); }

class ShellDialog : public ::testing::Test {
protected:
    void SetUp() override {
        AfxSetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes.push_back(request);
            return IDOK;
        });
        AfxSetDialogShownHandler([this](CDialog& dialog) {
            // A dialog the test leaves open ends by itself rather than hanging the run.
            SetTimer(dialog.m_hWnd, kSafetyTimer, 10000, EndLeftOpen);
            shown.push_back(dialog.GetTemplateId());
            auto& act = dialog.GetTemplateId() == IDD_VIEWER_DIALOG ? onMain : onAbout;
            if (act) act(dialog.m_hWnd);
        });
    }
    void TearDown() override {
        AfxSetMessageBoxHandler({});
        AfxSetDialogShownHandler({});
        AfxSetFileDialogHandler({});
        AfxSetMenuPopupHandler({});
    }

    // Runs the program's main dialog with `act` once it is on screen; DoModal's result.
    INT_PTR Run(std::function<void(HWND)> act) {
        onMain = std::move(act);
        CViewerDlg dlg(Expected().program);
        return dlg.DoModal();
    }

    // A file in the temporary folder holding `bytes`; its full path.
    static std::string File(const std::string& name, const std::string& bytes) {
        wchar_t folder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        const std::string path = Narrow(folder) + name;
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }

    std::vector<MessageBoxRequest> boxes;
    std::vector<UINT> shown;
    std::function<void(HWND)> onMain;
    std::function<void(HWND)> onAbout;
};

TEST_F(ShellDialog, RunsFromTheProgramsTemplateAndEscCancels) {
    LoadTheSystemsTreeView();
    std::string caption, field, treeClass;
    LRESULT count = -1;
    bool ours = false;
    const INT_PTR result = Run([&](HWND w) {
        ours = IsOurTreeWindow(GetDlgItem(w, IDC_TREE));
        caption = WindowText(w);
        field = WindowText(GetDlgItem(w, IDC_PATH));
        wchar_t name[64] = {};
        GetClassNameW(GetDlgItem(w, IDC_TREE), name, 64);
        treeClass = Narrow(name);
        count = SendMessageW(GetDlgItem(w, IDC_TREE), tree_protocol::kGetCount, 0, 0);
        // Esc reaches the dialog manager through the dialog's own loop.
        PostMessageW(GetDlgItem(w, IDC_PATH), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(shown, std::vector<UINT>{IDD_VIEWER_DIALOG});
    EXPECT_EQ(caption, Expected().caption);
    EXPECT_EQ(field, Expected().defaultPath);
    EXPECT_EQ(treeClass, "SysTreeView32");
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(ours) << "our tree window stands where the template names the tree, native one loaded or not";
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellDialog, AnalyseFillsTheTreeWithTheFilesElements) {
    const std::string path = File(Expected().sampleName, Expected().sample);
    std::vector<std::string> items;
    std::string field;
    const INT_PTR result = Run([&](HWND w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        items = Items(w);
        field = WindowText(GetDlgItem(w, IDC_PATH));
        SendMessageW(w, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(items, Expected().items);
    EXPECT_EQ(field, path);
    EXPECT_TRUE(boxes.empty());
}

// Defect: the controls kept the handles of the first run's windows, so a
// second DoModal on the same object filled a tree that no longer existed.
TEST_F(ShellDialog, TheSameDialogRunsTwice) {
    const std::string path = File(Expected().sampleName, Expected().sample);
    CViewerDlg dlg(Expected().program);
    std::vector<std::string> items;
    onMain = [&](HWND w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        items = Items(w);
        SendMessageW(w, WM_COMMAND, IDCANCEL, 0);
    };
    ASSERT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    items.clear();
    ASSERT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(items, Expected().items);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellDialog, ATreeWithoutRoomForItsItemsKeepsTheOldOne) {
    // Defect: the tree window's store can get no further memory for items;
    // the tree must be shown whole or not at all.
    const std::string path = File(Expected().sampleName, Expected().sample);
    std::vector<std::string> before, after;
    Run([&](HWND w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        before = Items(w);
        TreeStore::SetCapacityLimitForTesting(1);
        Click(w, IDC_ANALYZE);
        TreeStore::SetCapacityLimitForTesting(0);
        after = Items(w);
        SendMessageW(w, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(before, Expected().items);
    EXPECT_EQ(after, Expected().items);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReasonText(Reason::kOutOfMemory));
}

TEST_F(ShellDialog, EmptyAndMissingPathsAreReportedWithTheProgramsTitle) {
    std::vector<std::string> items = {"not read"};
    Run([&](HWND w) {
        TypePath(w, "");
        Click(w, IDC_ANALYZE);
        TypePath(w, "C:\\no such folder\\missing.avi");
        Click(w, IDC_ANALYZE);
        items = Items(w);
        SendMessageW(w, WM_COMMAND, IDCANCEL, 0);
    });
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, ReasonText(Reason::kEmptyPath));
    EXPECT_EQ(boxes[1].text, ReasonText(Reason::kCannotOpen));
    for (const MessageBoxRequest& box : boxes) {
        EXPECT_EQ(box.caption, kTitle);
        EXPECT_EQ(box.type, MB_OK);
    }
    EXPECT_TRUE(items.empty());
}

TEST_F(ShellDialog, BrowseAsksForAFileAndShowsItsPath) {
    std::vector<FileDialogRequest> requests;
    AfxSetFileDialogHandler([&](const FileDialogRequest& request) -> std::optional<std::string> {
        requests.push_back(request);
        return std::string("C:\\media\\chosen.avi");
    });
    std::string field;
    Run([&](HWND w) {
        Click(w, IDC_BROWSE);
        field = WindowText(GetDlgItem(w, IDC_PATH));
        SendMessageW(w, WM_COMMAND, IDCANCEL, 0);
    });
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].openFileDialog);
    EXPECT_EQ(requests[0].filter, "RIFF文件(*.*)|*.*||");
    EXPECT_EQ(requests[0].defaultExt, "*.*");
    EXPECT_EQ(requests[0].flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    EXPECT_EQ(field, "C:\\media\\chosen.avi");
}

TEST_F(ShellDialog, SystemMenuEndsWithAboutWhichOpensTheAboutBox) {
    std::vector<std::string> texts;
    std::vector<UINT> ids, states;
    std::vector<MenuPopupRequest::Item> popup;
    std::string aboutCaption;
    onAbout = [&](HWND w) {
        aboutCaption = WindowText(w);
        SendMessageW(w, WM_COMMAND, IDOK, 0);
    };
    AfxSetMenuPopupHandler([&](const MenuPopupRequest& request) -> std::optional<UINT> {
        popup = request.items;
        return IDM_ABOUTBOX;
    });
    Run([&](HWND w) {
        HMENU menu = GetSystemMenu(w, FALSE);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[128] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
            texts.push_back(Narrow(text));
            ids.push_back(GetMenuItemID(menu, i));
            states.push_back(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION));
        }
        SendMessageW(w, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        // Alt+Space: the menu goes to the seam's handler, which chooses About.
        SendMessageW(w, WM_SYSCOMMAND, SC_KEYMENU, ' ');
        SendMessageW(w, WM_COMMAND, IDCANCEL, 0);
    });
    ASSERT_GE(texts.size(), 3u);
    EXPECT_TRUE(states[texts.size() - 2] & MF_SEPARATOR);
    EXPECT_EQ(texts.back(), Expected().aboutEntry);
    EXPECT_EQ(ids.back(), static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_EQ(shown, (std::vector<UINT>{IDD_VIEWER_DIALOG, IDD_ABOUTBOX, IDD_ABOUTBOX}));
    EXPECT_EQ(aboutCaption, Expected().aboutCaption);
    ASSERT_EQ(popup.size(), texts.size());
    EXPECT_EQ(popup.back().text, Expected().aboutEntry);
    EXPECT_EQ(popup.back().id, static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_TRUE(popup[popup.size() - 2].flags & MF_SEPARATOR);
}

// What the system's tooltip asks its tool window for (commctrl.h's
// NMTTDISPINFOW with TTN_GETDISPINFOW).
struct TipTextQuery {
    NMHDR hdr;
    wchar_t* lpszText;
    wchar_t szText[80];
    HINSTANCE hinst;
    UINT uFlags;
    LPARAM lParam;
};
constexpr UINT kTipGetText = static_cast<UINT>(-530);

TEST_F(ShellDialog, TheTreesTipTellsTheNodesOffsetAndSizes) {
    const std::string path = File(Expected().sampleName, Expected().sample);
    std::wstring tip, besideTheLabel;
    Run([&](HWND w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        HWND tree = GetDlgItem(w, IDC_TREE);
        const auto tipAt = [&](int x, int y) {
            SendMessageW(tree, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
            TipTextQuery query{};
            query.hdr.hwndFrom = nullptr;
            query.hdr.code = kTipGetText;
            SendMessageW(tree, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&query));
            return std::wstring(query.lpszText ? query.lpszText : L"(none)");
        };
        tip = tipAt(30, 2);               // over the first row's label, the root's
        besideTheLabel = tipAt(300, 2);  // the same row, right of its label: no tip
        SendMessageW(w, WM_COMMAND, IDCANCEL, 0);
    });
    const std::string text = Narrow(tip.c_str());
    EXPECT_EQ(text.rfind("偏移：0x00000000（0）\n声明大小：", 0), 0u) << text;
    EXPECT_EQ(besideTheLabel, L"");
}

#if !defined(VIEWER_QUELLBY)
// What a screen reader reads from the dialog on the bundled sample AVI:
// through the tree's accessible object, and through the system tree view's
// own TVM_GETITEMW, which it sends a SysTreeView32 and which answers UTF-16.
TEST_F(ShellDialog, AScreenReaderReadsTheTreeAndTheBrowseButton) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    const std::string path = File("sample.avi", SampleAvi().str());
    struct Read {
        long role = 0;
        std::vector<std::string> names, labels, values;
        std::vector<long> states;
    } closed, open;
    std::string treeName, browseName, tip;
    Run([&](HWND w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        HWND tree = GetDlgItem(w, IDC_TREE);
        IAccessible* acc = nullptr;
        IAccessible* browse = nullptr;
        AccessibleObjectFromWindow(tree, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&acc));
        AccessibleObjectFromWindow(GetDlgItem(w, IDC_BROWSE), OBJID_CLIENT, __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&browse));
        const auto text = [](IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*),
                             long id) {
            VARIANT child{};
            child.vt = VT_I4;
            child.lVal = id;
            BSTR b = nullptr;
            std::string out = object && (object->*get)(child, &b) == S_OK ? Narrow(b) : "(none)";
            SysFreeString(b);
            return out;
        };
        const auto read = [&](Read& r) {
            VARIANT self{}, role{}, children[32];
            self.vt = VT_I4;
            LONG count = 0;
            if (!acc || acc->get_accRole(self, &role) != S_OK || FAILED(AccessibleChildren(acc, 0, 32, children, &count)))
                return;
            r.role = role.lVal;
            for (LONG i = 0; i < count; ++i) {
                r.names.push_back(text(acc, &IAccessible::get_accName, children[i].lVal));
                r.values.push_back(text(acc, &IAccessible::get_accValue, children[i].lVal));
                VARIANT state{};
                acc->get_accState(children[i], &state);
                r.states.push_back(state.lVal);
                // The system's TVM_GETITEMW (commctrl.h's TVITEMW), the child id being the handle.
                wchar_t label[64] = L"(none)";
                struct {
                    UINT mask;
                    void* hItem;
                    UINT state, stateMask;
                    wchar_t* pszText;
                    int cchTextMax, iImage, iSelectedImage, cChildren;
                    LPARAM lParam;
                } item{0x0001 /* TVIF_TEXT */, reinterpret_cast<void*>(static_cast<intptr_t>(children[i].lVal)),
                       0, 0, label, 64, 0, 0, 0, 0};
                SendMessageW(tree, tree_protocol::kFirst + 62, 0, reinterpret_cast<LPARAM>(&item));
                r.labels.push_back(Narrow(label));
            }
        };
        SetFocus(tree);
        SendMessageW(tree, WM_KEYDOWN, VK_HOME, 0);
        read(closed);
        SendMessageW(tree, WM_KEYDOWN, VK_ADD, 0);
        read(open);
        treeName = text(acc, &IAccessible::get_accName, CHILDID_SELF);
        tip = text(acc, &IAccessible::get_accDescription, 1);  // the root's handle
        browseName = text(browse, &IAccessible::get_accName, CHILDID_SELF);
        if (acc) acc->Release();
        if (browse) browse->Release();
        SendMessageW(w, WM_COMMAND, IDCANCEL, 0);
    });
    CoUninitialize();
    constexpr long kCaret = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTED |
                            STATE_SYSTEM_FOCUSED;
    EXPECT_EQ(closed.role, ROLE_SYSTEM_OUTLINE);
    EXPECT_EQ(closed.names, std::vector<std::string>{"RIFF_AVI [856Bytes]"});
    EXPECT_EQ(closed.labels, closed.names);
    EXPECT_EQ(closed.states, std::vector<long>{kCaret | STATE_SYSTEM_COLLAPSED});
    const std::vector<std::string> rows{"RIFF_AVI [856Bytes]", "LIST_hdrl[192Bytes]", "LIST_INFO[24Bytes]",
                                        "LIST_movi[476Bytes]", "idx1[128Bytes]"};
    EXPECT_EQ(open.names, rows);
    EXPECT_EQ(open.labels, rows);
    EXPECT_EQ(open.values, (std::vector<std::string>{"0", "1", "1", "1", "1"}));
    constexpr long kItem = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    EXPECT_EQ(open.states, (std::vector<long>{kCaret | STATE_SYSTEM_EXPANDED, kItem | STATE_SYSTEM_COLLAPSED,
                                              kItem | STATE_SYSTEM_COLLAPSED, kItem | STATE_SYSTEM_COLLAPSED, kItem}));
    EXPECT_EQ(tip.rfind("偏移：0x00000000（0）\n声明大小：", 0), 0u) << tip;
    EXPECT_EQ(treeName, "文件结构");
    EXPECT_EQ(browseName, "浏览");
}
#endif

#if defined(VIEWER_QUELLBY)
// The colour the dialog gives an item as the tree window asks for it while
// painting a row: NM_CUSTOMDRAW at the painting's start, where the dialog
// looks at the colour scheme, then at the item stage.
COLORREF ItemColor(HWND dialog, LPARAM item) {
    namespace tp = tree_protocol;
    HWND tree = GetDlgItem(dialog, IDC_TREE);
    tp::Item query{};
    query.mask = tp::kMaskParam;
    query.hItem = reinterpret_cast<void*>(item);
    SendMessageW(tree, tp::kGetItem, 0, reinterpret_cast<LPARAM>(&query));
    tp::CustomDraw draw{};
    draw.hdr.hwndFrom = tree;
    draw.hdr.idFrom = IDC_TREE;
    draw.hdr.code = tp::kCustomDraw;
    draw.dwItemSpec = static_cast<uintptr_t>(item);
    draw.lItemlParam = query.lParam;
    draw.clrText = tp::kDefaultColor;
    draw.dwDrawStage = tp::kDrawPrePaint;
    SendMessageW(dialog, WM_NOTIFY, IDC_TREE, reinterpret_cast<LPARAM>(&draw));
    draw.dwDrawStage = tp::kDrawItemPrePaint;
    SendMessageW(dialog, WM_NOTIFY, IDC_TREE, reinterpret_cast<LPARAM>(&draw));
    return draw.clrText;
}

TEST_F(ShellDialog, PhantomsAreGreyAndDamageDarkRed) {
    namespace tp = tree_protocol;
    // An AAC track's sample group whose grouping type passes for an atom
    // (a phantom), then a moov cut short.
    const Bytes mp4 = A("stbl", A("sgpd", Bytes().be32(0x01000000).code("roll").be32(2).be32(1).le16(0xFFFF)))
                          .be32(200).code("moov").append(A("mvhd", Bytes().fill(8)));
    const std::string path = File("aac.mp4", mp4.str());
    std::vector<COLORREF> colors;
    Run([&](HWND w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        HWND tree = GetDlgItem(w, IDC_TREE);
        auto next = [&](unsigned how, LPARAM item) { return SendMessageW(tree, tp::kGetNextItem, how, item); };
        const LPARAM top = next(tp::kNextRoot, 0), stbl = next(tp::kNextChild, top), sgpd = next(tp::kNextChild, stbl);
        for (LPARAM item : {next(tp::kNextChild, sgpd), next(tp::kNextSibling, stbl), sgpd}) colors.push_back(ItemColor(w, item));
        SendMessageW(w, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(colors, (std::vector<COLORREF>{RGB(0x80, 0x80, 0x80), RGB(0x8B, 0, 0), tree_protocol::kDefaultColor}));
    EXPECT_TRUE(boxes.empty());
}
#endif

// The header of a drop (shlobj.h's DROPFILES, whose header clashes with
// the facade's tree names), followed by the names.
struct DropFilesHeader {
    DWORD pFiles;  // offset of the names
    POINT pt;
    BOOL fNC;
    BOOL fWide;
};

// A drop as the shell hands it over: the header, then wide names.
HDROP MakeDrop(const std::vector<std::wstring>& paths) {
    size_t chars = 1;
    for (const std::wstring& p : paths) chars += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DropFilesHeader) + chars * sizeof(wchar_t));
    auto* files = static_cast<DropFilesHeader*>(GlobalLock(memory));
    files->pFiles = sizeof(DropFilesHeader);
    files->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(files + 1);
    for (const std::wstring& p : paths) names = std::copy(p.begin(), p.end(), names) + 1;
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(ShellDialog, OneDroppedFileNamesThePathAndSeveralAreIgnored) {
    std::vector<std::string> fields;
    Run([&](HWND w) {
        SendMessageW(w, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({L"C:\\媒体\\影片.avi"})), 0);
        fields.push_back(WindowText(GetDlgItem(w, IDC_PATH)));
        SendMessageW(w, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({L"C:\\a.avi", L"C:\\b.avi"})), 0);
        fields.push_back(WindowText(GetDlgItem(w, IDC_PATH)));
        fields.push_back(std::to_string(SendMessageW(GetDlgItem(w, IDC_TREE), tree_protocol::kGetCount, 0, 0)));
        SendMessageW(w, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(fields, (std::vector<std::string>{"C:\\媒体\\影片.avi", "C:\\媒体\\影片.avi", "0"}));
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
