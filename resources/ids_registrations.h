// Numbers of the mode and area registration dialogs and the About box.
// Plain macros only: included by the .rc files and the code.
#pragma once
