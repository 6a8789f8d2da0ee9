// Numbers of the mode and area registration dialogs and the About box.
// Plain macros only: included by the .rc files and the code.
#pragma once

#define IDD_MODE_REGISTER 521
#define IDD_MODE_NAME 522
#define IDD_AREA_REGISTER 523
#define IDD_ABOUT 532
