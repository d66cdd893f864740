// The replaceable handlers of afxtest.h, kept here for every backend: each
// setter stores the new handler and hands back the one it replaces.
#include "test_hooks.h"

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
    return std::exchange(BoxHandler(), std::move(handler));
}

FileDialogHandler AfxSetFileDialogHandler(FileDialogHandler handler) {
    return std::exchange(FileHandler(), std::move(handler));
}

DialogShownHandler AfxSetDialogShownHandler(DialogShownHandler handler) {
    return std::exchange(ShownHandler(), std::move(handler));
}

MenuPopupHandler AfxSetMenuPopupHandler(MenuPopupHandler handler) {
    return std::exchange(MenuHandler(), std::move(handler));
}
