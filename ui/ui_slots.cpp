// Fills the table through which the core drives the interface. Dialogs that
// are not part of the library yet leave their slot empty, which the core treats
// as "no interface": no main dialog, an abandoned device choice.
#include "core/ui_callbacks.h"

void InstallUiCallbacks() { *GetUiCallbacks() = UiCallbackTable{}; }
