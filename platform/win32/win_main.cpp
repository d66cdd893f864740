// The process entry of a program built on the framework: a GUI program's
// wide entry point; the command line is not looked at.
#include "afxwin.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return AfxWinMain(0, nullptr); }
