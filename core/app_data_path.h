#pragma once

#include <string>

// Full path of a file in the common application-data folder, where the
// settings and spool files live; just the name when the folder is unknown.
std::string CommonAppDataFile(const char* fileName);
