// The HTML help control and the help file beside the library. The source keeps
// count of the references its own help requests take, so it can drop exactly
// those and leave the application's own references intact.
#pragma once

#include <string>

void StoreHelpPath(const std::string& path);
const std::string& HelpPath();
// Loads the help control for a help request; null when it is not installed.
void* AcquireHelpControl();
// Drops every reference AcquireHelpControl has taken.
void ReleaseHelpControlReferences();
