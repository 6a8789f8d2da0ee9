// twscan's report stream.
#include "tools/twscan/console.h"

#include <cstdarg>

namespace {
bool reportsToError = false;
}

void SendReportsToStandardError(bool toError) { reportsToError = toError; }

std::FILE* ReportStream() { return reportsToError ? stderr : stdout; }

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(ReportStream(), format, args);
    va_end(args);
}
