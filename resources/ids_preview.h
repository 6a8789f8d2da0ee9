// Numbers of the preview window (template 524) and its texts.
// Plain macros only: included by the .rc files and the code.
#pragma once
