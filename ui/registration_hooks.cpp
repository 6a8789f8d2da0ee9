// Buttons 650, 657, 654 and 658 of the main dialog open the registration
// dialogs, the About box and help; the main dialog's lists follow what the
// registrations changed.
#include "ui/help_topic.h"
#include "ui/main_dialog.h"
#include "ui/main_ui_state.h"
#include "ui/registration_dialogs.h"

namespace {

void FollowChanges(HWND mainDialog, int changes) {
    if ((changes & AreasChanged) != 0) ReloadSizeList(mainDialog);
    if ((changes & (ModesChanged | AreasChanged)) != 0) ReloadModeList(mainDialog);
}

// The main dialog reloads its mode list itself after this hook.
void ModeRegistration(HWND mainDialog) { RunModeRegistration(mainDialog); }

void AreaRegistration(HWND mainDialog) { FollowChanges(mainDialog, RunAreaRegistration(mainDialog)); }

void Help(HWND mainDialog) { GetMainUiState()->helpWindow = ShowHelpTopic(mainDialog, HelpTopicMain); }

void About(HWND mainDialog) { RunAboutBox(mainDialog); }

}  // namespace

void InstallRegistrationHooks() {
    MainDialogHooks& hooks = *GetMainDialogHooks();
    hooks.modeRegistration = ModeRegistration;
    hooks.areaRegistration = AreaRegistration;
    hooks.help = Help;
    hooks.about = About;
}
