// A tree control of our own, standing where a dialog template names
// SysTreeView32: the same messages (tree_protocol.h), the classic look of a
// tree view with lines and +/- boxes, and any number of items. The native
// control takes seconds to minutes for a million children under wine; this
// one keeps the items in a TreeStore and the shown rows in one vector.
#pragma once

#include <windows.h>

#include "tree_protocol.h"

// The window class the dialog templates' tree controls are created with.
inline constexpr wchar_t kTreeWindowClass[] = L"ViewerTreeView";

// The window property that holds a window's accessible name, a UTF-16
// string (AfxSetAccessibleName sets it); the tree's accessible object
// reads it as its own name.
inline constexpr wchar_t kAccessibleNameProperty[] = L"ViewerAccessibleName";

// Registers the class (once per process; later calls do nothing). False
// when the system refuses it.
bool RegisterTreeWindowClass(HINSTANCE instance);
