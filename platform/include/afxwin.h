// The framework layer the viewer programs are written against: a small
// application framework with the class and function names of the Windows
// dialog-application framework (CWinApp, CDialog, CString, message maps, ...),
// carrying only what the programs use. This header exposes no type of the
// window system underneath; a backend (platform/qt/) supplies the windows.
//
// Text is UTF-8 everywhere: CString holds UTF-8, file names are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// ---------------------------------------------------------------------------
// Basic types and handles

using BOOL = int;
using UINT = unsigned int;
using WORD = uint16_t;
using DWORD = uint32_t;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using LPCTSTR = const char*;
using LPTSTR = char*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct HWND__;  // a window of the backend
using HWND = HWND__*;
struct HICON__;  // an icon of the backend
using HICON = HICON__*;
using HCURSOR = HICON;
struct HDC__;  // a device context open for painting
using HDC = HDC__*;
struct HINSTANCE__;  // a module holding resources
using HINSTANCE = HINSTANCE__*;
struct HMENU__;  // a menu (menu_data.h)
using HMENU = HMENU__*;

// A resource name is either a string or a small integer carried in the pointer.
#define MAKEINTRESOURCE(i) (reinterpret_cast<LPCTSTR>(static_cast<uintptr_t>(static_cast<WORD>(i))))
#define IS_INTRESOURCE(p) ((reinterpret_cast<uintptr_t>(p) >> 16) == 0)
#define RT_GROUP_ICON MAKEINTRESOURCE(14)
#define RT_DIALOG MAKEINTRESOURCE(5)
#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_STRING MAKEINTRESOURCE(6)

// ---------------------------------------------------------------------------
// Constants (values as the Windows headers define them)

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_TYPEMASK 0x0000000Fu
#define MB_ICONHAND 0x00000010u
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONASTERISK 0x00000040u
#define MB_ICONMASK 0x000000F0u
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK

#define WM_CLOSE 0x0010u
#define WM_PAINT 0x000Fu
#define WM_ICONERASEBKGND 0x0027u
#define WM_QUERYDRAGICON 0x0037u
#define WM_CONTEXTMENU 0x007Bu
#define WM_SETICON 0x0080u
#define WM_INITDIALOG 0x0110u
#define WM_COMMAND 0x0111u
#define WM_SYSCOMMAND 0x0112u

#define ICON_SMALL 0
#define ICON_BIG 1

// System commands (WM_SYSCOMMAND); the low four bits are the system's own.
#define SC_MINIMIZE 0xF020u
#define SC_CLOSE 0xF060u
#define SC_KEYMENU 0xF100u
#define SC_RESTORE 0xF120u

// Menu item flags
#define MF_STRING 0x0000u
#define MF_BYCOMMAND 0x0000u
#define MF_GRAYED 0x0001u
#define MF_DISABLED 0x0002u
#define MF_CHECKED 0x0008u
#define MF_BYPOSITION 0x0400u
#define MF_SEPARATOR 0x0800u

#define MAKELPARAM(lo, hi) \
    (static_cast<LPARAM>(static_cast<int32_t>((static_cast<uint32_t>(static_cast<WORD>(hi)) << 16) | static_cast<WORD>(lo))))

#define BN_CLICKED 0

#define SM_CXICON 11
#define SM_CYICON 12

// Window and dialog styles
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_MINIMIZE 0x20000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CLIPSIBLINGS 0x04000000u
#define WS_CLIPCHILDREN 0x02000000u
#define WS_MAXIMIZE 0x01000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_DLGFRAME 0x00400000u
#define WS_VSCROLL 0x00200000u
#define WS_HSCROLL 0x00100000u
#define WS_SYSMENU 0x00080000u
#define WS_THICKFRAME 0x00040000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u
#define WS_MINIMIZEBOX 0x00020000u
#define WS_MAXIMIZEBOX 0x00010000u
#define WS_EX_DLGMODALFRAME 0x00000001u
#define WS_EX_TOPMOST 0x00000008u
#define WS_EX_CLIENTEDGE 0x00000200u
#define WS_EX_STATICEDGE 0x00020000u
#define WS_EX_APPWINDOW 0x00040000u
#define DS_ABSALIGN 0x0001u
#define DS_SYSMODAL 0x0002u
#define DS_LOCALEDIT 0x0020u
#define DS_SETFONT 0x0040u
#define DS_MODALFRAME 0x0080u
#define DS_NOIDLEMSG 0x0100u
#define DS_SETFOREGROUND 0x0200u
#define DS_3DLOOK 0x0004u
#define DS_FIXEDSYS 0x0008u
#define DS_CENTER 0x0800u
#define DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS)

