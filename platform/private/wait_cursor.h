// What the backends' message boxes do about CWaitCursor (afxwin.h): while a
// pause lives, the normal cursor shows over a wait cursor that one shows.
// Each backend defines it beside its CWaitCursor.
#pragma once

class AfxWaitCursorPause {
public:
    AfxWaitCursorPause();
    ~AfxWaitCursorPause();
    AfxWaitCursorPause(const AfxWaitCursorPause&) = delete;
    AfxWaitCursorPause& operator=(const AfxWaitCursorPause&) = delete;

private:
    bool paused_ = false;
};
