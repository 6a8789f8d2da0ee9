// twscan's command line.
#include "tools/twscan/scan_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

namespace {

constexpr uint32_t DefaultWaitSeconds = 30;

// Parses a whole decimal number in [low, high]; nothing else in the text.
std::optional<double> Number(const std::string& text, double low, double high) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<long> Integer(const std::string& text, long low, long high) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size()) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::optional<TW_UINT16> PixelTypeOf(const std::string& text) {
    static const std::map<std::string, TW_UINT16> names = {{"bw", TWPT_BW},      {"gray", TWPT_GRAY},
                                                           {"grey", TWPT_GRAY},  {"color", TWPT_RGB},
                                                           {"colour", TWPT_RGB}, {"rgb", TWPT_RGB}};
    auto found = names.find(Lower(text));
    if (found == names.end()) return std::nullopt;
    return found->second;
}

std::optional<TW_UINT16> PaperSizeOf(const std::string& text) {
    static const std::map<std::string, TW_UINT16> names = {{"none", TWSS_NONE},
                                                           {"a4", TWSS_A4LETTER},
                                                           {"b5", TWSS_B5LETTER},
                                                           {"letter", TWSS_USLETTER},
                                                           {"legal", TWSS_USLEGAL},
                                                           {"a5", TWSS_A5},
                                                           {"b4", TWSS_B4},
                                                           {"b6", TWSS_B6},
                                                           {"ledger", TWSS_USLEDGER},
                                                           {"executive", TWSS_USEXECUTIVE},
                                                           {"a3", TWSS_A3},
                                                           {"b3", TWSS_B3},
                                                           {"a6", TWSS_A6}};
    auto found = names.find(Lower(text));
    if (found != names.end()) return found->second;
    if (auto code = Integer(text, 0, 0xffff)) return static_cast<TW_UINT16>(*code);
    return std::nullopt;
}

// "left,top,right,bottom" in inches, a non-empty frame inside what FIX32 holds.
std::optional<FrameInches> FrameOf(const std::string& text) {
    double values[4];
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const size_t comma = text.find(',', start);
        const bool last = i == 3;
        if (last != (comma == std::string::npos)) return std::nullopt;
        const std::string part = text.substr(start, last ? std::string::npos : comma - start);
        auto value = Number(part, 0.0, 32767.0);
        if (!value) return std::nullopt;
        values[i] = *value;
        start = comma + 1;
    }
    if (values[2] <= values[0] || values[3] <= values[1]) return std::nullopt;
    return FrameInches{values[0], values[1], values[2], values[3]};
}

std::optional<TransferKind> TransferOf(const std::string& text) {
    const std::string name = Lower(text);
    if (name == "native") return TransferKind::Native;
    if (name == "file") return TransferKind::File;
    if (name == "memory") return TransferKind::Memory;
    return std::nullopt;
}

std::optional<MemoryBufferKind> MemoryBufferOf(const std::string& text) {
    const std::string name = Lower(text);
    if (name == "app-pointer") return MemoryBufferKind::AppPointer;
    if (name == "app-handle") return MemoryBufferKind::AppHandle;
    if (name == "source-pointer") return MemoryBufferKind::SourcePointer;
    if (name == "source-handle") return MemoryBufferKind::SourceHandle;
    return std::nullopt;
}

// "usb", or four dotted numbers 0..255.
std::optional<std::string> DeviceOf(const std::string& text) {
    if (Lower(text) == "usb") return std::string("usb");
    size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t dot = text.find('.', start);
        const bool last = part == 3;
        if (last != (dot == std::string::npos)) return std::nullopt;
        const std::string number = text.substr(start, last ? std::string::npos : dot - start);
        if (number.empty() || number.size() > 3 ||
            number.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        if (std::stoi(number) > 255) return std::nullopt;
        start = dot + 1;
    }
    return text;
}

std::optional<ParentPassing> ParentPassingOf(const std::string& text) {
    const std::string name = Lower(text);
    if (name == "auto") return ParentPassing::Auto;
    if (name == "handle") return ParentPassing::Handle;
    if (name == "pointer") return ParentPassing::Pointer;
    return std::nullopt;
}

// One flag that takes a value: stores it and says whether it was acceptable.
using ValueSetter = std::function<bool(ScanOptions&, const std::string&)>;

template <typename T>
bool Store(std::optional<T> parsed, T& into) {
    if (!parsed) return false;
    into = *parsed;
    return true;
}

