// The tree control's accessibility (qt_tree_access.cpp).
#pragma once

class TreeWidget;

// Lets Qt's accessibility find the tree widgets' interfaces; once per process.
void AfxInstallTreeAccessibility();
// Tells assistive technology what the engine's changes (TreeChange bits)
// mean for it: another item selected and focused, rows opened or closed.
void AfxTreeAccessibilityUpdate(TreeWidget* tree, unsigned changes);
