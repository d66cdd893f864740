// The types, handles and constants of the window system that the facade's
// interfaces speak in, with the values the Windows headers give them. No
// type of the system underneath shows here: handles are opaque, and each
// backend says what stands behind them.
#pragma once

#ifdef _WIN32
// On Windows the system's own headers give every type and constant; the
// facade's text stays UTF-8 (no UNICODE: LPCTSTR is const char*), and the
// backend calls the W functions itself. The tree control's names stay the
// facade's (afxcmn.h), so <commctrl.h> is not included here.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
// The facade's DragQueryFile takes UTF-8 (afxwin.h), not the ANSI code page.
#undef DragQueryFile

#include <cstddef>
#include <cstdint>
#else

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Basic types and handles

using BOOL = int;
using UINT = unsigned int;
using WORD = uint16_t;
using DWORD = uint32_t;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using DWORD_PTR = uintptr_t;
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
struct HDROP__;  // the files of a drop (WM_DROPFILES)
using HDROP = HDROP__*;

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
#define WM_DROPFILES 0x0233u
#define WM_SETICON 0x0080u
#define WM_INITDIALOG 0x0110u
#define WM_COMMAND 0x0111u
#define WM_NOTIFY 0x004Eu
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

// A control's notification (WM_NOTIFY, lParam): which control, and what.
struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
using LPNMHDR = NMHDR*;

using COLORREF = DWORD;  // 0x00BBGGRR
#define RGB(r, g, b) (static_cast<COLORREF>((r) | ((g) << 8) | ((b) << 16)))

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
#endif  // _WIN32

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(long l, long t, long r, long b) : RECT{l, t, r, b} {}
    long Width() const { return right - left; }
    long Height() const { return bottom - top; }
    operator LPRECT() { return this; }
};
