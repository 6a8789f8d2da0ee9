// twscan: scans from a TWAIN source through the platform's Data Source
// Manager and writes the pages as BMP, PNG, TIFF, JPEG or PDF files.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it builds on.
#include <psapi.h>

#include <cstdio>

#include "tools/twscan/console.h"
#include "tools/twscan/device_choice.h"
#include "tools/twscan/dsm_session.h"
#include "tools/twscan/image_output.h"
#include "tools/twscan/negotiation.h"
#include "tools/twscan/open_watchdog.h"
#include "tools/twscan/scan_options.h"
#include "tools/twscan/transfers.h"
#include "tools/twscan/twain_text.h"
#include "tools/twscan/twscan_error.h"
#include "tools/twscan/wic_writer.h"

namespace {

constexpr const char* TarvikSource = "Tarvik4100 TWAIN";

template <size_t N>
std::string Text(const char (&field)[N]) {
    return PrintableText(field, N);
}

int ListSources(DsmSession& session) {
    const std::vector<TW_IDENTITY> sources = session.ListSources();
    for (const TW_IDENTITY& source : sources) {
        Say("%s\t%s\t%s\t%s\n", Text(source.ProductName).c_str(), Text(source.Version.Info).c_str(),
            Text(source.Manufacturer).c_str(), Text(source.ProductFamily).c_str());
        if (Text(source.ProductName) == TarvikSource) {
            Say("  scanner: %s (the source tests it when it opens; choose with --device ADDRESS or "
                "--device usb)\n",
                SavedDeviceText().c_str());
        }
    }
    if (sources.empty()) {
        std::fprintf(stderr, "twscan: the manager knows no TWAIN source\n");
        return ExitSource;
    }
    return ExitOk;
}

// "no scanner answered at 192.168.1.20 within 30 s", for the source in use.
std::string NoScannerText(const ScanOptions& options, uint32_t limitMs) {
    const std::string within = " within " + std::to_string(limitMs / 1000) + " s";
    if (options.source != TarvikSource) return "the source \"" + options.source + "\" did not open" + within;
    const std::string where = SavedDeviceWhere();
    return "no scanner answered" + (where.empty() ? std::string() : " " + where) + within +
           " (choose one with --device ADDRESS or --device usb; see --list)";
}

void OpenSource(DsmSession& session, const ScanOptions& options) {
    // With the interface shown the user may take any time over the choice.
    const uint32_t limitMs = options.showUi && !options.timeoutSeconds ? 0 : WaitLimitMs(options);
    const std::string message = NoScannerText(options, limitMs);
    OpenWatchdog watchdog(limitMs, session.Window(), message, ExitNoScanner);
    session.OpenSource(options.source);
    // The dialog closed by the watchdog let the source open without a device.
    if (watchdog.Disarm()) throw TwscanError(ExitNoScanner, message);
}

void Enable(DsmSession& session, const ScanOptions& options) {
    const uint32_t limitMs = options.showUi ? 0 : WaitLimitMs(options);
    OpenWatchdog watchdog(limitMs, session.Window(), NoScannerText(options, limitMs), ExitNoScanner);
    session.Enable(options.showUi);
}

// Enables the source and transfers what it offers; returns how many pages
// were written. With the interface the user may scan again and again until
// closing it.
int Scan(DsmSession& session, const ScanOptions& options, ImageOutput& output) {
    Enable(session, options);
    int written = 0;
    for (;;) {
        const TW_UINT16 message = session.WaitForSourceMessage(WaitLimitMs(options));
        if (message == MSG_NULL) {
            throw TwscanError(ExitTimeout, "the source offered no page within the time limit (--timeout)");
        }
        if (message == MSG_CLOSEDSREQ) {
            if (written == 0)
                throw TwscanError(ExitCancelled, "the source asked to close before any page was scanned");
            break;
        }
        written += TransferPages(session, options, output, written);
        if (!options.showUi) break;
        if (options.count && *options.count > 0 && written >= *options.count) break;
    }
    session.Disable();
    return written;
}

void ReportMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        Say("peak memory: %lu MB (working set)\n",
            static_cast<unsigned long>(counters.PeakWorkingSetSize >> 20));
    }
}

int Run(const ScanOptions& options) {
    const ComScope com;
    ImageOutput output(options);
    const bool scanning = !options.list && !options.listOptions;
    if (scanning) output.CheckBeforeScan();
    if (options.device) SaveDeviceChoice(*options.device);
    DsmSession session(options);
    session.OpenManager();
    if (options.list) return ListSources(session);
    OpenSource(session, options);
    if (options.listOptions) {
        ListCapabilities(session);
        return ExitOk;
    }
    Negotiate(session, options);
    int written = 0;
    try {
        written = Scan(session, options, output);
    } catch (const TwscanError&) {
        // Pages already finished stay in the batch's file.
        try {
            const std::string kept = output.Finish();
            if (!kept.empty())
                std::fprintf(stderr, "twscan: the pages scanned before were kept in %s\n", kept.c_str());
        } catch (const TwscanError& failure) {
            std::fprintf(stderr, "twscan: %s\n", failure.what());
        }
        throw;
    }
    const std::string document = output.Finish();
    if (!document.empty())
        Say("%d page(s) written to %s\n", written, document.c_str());
    else
        Say("%d page(s) written\n", written);
    if (options.verbose) ReportMemory();
    return ExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    // Plain line ends on both streams, as scripts and pipes expect.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    setvbuf(stdout, nullptr, _IONBF, 0);
    const ParsedOptions parsed = ParseScanOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok) {
        std::fprintf(stderr, "twscan: %s\n", parsed.error.c_str());
        return ExitUsage;
    }
    if (parsed.options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return ExitOk;
    }
    SendReportsToStandardError(parsed.options.output == StandardOutputPath);
    try {
        return Run(parsed.options);
    } catch (const TwscanError& failure) {
        std::fprintf(stderr, "twscan: %s\n", failure.what());
        return failure.Code();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "twscan: %s\n", failure.what());
        return ExitTransfer;
    }
}
