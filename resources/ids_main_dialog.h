// Numbers of the main scan dialog (template 520) with its labels and list entries, and the string
// Plain macros only: included by the .rc files and the code.
#pragma once
