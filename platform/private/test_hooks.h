// Where the framework keeps the replaceable handlers of afxtest.h. Each is
// empty unless a test has set one; the boxes and menus ask it first.
#pragma once

#include "afxtest.h"

MessageBoxHandler& BoxHandler();
FileDialogHandler& FileHandler();
DialogShownHandler& ShownHandler();
MenuPopupHandler& MenuHandler();
