// The tree control's window record: the engine that keeps the items, rows
// and layout, and the widget (qt_tree_widget.cpp) that shows them.
#pragma once

#include <QColor>
#include <QString>

#include "afxcmn.h"
#include "qt_internal.h"
#include "tree_engine.h"

class TreeWidget;

struct TreeWindow final : HWND__ {
    explicit TreeWindow(DWORD style, QWidget* parent);
    ~TreeWindow() override;
    LRESULT Proc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // What the parent says through WM_NOTIFY, asked only for the rows
    // painted: a painting starts with CDDS_PREPAINT (BeginPaint), then an
    // item's text colour (CDDS_ITEMPREPAINT), invalid when the parent keeps
    // the control's own; the tip of an item (TVN_GETINFOTIP, with
    // TVS_INFOTIP), empty for none.
    void BeginPaint();
    QColor TextColor(TreeStore::Index item);
    QString InfoTip(TreeStore::Index item);

    // Lays out rows appended since the last flush and shows them.
    void Flush();
    // Acts on what the engine says changed: scroll bars, tip, repainting.
    void Apply();

    DWORD style;
    HWND__* notify = nullptr;  // the window the notifications go to (the dialog)
    bool itemDraw = false;      // the parent asked for CDDS_ITEMPREPAINT in this painting
    bool flushQueued = false;   // a flush is due when control returns to the event loop
    TreeEngine engine;
    TreeWidget* view = nullptr;  // owned by the widget tree (widget)
};

// Shows what was inserted into every tree control since it last showed;
// runs when a message dispatched from the window system returns and from
// the event loop.
void AfxPublishTreeChanges();
