// Trace hook called by every handler and device operation. It compiles to
// nothing unless the build defines TARVIK_TRACE, which routes it to the
// platform's debug line (the debugger output on Windows).
#pragma once

#include "core/platform_hook.h"

inline void DsTrace([[maybe_unused]] const char* text) {
#if defined(TARVIK_TRACE)
    PlatformDebugLine(text);
#endif
}
