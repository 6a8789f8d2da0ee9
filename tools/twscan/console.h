// Where twscan's reports go: standard output, or standard error while the
// image itself goes to standard output.
#pragma once

#include <cstdio>

void SendReportsToStandardError(bool toError);
std::FILE* ReportStream();
// printf to ReportStream().
void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
