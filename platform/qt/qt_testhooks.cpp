// The replaceable handlers of afxtest.h: each setter stores the new handler
// and hands back the one it replaces.
#include "qt_testhooks.h"

#include <utility>

MessageBoxHandler& BoxHandler() {
    static MessageBoxHandler handler;
    return handler;
}

FileDialogHandler& FileHandler() {
    static FileDialogHandler handler;
    return handler;
}

DialogShownHandler& ShownHandler() {
    static DialogShownHandler handler;
    return handler;
}

MenuPopupHandler& MenuHandler() {
    static MenuPopupHandler handler;
    return handler;
}

MessageBoxHandler AfxSetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = std::move(BoxHandler());
    BoxHandler() = std::move(handler);
    return previous;
}

FileDialogHandler AfxSetFileDialogHandler(FileDialogHandler handler) {
    FileDialogHandler previous = std::move(FileHandler());
    FileHandler() = std::move(handler);
    return previous;
}

DialogShownHandler AfxSetDialogShownHandler(DialogShownHandler handler) {
    DialogShownHandler previous = std::move(ShownHandler());
    ShownHandler() = std::move(handler);
    return previous;
}

MenuPopupHandler AfxSetMenuPopupHandler(MenuPopupHandler handler) {
    MenuPopupHandler previous = std::move(MenuHandler());
    MenuHandler() = std::move(handler);
    return previous;
}
