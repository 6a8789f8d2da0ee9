// Numbers of the progress dialog (template 101) and its texts.
// Plain macros only: included by the .rc files and the code.
#pragma once
