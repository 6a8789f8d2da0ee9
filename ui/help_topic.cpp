#include "ui/help_topic.h"

#include <cstdio>

#include "ui/help_control.h"

namespace {
HtmlHelpFunction testHtmlHelp;
constexpr UINT DisplayTopic = 0;  // HH_DISPLAY_TOPIC
}  // namespace

void SetHtmlHelpForTesting(HtmlHelpFunction function) { testHtmlHelp = function; }

HWND ShowHelpTopic(HWND owner, const char* topic) {
    char location[260];
    snprintf(location, sizeof location, "%s::/%s.htm", HelpPath().c_str(), topic);
    if (testHtmlHelp != nullptr) return testHtmlHelp(owner, location, DisplayTopic, 0);
    // The entry point is looked up for every request: the session drops the
    // references its requests took each time it is enabled, and an address
    // kept from before could point into a library that is gone.
    auto control = static_cast<HMODULE>(AcquireHelpControl());
    if (control == nullptr) return nullptr;
    auto htmlHelp =
        reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(control, "HtmlHelpA")));
    if (htmlHelp == nullptr) return nullptr;
    return htmlHelp(owner, location, DisplayTopic, 0);
}
