// Numbers of the progress dialog: template, controls and texts.
// Plain macros only: included by the .rc files and the code.
#pragma once

#define IDD_PROGRESS 101
