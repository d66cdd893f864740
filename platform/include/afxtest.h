// Replaceable handlers for the framework's modal boxes, so that automated
// tests can see every message the program shows and answer the open-file
// dialog without any modal window.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "afxwin.h"

struct MessageBoxRequest {
    std::string text;
    std::string caption;
    UINT type;  // as passed to AfxMessageBox
    UINT helpId;
};
// Returns the button pressed (IDOK, IDCANCEL, ...).
using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

struct FileDialogRequest {
    BOOL openFileDialog;
    std::string defaultExt;
    std::string fileName;
    std::string filter;  // "Description|pattern|...||"
    DWORD flags;
};
// Returns the chosen full path (UTF-8), or nothing when the user cancels.
using FileDialogHandler = std::function<std::optional<std::string>(const FileDialogRequest&)>;

// Each returns the handler it replaces; an empty handler restores the real box.
MessageBoxHandler AfxSetMessageBoxHandler(MessageBoxHandler handler);
FileDialogHandler AfxSetFileDialogHandler(FileDialogHandler handler);

// Called once a modal dialog is on screen and before the user can act on it,
// with the dialog; tests use it to drive the dialog from inside its loop.
using DialogShownHandler = std::function<void(CDialog&)>;
DialogShownHandler AfxSetDialogShownHandler(DialogShownHandler handler);

// Called instead of showing a popup menu (the system menu), with its items
// and the screen position it would open at; returns the command chosen, or
// nothing when the menu is dismissed.
struct MenuPopupRequest {
    struct Item {
        std::string text;
        UINT id;
        UINT flags;
    };
    std::vector<Item> items;
    int x;
    int y;
    bool byMouse;  // opened by a right-click rather than the keyboard
};
using MenuPopupHandler = std::function<std::optional<UINT>(const MenuPopupRequest&)>;
MenuPopupHandler AfxSetMenuPopupHandler(MenuPopupHandler handler);
