// What the files of the Windows backend share: UTF-8/UTF-16 conversion at
// the system's boundary and the objects bound to windows.
#pragma once

#include <string>

#include "afxwin.h"

#ifdef UNICODE
#error "the facade's text is UTF-8: build the backend without UNICODE"
#endif

// UTF-8 (null: empty) to the UTF-16 the W functions take, and back.
std::wstring AfxWiden(const char* text);
std::string AfxNarrow(const wchar_t* text);

// The object bound to a window (a dialog, or a control bound by
// DDX_Control), or null.
CWnd* AfxBoundObject(HWND hWnd);
void AfxBind(HWND hWnd, CWnd* object);
void AfxUnbind(HWND hWnd, const CWnd* object);
// Detaches every object from windows that no longer exist (a dialog's
// controls once the dialog is gone), so that their m_hWnd is null again
// and a destroyed window's recycled handle finds no stale object.
void AfxForgetDestroyedWindows();

// The window a message box or file dialog belongs to: `parent`'s top-level
// window if given, else this thread's active window (the dialog running
// now), else the main window.
HWND AfxSafeOwner(CWnd* parent);

// The module resources are looked up in first (AfxSetResourceHandle), else
// the program's own.
HINSTANCE AfxResourceModule();

// Shows the window's system menu at (x, y), or hands its items to the test
// seam's handler, and sends the command chosen as WM_SYSCOMMAND.
void AfxTrackSystemMenu(HWND hWnd, int x, int y, bool byMouse);

// Registers our tree window under the name the dialog templates give their
// tree controls; see win_dialog.cpp.
void AfxRegisterTemplateTreeClass(HINSTANCE instance);