// Button, static and edit control styles
#define BS_PUSHBUTTON 0x0000u
#define BS_DEFPUSHBUTTON 0x0001u
#define BS_CHECKBOX 0x0002u
#define BS_AUTOCHECKBOX 0x0003u
#define BS_RADIOBUTTON 0x0004u
#define BS_3STATE 0x0005u
#define BS_AUTO3STATE 0x0006u
#define BS_GROUPBOX 0x0007u
#define BS_AUTORADIOBUTTON 0x0009u
#define BS_TYPEMASK 0x000Fu
#define SS_LEFT 0x0000u
#define SS_CENTER 0x0001u
#define SS_RIGHT 0x0002u
#define SS_ICON 0x0003u
#define SS_BITMAP 0x000Eu
#define SS_TYPEMASK 0x001Fu
#define SS_NOPREFIX 0x0080u
#define ES_LEFT 0x0000u
#define ES_CENTER 0x0001u
#define ES_RIGHT 0x0002u
#define ES_MULTILINE 0x0004u
#define ES_PASSWORD 0x0020u
#define ES_AUTOVSCROLL 0x0040u
#define ES_AUTOHSCROLL 0x0080u
#define ES_READONLY 0x0800u

struct RECT {
    long left, top, right, bottom;
};
using LPRECT = RECT*;

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(long l, long t, long r, long b) : RECT{l, t, r, b} {}
    long Width() const { return right - left; }
    long Height() const { return bottom - top; }
    operator LPRECT() { return this; }
};

// ---------------------------------------------------------------------------
// CString: a UTF-8 string

class CString {
public:
    CString() = default;
    CString(const char* text) : s_(text ? text : "") {}  // NOLINT: converting like the original
    CString(const std::string& text) : s_(text) {}        // NOLINT

    operator LPCTSTR() const { return s_.c_str(); }  // NOLINT
    const std::string& str() const { return s_; }
    BOOL IsEmpty() const { return s_.empty(); }
    void Empty() { s_.clear(); }

    // Replaces the text by string resource `id`; FALSE (text unchanged) if there is none.
    BOOL LoadString(UINT id);

    CString& operator=(const char* text) {
        s_ = text ? text : "";
        return *this;
    }
    friend bool operator==(const CString& a, const CString& b) { return a.s_ == b.s_; }
    friend bool operator==(const CString& a, const char* b) { return a.s_ == (b ? b : ""); }

private:
    std::string s_;
};

// ---------------------------------------------------------------------------
// Message maps

class CCmdTarget;
class CWnd;

// A handler's signature; the map entry records it so the dispatcher can call
// the member with the right arguments.
enum AfxSig : int {
    AfxSig_end = 0,
    AfxSig_vv,    // void (void): commands, WM_PAINT
    AfxSig_vwl,   // void (UINT, LPARAM): WM_SYSCOMMAND
    AfxSig_hv,    // HCURSOR (void): WM_QUERYDRAGICON
};

// The handler of a map entry; nSig says which member is set.
union AFX_PMSG {
    void (CCmdTarget::*cmd)();          // WM_COMMAND handlers
    void (CWnd::*vv)();                 // AfxSig_vv window messages
    void (CWnd::*vwl)(UINT, LPARAM);    // AfxSig_vwl
    HCURSOR (CWnd::*hv)();              // AfxSig_hv
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // window message
    UINT nCode;     // notification code (WM_COMMAND)
    UINT nID;       // control id (WM_COMMAND); 0 for window messages
    UINT nLastID;
    AfxSig nSig;
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                            \
protected:                                               \
    static const AFX_MSGMAP* GetThisMessageMap();        \
    const AFX_MSGMAP* GetMessageMap() const override;    \
                                                         \
private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                       \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                \
        using ThisClass [[maybe_unused]] = theClass;  /* unused by an empty map */ \
        using TheBaseClass = baseClass;                                              \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                   \
    {0, 0, 0, 0, AfxSig_end, {.cmd = nullptr}}                              \
    }                                                                       \
    ;                                                                       \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, \
                                          &_messageEntries[0]};             \
    return &messageMap;                                                     \
    }

#define ON_WM_PAINT()                                                               \
    {WM_PAINT, 0, 0, 0, AfxSig_vv,                                                  \
     {.vv = static_cast<void (CWnd::*)()>(&ThisClass::OnPaint)}},

#define ON_WM_SYSCOMMAND()                                                        \
    {WM_SYSCOMMAND, 0, 0, 0, AfxSig_vwl,                                          \
     {.vwl = static_cast<void (CWnd::*)(UINT, LPARAM)>(&ThisClass::OnSysCommand)}},

#define ON_WM_QUERYDRAGICON()                                                  \
    {WM_QUERYDRAGICON, 0, 0, 0, AfxSig_hv,                                     \
     {.hv = static_cast<HCURSOR (CWnd::*)()>(&ThisClass::OnQueryDragIcon)}},

#define ON_COMMAND(id, memberFxn)                                   \
    {WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_vv, \
     {.cmd = static_cast<void (CCmdTarget::*)()>(&ThisClass::memberFxn)}},

#define ON_BN_CLICKED(id, memberFxn)                                          \
    {WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_vv, \
     {.cmd = static_cast<void (CCmdTarget::*)()>(&ThisClass::memberFxn)}},

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

