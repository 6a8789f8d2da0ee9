// twscan's command line: what to open, negotiate, transfer and write.
// Platform-free, so the parsing is tested on the host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/twain.h"
#include "tools/twscan/output_format.h"

enum class TransferKind { Native, File, Memory };

// Who owns the memory-transfer buffer and how it is passed (TWMF_... flags).
enum class MemoryBufferKind { AppPointer, AppHandle, SourcePointer, SourceHandle };

// How MSG_OPENDSM passes the parent window: Wine's manager reads the data as
// the handle itself, the TWAIN Working Group's as a pointer to it.
enum class ParentPassing { Auto, Handle, Pointer };

struct FrameInches {
    double left;
    double top;
    double right;
    double bottom;
};

struct ScanOptions {
    bool help = false;
    bool list = false;
    bool verbose = false;
    std::string managerLibrary = "TWAIN_32.DLL";
    ParentPassing parentPassing = ParentPassing::Auto;
    std::string source = "Tarvik4100 TWAIN";
    std::optional<TW_UINT16> pixelType;  // TWPT_...
    std::optional<double> resolution;    // dots per inch
    std::optional<TW_UINT16> paperSize;  // TWSS_...
    std::optional<FrameInches> frame;
    std::optional<double> brightness;
    std::optional<double> contrast;
    std::optional<TW_INT16> count;  // -1: every page
    std::optional<bool> feeder;
    std::optional<bool> duplex;
    TransferKind transfer = TransferKind::Native;
    std::optional<TW_UINT32> bufferSize;
    MemoryBufferKind memoryBuffer = MemoryBufferKind::AppPointer;
    bool showUi = false;
    std::optional<int32_t> timeoutSeconds;  // unset: 30 without interface, none with it
    std::string output = "scan.bmp";        // "-": standard output
    std::optional<OutputFormat> formatFlag;
    OutputFormat format = OutputFormat::Bmp;  // --format, else the output's extension
    int quality = 90;                         // JPEG quality, 1..100
    std::optional<int> batchStart;            // number of the first page of a batch
    std::optional<std::string> device;        // "usb" or a dotted IPv4 address
    bool listOptions = false;
    bool progress = false;
};

struct ParsedOptions {
    bool ok = false;
    ScanOptions options;
    std::string error;  // set when !ok
};

// Parses the arguments after the program name; the first bad one makes the error.
ParsedOptions ParseScanOptions(const std::vector<std::string>& args);

// Every flag the parser knows, long forms, for checking the help text.
std::vector<std::string> KnownFlags();

// The --help text.
std::string UsageText();

// File name of page 'page' (1-based) while the batch may still be one page:
// the pattern with its number field filled in; without one, the first page
// gets the name itself and later pages "-2", "-3"... before the extension.
std::string PagePath(const std::string& pattern, int page);

// Milliseconds to wait for the source to open and to offer a page; 0 means
// no limit.
uint32_t WaitLimitMs(const ScanOptions& options);
