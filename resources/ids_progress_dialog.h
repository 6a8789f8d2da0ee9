// Numbers of the progress dialog: template, controls and texts.
// Plain macros only: included by the .rc files and the code.
#pragma once

#define IDD_PROGRESS 101

#define IDC_PROGRESS_SCAN_BAR 1006
#define IDC_PROGRESS_DELIVERY_BAR 1159
#define IDC_PROGRESS_DELIVERY_TEXT 1160
#define IDC_PROGRESS_SCAN_TEXT 1161
#define IDC_PROGRESS_FRAME 1167

#define IDS_PROGRESS_SCANNING 2112
#define IDS_PROGRESS_DELIVERING 2113
