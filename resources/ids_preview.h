// Numbers of the preview window: template, controls and texts.
// Plain macros only: included by the .rc files and the code.
#pragma once

#define IDD_PREVIEW 524
