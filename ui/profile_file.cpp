#include "ui/profile_file.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/adjustment_settings.h"

namespace {

// Returned for a missing key. A control character no line of the file can
// hold on its own, so an empty or blank value is told apart from no key.
const char MissingMarker[] = "\x01";

}  // namespace

bool SettingsFileExists(const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string ReadSettingsText(const char* path, const char* key, const std::string& fallback,
                             size_t bufferSize) {
    std::vector<char> buffer(bufferSize + 1, '\0');
    GetPrivateProfileStringA(SettingsSection, key, MissingMarker, buffer.data(),
                             static_cast<DWORD>(bufferSize), path);
    if (strcmp(buffer.data(), MissingMarker) == 0) return fallback;
    return std::string(buffer.data());
}

std::optional<int32_t> ReadSettingsIntIfPresent(const char* path, const char* key) {
    std::string text = ReadSettingsText(path, key, std::string(MissingMarker), 64);
    if (text == MissingMarker || text.empty()) return std::nullopt;
    return ParseProfileInt(text.c_str());
}

int32_t ReadSettingsInt(const char* path, const char* key, int32_t fallback) {
    return ReadSettingsIntIfPresent(path, key).value_or(fallback);
}

void WriteSettingsInt(const char* path, const char* key, int32_t value) {
    char text[16];
    snprintf(text, sizeof text, "%d", static_cast<int>(value));
    WritePrivateProfileStringA(SettingsSection, key, text, path);
}

// A line break inside a value would end the line and start a key of its own,
// so breaks are written as blanks.
void WriteSettingsText(const char* path, const char* key, const std::string& value, bool quoted) {
    std::string text = quoted ? "\"" + value + "\"" : value;
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    WritePrivateProfileStringA(SettingsSection, key, text.c_str(), path);
}
