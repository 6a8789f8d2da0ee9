// Numbers of the pictures.
// Plain macros only: included by the .rc files and the code.
#pragma once
