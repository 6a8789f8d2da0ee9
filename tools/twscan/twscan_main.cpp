// twscan: scans from a TWAIN source through the platform's Data Source
// Manager and writes each page as a BMP file.
#include <cstdio>

#include "tools/twscan/dsm_session.h"
#include "tools/twscan/negotiation.h"
#include "tools/twscan/scan_options.h"
#include "tools/twscan/transfers.h"
#include "tools/twscan/twain_text.h"
#include "tools/twscan/twscan_error.h"

namespace {

template <size_t N>
std::string Text(const char (&field)[N]) {
    return PrintableText(field, N);
}

int ListSources(DsmSession& session) {
    const std::vector<TW_IDENTITY> sources = session.ListSources();
    for (const TW_IDENTITY& source : sources) {
        std::printf("%s\t%s\t%s\t%s\n", Text(source.ProductName).c_str(), Text(source.Version.Info).c_str(),
                    Text(source.Manufacturer).c_str(), Text(source.ProductFamily).c_str());
    }
    if (sources.empty()) {
        std::fprintf(stderr, "twscan: the manager knows no TWAIN source\n");
        return ExitSource;
    }
    return ExitOk;
}

// Enables the source and waits for its pages; returns how many were written.
int Scan(DsmSession& session, const ScanOptions& options) {
    session.Enable(options.showUi);
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
        written += TransferPages(session, options);
        // Without the interface one batch is all; with it the user may scan again until closing.
        if (!options.showUi) break;
    }
    session.Disable();
    return written;
}

int Run(const ScanOptions& options) {
    DsmSession session(options);
    session.OpenManager();
    if (options.list) return ListSources(session);
    session.OpenSource(options.source);
    Negotiate(session, options);
    const int written = Scan(session, options);
    std::printf("%d page(s) written\n", written);
    return ExitOk;
}

}  // namespace

int main(int argc, char** argv) {
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
