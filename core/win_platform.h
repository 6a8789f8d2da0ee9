#pragma once

#include <string>

// Gives platform-free code its system calls (events, debugger output).
void InstallPlatformHooks();
// Start values of the device link (USB ids, pipes, port).
void InitDeviceLinkDefaults();
// Where the help file lives; kept for the About box and help buttons.
void SetHelpPath(const std::string& path);
