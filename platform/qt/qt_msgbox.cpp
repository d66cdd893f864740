// The message box on a QMessageBox.
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <utility>
#include <vector>

#include "afx_qt.h"
#include "qt_caption.h"
#include "qt_internal.h"
#include "test_hooks.h"
#include "wait_cursor.h"

namespace {

struct Button {
    int id;
    const char* text;
    QMessageBox::ButtonRole role;
};

// The MB_ICON* value the box shows.
UINT BoxIcon(UINT nType) {
    const UINT buttons = nType & MB_TYPEMASK;
    UINT icon = nType & MB_ICONMASK;
    if (icon == 0) {
        // With no icon asked for, a notice gets the warning icon and a question the question mark.
        icon = (buttons == MB_OK || buttons == MB_OKCANCEL) ? MB_ICONEXCLAMATION
               : (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? MB_ICONQUESTION
                                                                     : 0;
    }
    return icon;
}

void SetIcon(QMessageBox& box, UINT icon) {
    switch (icon) {
    case MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
}

// Button texts follow the program's language.
std::vector<Button> BoxButtons(UINT buttons) {
    switch (buttons) {
    case MB_OKCANCEL: return {{IDOK, "确定", QMessageBox::AcceptRole}, {IDCANCEL, "取消", QMessageBox::RejectRole}};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, "中止(&A)", QMessageBox::RejectRole}, {IDRETRY, "重试(&R)", QMessageBox::AcceptRole},
                {IDIGNORE, "忽略(&I)", QMessageBox::AcceptRole}};
    case MB_YESNOCANCEL:
        return {{IDYES, "是(&Y)", QMessageBox::YesRole}, {IDNO, "否(&N)", QMessageBox::NoRole},
                {IDCANCEL, "取消", QMessageBox::RejectRole}};
    case MB_YESNO: return {{IDYES, "是(&Y)", QMessageBox::YesRole}, {IDNO, "否(&N)", QMessageBox::NoRole}};
    case MB_RETRYCANCEL:
        return {{IDRETRY, "重试(&R)", QMessageBox::AcceptRole}, {IDCANCEL, "取消", QMessageBox::RejectRole}};
    default: return {{IDOK, "确定", QMessageBox::AcceptRole}};
    }
}

// Adds the buttons, the first one the default, and returns each with its id.
std::vector<std::pair<QAbstractButton*, int>> AddButtons(QMessageBox& box, const std::vector<Button>& list) {
    std::vector<std::pair<QAbstractButton*, int>> made;
    for (const Button& b : list) made.emplace_back(box.addButton(QString::fromUtf8(b.text), b.role), b.id);
    box.setDefaultButton(static_cast<QPushButton*>(made.front().first));
    // Esc answers Cancel where there is one, else the only button.
    for (const auto& m : made)
        if (m.second == IDCANCEL || made.size() == 1) box.setEscapeButton(m.first);
    return made;
}

}  // namespace

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT nIDHelp) {
    const AfxWaitCursorPause normalCursor;
    const char* caption = AfxGetAppName();
    if (BoxHandler()) return BoxHandler()(MessageBoxRequest{lpszText ? lpszText : "", caption, nType, nIDHelp});
    if (!QApplication::instance()) return IDCANCEL;
    AfxQtInitialize();

    const UINT buttons = nType & MB_TYPEMASK;
    QMessageBox box(AfxQtSafeOwner());
    box.setWindowTitle(QString::fromUtf8(caption));
    box.setText(QString::fromUtf8(lpszText ? lpszText : ""));
    box.setTextFormat(Qt::PlainText);
    SetIcon(box, BoxIcon(nType));
    const std::vector<std::pair<QAbstractButton*, int>> made = AddButtons(box, BoxButtons(buttons));
    AfxQtKeepWindowFixed(&box);
    if (AfxQtDrawsOwnCaption()) {
        // The box's caption, drawn by itself; its system menu offers Close,
        // as a message box's does.
        box.setWindowFlags((box.windowFlags() & Qt::WindowType_Mask) | Qt::FramelessWindowHint);
        QMessageBox* owner = &box;
        new CaptionBar(&box, [owner](QPoint at) {
            QMenu menu(owner);
            QAction* close = menu.addAction(QString::fromUtf8("关闭(&C)\tAlt+F4"));
            if (menu.exec(at) == close) owner->close();
        });
        box.setContentsMargins(0, CaptionBar::Height(), 0, 0);
    }
    box.exec();
    for (const auto& m : made)
        if (box.clickedButton() == m.first) return m.second;
    return buttons == MB_OK ? IDOK : IDCANCEL;
}
