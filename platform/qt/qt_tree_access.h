// The tree control's accessibility (qt_tree_access.cpp).
#pragma once

class TreeWidget;

// Gives a tree widget, once it is made, its accessible interface.
void AfxAttachTreeAccessibility(TreeWidget* tree);
// Tells assistive technology what the engine's changes (TreeChange bits)
// mean for it: another item selected and focused, rows opened or closed.
void AfxTreeAccessibilityUpdate(TreeWidget* tree, unsigned changes);
