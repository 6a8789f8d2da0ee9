// Opening a topic of the help file beside the library.
#pragma once

#include <windows.h>

constexpr char HelpTopicMain[] = ".\\TWAINV4_rtf\\kantan";
constexpr char HelpTopicModes[] = ".\\TWAINV4_rtf\\modetouroku";
constexpr char HelpTopicAreas[] = ".\\TWAINV4_rtf\\areatouroku";

using HtmlHelpFunction = HWND(WINAPI*)(HWND owner, LPCSTR location, UINT command, DWORD_PTR data);

// Shows topic of the help file in the HTML help viewer owned by owner and
// returns the viewer's window; 0, and nothing shown, without the help control.
HWND ShowHelpTopic(HWND owner, const char* topic);
// Tests put a recorder in place of the help control's HtmlHelpA; null puts
// the control back.
void SetHtmlHelpForTesting(HtmlHelpFunction function);
