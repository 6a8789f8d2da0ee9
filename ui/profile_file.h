// Reading and writing keys of the one section both settings files use,
// through the platform's private-profile functions (Windows only).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

constexpr char SettingsSection[] = "KRVDS TWAIN";

// True when a regular file exists at path.
bool SettingsFileExists(const char* path);
// The key's integer; `fallback` when the key is missing or empty.
int32_t ReadSettingsInt(const char* path, const char* key, int32_t fallback);
// The key's integer; nothing when the key is missing or empty.
std::optional<int32_t> ReadSettingsIntIfPresent(const char* path, const char* key);
// The key's text cut to bufferSize - 1 characters, with one surrounding pair
// of double quotes removed; `fallback` (unchanged) when the key is missing.
std::string ReadSettingsText(const char* path, const char* key, const std::string& fallback,
                             size_t bufferSize);
// Write failures (read-only file or folder, full disk) are ignored.
void WriteSettingsInt(const char* path, const char* key, int32_t value);
void WriteSettingsText(const char* path, const char* key, const std::string& value, bool quoted);
