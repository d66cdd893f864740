// Identifiers of the programs' resources, shared by their resource scripts and code.
#pragma once

#define IDM_ABOUTBOX 0x0010  // the About entry of the system menu
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_VIEWER_DIALOG 102
#define IDR_MAINFRAME 128
#define IDB_ABOUT 129
#define IDC_TREE 1000
#define IDC_ANALYZE 1001
#define IDC_PATH 1002
#define IDC_BROWSE 1003
