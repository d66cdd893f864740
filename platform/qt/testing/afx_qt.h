// What the Qt backend shows of itself: the widget behind a window handle, for
// tests and tools that work with Qt directly. Only code that uses Qt anyway
// includes this header.
#pragma once

#include "afxwin.h"

#include <QColor>
#include <QIcon>
#include <cstdint>

class QWidget;
class TreeEngine;

// The widget of a window (a dialog, or one of its controls); null if none.
QWidget* AfxQtWidget(HWND hWnd);

// The engine behind a tree control's widget (its items, rows, selection and
// layout, in the widget's viewport coordinates); null for any other widget.
TreeEngine* AfxQtTreeEngine(QWidget* tree);
// The colour the tree's parent gives an item when a painting asks for it;
// invalid when the parent keeps the control's own.
QColor AfxQtTreeItemColor(QWidget* tree, uint32_t item);

// The window that a message box or file dialog opened now belongs to (it
// opens centred over it and the window manager keeps it above): `parent`'s
// window if given, else the dialog running now, else the main window.
QWidget* AfxQtSafeOwner(CWnd* parent = nullptr);

// The icon behind an icon handle; a null icon for a null handle.
QIcon AfxQtIcon(HICON icon);

// Installs the backend's application-wide settings (dialog fonts) once a
// QApplication exists; AfxWinMain and every dialog call it themselves.
void AfxQtInitialize();

// Takes the application's name and version from the version resource (1):
// the version of its fixed part, the name from "InternalName", and the
// desktop entry's name, the lower-case program name.
void AfxQtApplyVersionResource();