protected:
    // The root of every message map chain.
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // Looks the message up in this object's map and its bases' and calls the
    // first handler found. FALSE when no entry matches.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
};

// ---------------------------------------------------------------------------
// Menus

// A menu object wraps a menu handle. Menus here are the windows' system
// menus; each handle keeps one CMenu for FromHandle.
class CMenu {
public:
    HMENU m_hMenu = nullptr;
    HMENU GetSafeHmenu() const { return m_hMenu; }
    // The object for `menu` (owned by the menu); null for a null handle.
    static CMenu* FromHandle(HMENU menu);

    // Appends an item: MF_SEPARATOR, or MF_STRING with a command id and text
    // ('&' marks the access key). FALSE without a menu or text.
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
    int GetMenuItemCount() const;  // -1 without a menu
    // The command of the item at nPos; 0 for a separator, -1 (as UINT) for none.
    UINT GetMenuItemID(int nPos) const;
    // The item's MF_* flags, by command (MF_BYCOMMAND) or position; -1 (as UINT) for none.
    UINT GetMenuState(UINT nID, UINT nFlags) const;
    // The item's text; its length, 0 for none.
    int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
};

BOOL AppendMenu(HMENU menu, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem);
// The window's system menu; bRevert restores its default items and returns null.
HMENU GetSystemMenu(HWND hWnd, BOOL bRevert);

// ---------------------------------------------------------------------------
// Windows

class CDataExchange;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }

    // Sends a message to this window: its message map first, then the
    // window's own default processing.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Data exchange between the dialog's controls and member variables:
    // TRUE reads the controls into the members, FALSE writes them back.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    CWnd* GetDlgItem(int nID) const;
    void SetWindowText(LPCTSTR text);
    CString GetWindowText() const;
    BOOL IsIconic() const;
    void GetClientRect(LPRECT rect) const;
    // The system menu, which the window shows on Alt+Space and on a
    // right-click on its background; see ::GetSystemMenu.
    CMenu* GetSystemMenu(BOOL bRevert) const;

    // Binds this object to an existing window (e.g. a dialog's control).
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // Default processing of the message that is being handled.
    LRESULT Default();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Handlers a message map can name.
    void OnPaint();
    void OnSysCommand(UINT nID, LPARAM lParam);
    HCURSOR OnQueryDragIcon();

private:
    friend struct AfxWindowAccess;
    UINT m_curMessage = 0;
    WPARAM m_curWParam = 0;
    LPARAM m_curLParam = 0;
};

class CDataExchange {
public:
    CDataExchange(CWnd* dlg, BOOL save) : m_bSaveAndValidate(save), m_pDlgWnd(dlg) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Attaches `control` to the dialog's control nIDC (once).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control);
// Moves text between the control nIDC and `value`.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Builds the dialog from its template, runs it until EndDialog and
    // returns the value given to EndDialog (-1 if the template is missing).
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    UINT GetTemplateId() const { return m_nIDTemplate; }

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override;

private:
    friend struct AfxWindowAccess;
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
};

// ---------------------------------------------------------------------------
// Application

class CWinApp : public CCmdTarget {
public:
    // The one application object registers itself; with no name given, the
    // title is the program file's name without its extension.
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    // Kept for the framework's start-up sequence; every control here is drawn
    // in the platform's own style already.
    BOOL Enable3dControls() { return TRUE; }

    CWnd* m_pMainWnd = nullptr;
    LPCTSTR m_pszAppName = nullptr;

private:
    std::string m_appName;
    friend LPCTSTR AfxGetAppName();
};

CWinApp* AfxGetApp();
LPCTSTR AfxGetAppName();
// Hosting of embedded controls is always available; nothing to switch on.
inline void AfxEnableControlContainer() {}

// Start-up: builds the window system's application, lets the application
// object run (InitInstance, then Run if it returned TRUE) and returns the exit
// code. Command-line arguments are not looked at.
int AfxWinMain(int argc, char** argv);

// ---------------------------------------------------------------------------
// Message box, icons, painting

// Shows a modal message box with the application title as caption.
// nType: MB_* buttons and icon (with no icon given, a warning icon for OK and
// OK/Cancel boxes and a question icon for yes/no boxes). Returns IDOK, ...
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

// The module that holds resource lpszName of type lpszType: the one chosen
// with AfxSetResourceHandle when it has it, else any that does; null if none.
HINSTANCE AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType);
// Chooses the module resources are looked up in first: the program's own.
void AfxSetResourceHandle(HINSTANCE hInstResource);
// The icon group `name` of `instance`, or null if the resources hold none.
HICON LoadIcon(HINSTANCE instance, LPCTSTR name);

int GetSystemMetrics(int nIndex);
BOOL DrawIcon(HDC hdc, int x, int y, HICON icon);
BOOL IsIconic(HWND hWnd);
BOOL GetClientRect(HWND hWnd, LPRECT rect);
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// A device context for painting the window; valid only inside OnPaint.
class CPaintDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }  // NOLINT
    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }

    HDC m_hDC = nullptr;

private:
    CWnd* m_pWnd;
};