template <typename T>
bool StoreOptional(std::optional<T> parsed, std::optional<T>& into) {
    if (!parsed) return false;
    into = parsed;
    return true;
}

const std::map<std::string, ValueSetter>& ValueFlags() {
    static const std::map<std::string, ValueSetter> flags = {
        {"--dsm",
         [](ScanOptions& o, const std::string& v) {
             return !v.empty() && Store(std::optional(v), o.managerLibrary);
         }},
        {"--dsm-parent",
         [](ScanOptions& o, const std::string& v) { return Store(ParentPassingOf(v), o.parentPassing); }},
        {"--source",
         [](ScanOptions& o, const std::string& v) {
             return !v.empty() && v.size() < 34 && Store(std::optional(v), o.source);
         }},
        {"--pixel-type",
         [](ScanOptions& o, const std::string& v) { return StoreOptional(PixelTypeOf(v), o.pixelType); }},
        {"--resolution",
         [](ScanOptions& o, const std::string& v) {
             return StoreOptional(Number(v, 1.0, 32767.0), o.resolution);
         }},
        {"--paper-size",
         [](ScanOptions& o, const std::string& v) { return StoreOptional(PaperSizeOf(v), o.paperSize); }},
        {"--frame", [](ScanOptions& o, const std::string& v) { return StoreOptional(FrameOf(v), o.frame); }},
        {"--brightness",
         [](ScanOptions& o, const std::string& v) {
             return StoreOptional(Number(v, -1000.0, 1000.0), o.brightness);
         }},
        {"--contrast",
         [](ScanOptions& o, const std::string& v) {
             return StoreOptional(Number(v, -1000.0, 1000.0), o.contrast);
         }},
        {"--count",
         [](ScanOptions& o, const std::string& v) {
             if (Lower(v) == "all") {
                 o.count = static_cast<TW_INT16>(-1);
                 return true;
             }
             auto n = Integer(v, -1, 32767);
             if (!n || *n == 0) return false;
             o.count = static_cast<TW_INT16>(*n);
             return true;
         }},
        {"--transfer", [](ScanOptions& o, const std::string& v) { return Store(TransferOf(v), o.transfer); }},
        {"--buffer-size",
         [](ScanOptions& o, const std::string& v) {
             auto n = Integer(v, 1, 0x7fffffffL);
             if (!n) return false;
             o.bufferSize = static_cast<TW_UINT32>(*n);
             return true;
         }},
        {"--memory-buffer",
         [](ScanOptions& o, const std::string& v) { return Store(MemoryBufferOf(v), o.memoryBuffer); }},
        {"--timeout",
         [](ScanOptions& o, const std::string& v) {
             auto n = Integer(v, 0, 86400);
             if (!n) return false;
             o.timeoutSeconds = static_cast<int32_t>(*n);
             return true;
         }},
        {"--output", [](ScanOptions& o,
                        const std::string& v) { return !v.empty() && Store(std::optional(v), o.output); }},
        {"--format",
         [](ScanOptions& o, const std::string& v) { return StoreOptional(FormatFromName(v), o.formatFlag); }},
        {"--quality",
         [](ScanOptions& o, const std::string& v) {
             auto n = Integer(v, 1, 100);
             if (!n) return false;
             o.quality = static_cast<int>(*n);
             return true;
         }},
        {"--batch-start",
         [](ScanOptions& o, const std::string& v) {
             auto n = Integer(v, 0, 999999999);
             if (!n) return false;
             o.batchStart = static_cast<int>(*n);
             return true;
         }},
        {"--device",
         [](ScanOptions& o, const std::string& v) { return StoreOptional(DeviceOf(v), o.device); }},
    };
    return flags;
}

const char* const switchFlags[] = {"--help",    "--list",         "--verbose", "--show-ui",
                                   "--no-ui",   "--feeder",       "--flatbed", "--duplex",
                                   "--simplex", "--list-options", "--progress"};

// Flags without a value.
bool ApplySwitch(ScanOptions& o, const std::string& flag) {
    if (flag == "--help" || flag == "-h")
        o.help = true;
    else if (flag == "--list" || flag == "-l")
        o.list = true;
    else if (flag == "--verbose" || flag == "-v")
        o.verbose = true;
    else if (flag == "--show-ui")
        o.showUi = true;
    else if (flag == "--no-ui")
        o.showUi = false;
    else if (flag == "--feeder")
        o.feeder = true;
    else if (flag == "--flatbed")
        o.feeder = false;
    else if (flag == "--duplex")
        o.duplex = true;
    else if (flag == "--simplex")
        o.duplex = false;
    else if (flag == "--list-options" || flag == "-A")
        o.listOptions = true;
    else if (flag == "--progress" || flag == "-p")
        o.progress = true;
    else
        return false;
    return true;
}

}  // namespace

