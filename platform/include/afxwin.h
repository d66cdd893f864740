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

#include "afxdefs.h"

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
    AfxSig_vD,    // void (HDROP): WM_DROPFILES
    AfxSig_vNMHDRpl,  // void (NMHDR*, LRESULT*): WM_NOTIFY from a control
};

// The handler of a map entry; nSig says which member is set.
union AFX_PMSG {
    void (CCmdTarget::*cmd)();          // WM_COMMAND handlers
    void (CWnd::*vv)();                 // AfxSig_vv window messages
    void (CWnd::*vwl)(UINT, LPARAM);    // AfxSig_vwl
    HCURSOR (CWnd::*hv)();              // AfxSig_hv
    void (CWnd::*vD)(HDROP);            // AfxSig_vD
    void (CCmdTarget::*notify)(NMHDR*, LRESULT*);  // AfxSig_vNMHDRpl
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // window message
    UINT nCode;     // notification code (WM_COMMAND, WM_NOTIFY)
    UINT nID;       // control id (WM_COMMAND, WM_NOTIFY); 0 for window messages
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

#define ON_WM_DROPFILES()                                                 \
    {WM_DROPFILES, 0, 0, 0, AfxSig_vD,                                    \
     {.vD = static_cast<void (CWnd::*)(HDROP)>(&ThisClass::OnDropFiles)}},

#define ON_COMMAND(id, memberFxn)                                   \
    {WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_vv, \
     {.cmd = static_cast<void (CCmdTarget::*)()>(&ThisClass::memberFxn)}},

#define ON_BN_CLICKED(id, memberFxn)                                          \
    {WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_vv, \
     {.cmd = static_cast<void (CCmdTarget::*)()>(&ThisClass::memberFxn)}},

// A notification of control `id` (WM_NOTIFY with that code): the handler
// reads the notification's structure and sets the result the control gets.
#define ON_NOTIFY(wNotifyCode, id, memberFxn)                                                      \
    {WM_NOTIFY, static_cast<UINT>(wNotifyCode), static_cast<UINT>(id), static_cast<UINT>(id),    \
     AfxSig_vNMHDRpl, {.notify = static_cast<void (CCmdTarget::*)(NMHDR*, LRESULT*)>(&ThisClass::memberFxn)}},

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

#ifndef _WIN32  // on Windows: the system's own
BOOL AppendMenu(HMENU menu, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem);
// The window's system menu; bRevert restores its default items and returns null.
HMENU GetSystemMenu(HWND hWnd, BOOL bRevert);
#endif

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
    // Whether files dropped on the window (its controls included) reach it
    // as WM_DROPFILES.
    void DragAcceptFiles(BOOL bAccept = TRUE);

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
    void OnDropFiles(HDROP hDropInfo);

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

// While one lives, the program's windows show the wait cursor, as for a long
// command; a message box opened meanwhile shows the normal cursor.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
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
#ifndef _WIN32  // on Windows: the system's own
// The icon group `name` of `instance`, or null if the resources hold none.
HICON LoadIcon(HINSTANCE instance, LPCTSTR name);

int GetSystemMetrics(int nIndex);
BOOL DrawIcon(HDC hdc, int x, int y, HICON icon);
BOOL IsIconic(HWND hWnd);
BOOL GetClientRect(HWND hWnd, LPRECT rect);
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Releases a drop once its handler has read it.
void DragFinish(HDROP hDrop);
#endif

#ifndef _WIN32  // on Windows: the system's own
// The colours of the current scheme (the window's background, its text,
// disabled text, links), as COLORREF; on Linux from the style's palette.
#define COLOR_WINDOW 5
#define COLOR_WINDOWTEXT 8
#define COLOR_GRAYTEXT 17
#define COLOR_HOTLIGHT 26
DWORD GetSysColor(int nIndex);
#endif

// Whether the desktop runs a high-contrast scheme (on Windows its
// high-contrast mode), in which only the scheme's own colours may be used.
BOOL AfxIsHighContrast();

// Gives a control the name assistive technology (a screen reader) reads
// for it where its text does not say what it is (a "..." button) or it has
// no text (a tree).
void AfxSetAccessibleName(HWND hWnd, LPCTSTR lpszName);

// The files of a drop: with iFile 0xFFFFFFFF their number; else the
// iFile'th full path (UTF-8) copied into lpszFile (at most cch bytes with
// the terminating zero; null asks only for the length) and its length.
UINT DragQueryFile(HDROP hDrop, UINT iFile, LPTSTR lpszFile, UINT cch);

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
#ifdef _WIN32
    PAINTSTRUCT m_ps{};
#endif
};
