// Numbers of the Mode registration, mode name and picture, area registration and the About box (t
// Plain macros only: included by the .rc files and the code.
#pragma once