ParsedOptions ParseScanOptions(const std::vector<std::string>& args) {
    ParsedOptions result;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string flag = args[i];
        if (flag == "-o") flag = "--output";
        if (flag == "-s") flag = "--source";
        std::optional<std::string> inlineValue;
        if (const size_t equals = flag.find('='); flag.rfind("--", 0) == 0 && equals != std::string::npos) {
            inlineValue = flag.substr(equals + 1);
            flag = flag.substr(0, equals);
        }
        if (!inlineValue && ApplySwitch(result.options, flag)) continue;
        auto setter = ValueFlags().find(flag);
        if (setter == ValueFlags().end()) {
            result.error = "unknown option '" + args[i] + "' (see --help)";
            return result;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                result.error = "option " + flag + " needs a value (see --help)";
                return result;
            }
            inlineValue = args[++i];
        }
        if (!setter->second(result.options, *inlineValue)) {
            result.error = "bad value '" + *inlineValue + "' for " + flag + " (see --help)";
            return result;
        }
    }
    ScanOptions& o = result.options;
    if (o.memoryBuffer != MemoryBufferKind::AppPointer && o.transfer != TransferKind::Memory) {
        result.error = "--memory-buffer applies to --transfer memory only";
        return result;
    }
    // Everything about the output is settled here, before any device is asked to scan.
    const bool toPipe = o.output == StandardOutputPath;
    if (!toPipe) {
        result.error = CheckPagePattern(o.output);
        if (!result.error.empty()) return result;
    }
    if (o.formatFlag) {
        o.format = *o.formatFlag;
    } else if (auto byName = FormatFromPath(o.output)) {
        o.format = *byName;
    } else {
        result.error = toPipe ? "standard output (-o -) needs --format png or --format jpeg"
                              : "cannot tell the image format from '" + o.output +
                                    "': name it .png, .tif, .jpg, .bmp or .pdf, or give --format";
        return result;
    }
    if (toPipe && !StreamsToPipe(o.format)) {
        result.error = std::string(FormatName(o.format)) +
                       " cannot be written to standard output (it needs a file it can go back into); "
                       "use --format png or jpeg, or -o FILE";
        return result;
    }
    result.ok = true;
    return result;
}

std::vector<std::string> KnownFlags() {
    std::vector<std::string> flags(std::begin(switchFlags), std::end(switchFlags));
    for (const auto& entry : ValueFlags()) flags.push_back(entry.first);
    return flags;
}

std::string PagePath(const std::string& pattern, int page) {
    if (page == 1 && !HasNumberField(pattern)) return LiteralPath(pattern);
    return NumberedPagePath(pattern, page);
}

uint32_t WaitLimitMs(const ScanOptions& options) {
    if (options.timeoutSeconds) return static_cast<uint32_t>(*options.timeoutSeconds) * 1000u;
    return options.showUi ? 0u : DefaultWaitSeconds * 1000u;
}

