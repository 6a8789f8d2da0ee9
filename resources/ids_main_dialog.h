// Numbers of the main scan dialog: controls, labels, list entries, shared strings.
// Plain macros only: included by the .rc files and the code.
#pragma once

#define IDD_MAIN 520
