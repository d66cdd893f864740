// Identifiers of the programs' resources, shared by their resource scripts and code.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_VIEWER_DIALOG 102
#define IDC_TREE 1000
#define IDC_ANALYZE 1001
#define IDC_PATH 1002
#define IDC_BROWSE 1003