std::string UsageText() {
    return R"(Usage: twscan [options]

Scans through the platform's TWAIN Data Source Manager and writes the pages
as BMP, PNG, TIFF, JPEG or PDF files. Without options it opens
"Tarvik4100 TWAIN", scans with the source's current settings by native
transfer, without showing its interface, and writes scan.bmp.

  twscan -o page.png --resolution 300 --pixel-type gray
  twscan --feeder --count all -o letters.pdf          (the whole feeder, one PDF)
  twscan --device 192.168.1.20 --list-options

Sources and scanners:
  -l, --list               list the sources the manager knows, and the scanner
                           the Tarvik4100 source will use, then exit
  -A, --list-options       open the source and list every capability it offers
                           with its allowed, current and default values, then exit
      --device ADDRESS     the Tarvik4100 on the network at this IPv4 address,
      --device usb         or the one on USB: saved in the source's settings
                           before it is loaded; its device selection then tests
                           that scanner by itself
  -s, --source NAME        open the source with this product name
                           (default "Tarvik4100 TWAIN")
      --dsm LIBRARY        the manager library to load (default TWAIN_32.DLL)
      --dsm-parent MODE    how MSG_OPENDSM passes the parent window: auto
                           (default: the handle itself for Wine's manager, a
                           pointer to it for any other), handle or pointer

Negotiation (a value the source refuses ends the run with exit code 5; see
--list-options for the values it takes):
      --pixel-type TYPE    bw, gray or color (ICAP_PIXELTYPE)
      --resolution DPI     dots per inch, both directions (ICAP_X/YRESOLUTION)
      --paper-size SIZE    a4, a5, a3, b4, b5, b6, a6, letter, legal, ledger,
                           executive, none, or a TWSS number (ICAP_SUPPORTEDSIZES)
      --frame L,T,R,B      scan area in inches from the top left corner, set
                           through DAT_IMAGELAYOUT after the resolution (asks
                           for paper size "none" first unless --paper-size is given)
      --brightness N       ICAP_BRIGHTNESS, -1000..1000 as the source allows
                           (the Tarvik4100 takes -100..100)
      --contrast N         ICAP_CONTRAST, likewise
      --count N            pages to transfer: a number, or "all" / -1 for every
                           page the source offers (CAP_XFERCOUNT); twscan also
                           stops by itself after N pages
      --feeder, --flatbed  use the document feeder, or not (CAP_FEEDERENABLED)
      --duplex, --simplex  scan both sides in the feeder, or not (CAP_DUPLEXENABLED)

Transfer:
      --transfer MECH      native (default), file or memory (ICAP_XFERMECH);
                           memory keeps twscan's own memory near one strip at
                           any resolution (native hands over the whole page)
      --buffer-size BYTES  memory transfer: bytes per strip (default: the
                           source's preferred size from DAT_SETUPMEMXFER)
      --memory-buffer KIND memory transfer: app-pointer (default), app-handle,
                           source-pointer or source-handle (TWMF_... flags)
      --show-ui            show the source's own interface and transfer every
                           page scanned from it, with the source's progress
                           dialog, until it is closed (no time limit unless
                           --timeout)
      --no-ui              do not show it (default)
      --timeout SECONDS    how long the source may take to open (its device
                           test included) and to offer each page; default 30
                           without the interface, none with it; 0 = no limit.
                           When no scanner answers in time twscan closes the
                           device selection and ends with exit code 11
  -p, --progress           progress lines on standard error while scanning

Output:
  -o, --output PATH        the file to write (default scan.bmp); "-" is
                           standard output (PNG and JPEG only, with --format).
                           A batch in PNG, JPEG or BMP gets a file per page:
                           a number field in PATH (%d, %3d, %03d; %% for a
                           percent sign) takes the page number; without one
                           the pages are PATH-1, PATH-2... before the
                           extension (a single page keeps PATH itself).
                           TIFF and PDF take the whole batch into one file.
                           PATH is checked before the scan starts.
      --format FORMAT      png, tiff, jpeg, bmp or pdf; default: from the
                           extension of PATH (.png .tif .tiff .jpg .jpeg .bmp .pdf)
      --quality N          JPEG quality 1..100 (default 90), also for the
                           colour and grey pages of a PDF; handed to the
                           platform's JPEG encoder (Wine 8's ignores it)
      --batch-start N      number of the first page of a batch (default 1);
                           with it every page is numbered, the first one too
  -v, --verbose            print every call to the manager and its result,
                           and the peak memory at the end
  -h, --help               print this text

Formats: every file carries the scan's resolution. PNG, TIFF and JPEG are
written through the Windows Imaging Component, strip by strip as the rows
arrive. BMP stores its rows bottom-up: it is written by placing each strip,
so it needs a file (not standard output). PDF has one page per sheet at its
scanned size, JPEG for colour and grey and lossless deflate for black and
white; each page is encoded into a temporary file while it arrives and added
when complete, so a failed page leaves the earlier ones readable. TIFF and
PDF need a file as well. JPEG stores black and white as grey. A native
transfer hands twscan the whole page at once, whatever the format.

Exit codes:
  0  every page was scanned and written
  2  bad command line (also a format that cannot go where asked, such as PDF
     to standard output)
  3  the manager could not be loaded or opened
  4  the source is not installed or could not be opened (also --list with no source)
  5  the source refused a setting
  6  the source could not be enabled (device unreachable, empty feeder...)
  7  the scan was cancelled (by the user or the device), or the source asked
     to close before any page
  8  a transfer failed, or the source delivered an image twscan cannot read
  9  an output file could not be written (checked before the scan too)
  10 the source offered no page within the time limit
  11 no scanner answered within the time limit while the source opened
)";
}
