#include "ui/address_text.h"

#include <cstdio>

void ParseDottedAddress(const char* text, uint8_t bytes[4]) {
    for (int i = 0; i < 4; ++i) bytes[i] = 0;
    if (text == nullptr) return;
    for (int part = 0; part < 4 && *text != '\0'; ++part) {
        int32_t value = 0;
        bool negative = false;
        while (*text == ' ') ++text;
        if (*text == '-') {
            negative = true;
            ++text;
        }
        for (; *text >= '0' && *text <= '9'; ++text) {
            if (value < 1000) value = value * 10 + (*text - '0');
        }
        bytes[part] = static_cast<uint8_t>(negative ? 0 : value > 255 ? 255 : value);
        while (*text != '\0' && *text != '.') ++text;
        if (*text == '.') ++text;
    }
}

std::string FormatDottedAddress(const uint8_t bytes[4]) {
    char text[16];
    snprintf(text, sizeof text, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}
