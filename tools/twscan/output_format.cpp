// Output formats and page names.
#include "tools/twscan/output_format.h"

#include <cstdio>
#include <map>

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// Position just after the folder part of a path (either separator).
size_t NameStart(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? 0 : slash + 1;
}

// The '%' that opens the next field at or after from, skipping "%%";
// *digitsEnd is where the digits after it end. npos when there is none.
size_t NextField(const std::string& pattern, size_t from, size_t* digitsEnd) {
    for (size_t i = from; i < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9') ++j;
        *digitsEnd = j;
        return i;
    }
    return std::string::npos;
}

// Where the pattern's number field starts and ends; npos when it has none.
// Assumes CheckPagePattern accepted the pattern.
void FindNumberField(const std::string& pattern, size_t* start, size_t* end) {
    size_t digitsEnd = 0;
    *start = NextField(pattern, 0, &digitsEnd);
    if (*start != std::string::npos) *end = digitsEnd + 1;
}

std::string UnescapePercent(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') ++i;
    }
    return out;
}

}  // namespace

std::optional<OutputFormat> FormatFromName(const std::string& name) {
    static const std::map<std::string, OutputFormat> names = {
        {"bmp", OutputFormat::Bmp},  {"png", OutputFormat::Png},   {"tiff", OutputFormat::Tiff},
        {"tif", OutputFormat::Tiff}, {"jpeg", OutputFormat::Jpeg}, {"jpg", OutputFormat::Jpeg},
        {"pdf", OutputFormat::Pdf}};
    auto found = names.find(Lower(name));
    if (found == names.end()) return std::nullopt;
    return found->second;
}

std::optional<OutputFormat> FormatFromPath(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < NameStart(path)) return std::nullopt;
    return FormatFromName(path.substr(dot + 1));
}

const char* FormatName(OutputFormat format) {
    switch (format) {
        case OutputFormat::Bmp:
            return "BMP";
        case OutputFormat::Png:
            return "PNG";
        case OutputFormat::Tiff:
            return "TIFF";
        case OutputFormat::Jpeg:
            return "JPEG";
        case OutputFormat::Pdf:
            return "PDF";
    }
    return "?";
}

bool HoldsManyPages(OutputFormat format) {
    return format == OutputFormat::Tiff || format == OutputFormat::Pdf;
}

bool StreamsToPipe(OutputFormat format) {
    return format == OutputFormat::Png || format == OutputFormat::Jpeg;
}

std::string CheckPagePattern(const std::string& pattern) {
    int fields = 0;
    size_t j = 0;
    for (size_t i = NextField(pattern, 0, &j); i != std::string::npos; i = NextField(pattern, j, &j)) {
        const std::string width = pattern.substr(i + 1, j - i - 1);
        const bool widthOk = width.empty() || (width.size() == 1 && width[0] != '0') ||
                             (width.size() == 2 && width[0] == '0' && width[1] != '0');
        if (!widthOk || j >= pattern.size() || pattern[j] != 'd') {
            return "the only % forms in an output path are %d, %3d, %03d (up to 9 digits) and %% (in '" +
                   pattern + "')";
        }
        if (++fields > 1) return "an output path takes one page number field, '" + pattern + "' has more";
    }
    return {};
}

bool HasNumberField(const std::string& pattern) {
    size_t start = 0;
    size_t end = 0;
    FindNumberField(pattern, &start, &end);
    return start != std::string::npos;
}

std::string NumberedPagePath(const std::string& pattern, int number) {
    size_t start = 0;
    size_t end = 0;
    FindNumberField(pattern, &start, &end);
    if (start != std::string::npos) {
        const std::string field = pattern.substr(start, end - start);
        char digits[48];
        std::snprintf(digits, sizeof digits, field.c_str(), number);
        return UnescapePercent(pattern.substr(0, start)) + digits + UnescapePercent(pattern.substr(end));
    }
    const std::string plain = UnescapePercent(pattern);
    const std::string suffix = "-" + std::to_string(number);
    const size_t dot = plain.find_last_of('.');
    if (dot == std::string::npos || dot < NameStart(plain) || dot == NameStart(plain)) return plain + suffix;
    return plain.substr(0, dot) + suffix + plain.substr(dot);
}

std::string LiteralPath(const std::string& pattern) { return UnescapePercent(pattern); }
