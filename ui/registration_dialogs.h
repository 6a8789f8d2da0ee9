// The modal dialogs the main dialog opens: saved modes (with the mode edit
// dialog), registered areas and the About box. Each takes the window that
// owns it (the main dialog; null works too) and works on GetMainUiState().
#pragma once

#include <windows.h>

// What a registration dialog changed, so the main dialog can follow.
enum RegistrationChange : int {
    NothingChanged = 0,
    ModesChanged = 1,  // the mode table: reload the mode list
    AreasChanged = 2,  // the area table, the size list entries and maybe scanSize
};

// Mode registration (template 521). Returns the RegistrationChange bits.
int RunModeRegistration(HWND parent);
// The mode edit dialog (template 522) for mode record r; true when it changed the record.
bool RunModeEdit(HWND parent, int r);
// Area registration (template 523). The main dialog's size list (control
// 801 of parent, when there is one) follows each change as it is made.
int RunAreaRegistration(HWND parent);
// The About box (template 532).
void RunAboutBox(HWND parent);

// Plugs the dialogs above and help into the main dialog's buttons.
void InstallRegistrationHooks();

// The first line of the About text: the product name and its version.
constexpr char ProductVersion[] = "V 1.2.0.0";
