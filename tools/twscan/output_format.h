// What twscan writes: the image formats, how each is chosen from the output
// path or --format, and the page file names of a batch. Platform-free.
#pragma once

#include <optional>
#include <string>

enum class OutputFormat { Bmp, Png, Tiff, Jpeg, Pdf };

// "png", "tiff"/"tif", "jpeg"/"jpg", "bmp", "pdf" in any case.
std::optional<OutputFormat> FormatFromName(const std::string& name);
// The format of the path's extension; none when it has no known one.
std::optional<OutputFormat> FormatFromPath(const std::string& path);
const char* FormatName(OutputFormat format);
// TIFF and PDF hold a whole batch in one file; the others one page per file.
bool HoldsManyPages(OutputFormat format);
// Formats that are written strip by strip to any stream (PNG, JPEG); BMP
// stores its rows bottom-up and TIFF and PDF look back into the file, so those
// need a file that can be repositioned.
bool StreamsToPipe(OutputFormat format);

// The output path standing for standard output.
constexpr const char* StandardOutputPath = "-";

// Checks a page-name pattern: at most one number field (%d, %Nd or %0Nd,
// N up to 9), "%%" for a percent sign, no other '%'. Empty error when fine.
std::string CheckPagePattern(const std::string& pattern);
bool HasNumberField(const std::string& pattern);
// The file of one page of a batch, numbered 'number': the pattern's number
// field filled in, or without one "-number" before the extension.
std::string NumberedPagePath(const std::string& pattern, int number);
// The pattern as a file name, "%%" turned into "%".
std::string LiteralPath(const std::string& pattern);
