// Numbers of the preview window: template, controls and texts.
// Plain macros only: included by the .rc files and the code.
#pragma once

#define IDD_PREVIEW 524

// Controls.
#define IDC_PREVIEW_CLOSE 672
#define IDC_PREVIEW_AREA_TOGGLE 673
#define IDC_PREVIEW_CANVAS 1322
#define IDC_PREVIEW_FRAME 1323

// Title and close label: the same texts as the main dialog's Preview and
// Close buttons, which own the strings.
#define IDS_PREVIEW_TITLE 1202
#define IDS_PREVIEW_CLOSE 1203
