// The Qt backend's window records. A window handle (HWND) points to one of
// these; the record holds the widget and the CWnd object bound to it, and its
// Proc is the window class's own processing of messages. The tree control's
// records are in qt_tree.h, the dialog's in qt_dialog.h.
#pragma once

#include <QIcon>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "afxwin.h"

class QImage;
class QPainter;
struct DecodedImage;

struct HWND__ {
    virtual ~HWND__();
    // Default processing of messages that the bound object's map did not take.
    virtual LRESULT Proc(UINT message, WPARAM wParam, LPARAM lParam);

    QPointer<QWidget> widget;
    int id = 0;
    CWnd* owner = nullptr;           // the CWnd bound to this window, if any
    std::unique_ptr<CWnd> wrapper;  // stands in for an unbound control (GetDlgItem)
    std::vector<std::unique_ptr<HWND__>> children;  // controls of a dialog
    bool acceptFiles = false;                        // DragAcceptFiles
};

struct HICON__ {
    QIcon icon;
};

struct HDROP__ {
    std::vector<std::string> paths;  // UTF-8 full paths
};

struct HDC__ {
    QPainter* painter = nullptr;
};

// Routes a message to the object bound to the window, else to the window's own Proc.
LRESULT AfxSend(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// The same for a message that stands for a user's action (a click, a key):
// when the outermost one returns, the tree controls show what was inserted.
LRESULT AfxSendFromEvent(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// A decoded icon or bitmap resource as a Qt image.
QImage ToQImage(const DecodedImage& d);

// Text from the framework's UTF-8 strings; null is the empty text.
inline QString FromUtf8(const char* s) { return QString::fromUtf8(s ? s : ""); }
