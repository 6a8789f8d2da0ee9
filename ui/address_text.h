// Dotted IPv4 address text as the settings file, the search list and the
// device link hold it. Platform-free.
#pragma once

#include <cstdint>
#include <string>

// Splits text at the dots and converts the first four parts (missing parts
// give 0, parts beyond four are ignored, numbers are held to 0..255, text that
// is no number gives 0). Null text gives 0.0.0.0.
void ParseDottedAddress(const char* text, uint8_t bytes[4]);
// "%d.%d.%d.%d" of the four bytes, highest first.
std::string FormatDottedAddress(const uint8_t bytes[4]);
