// Whole scans from the simulated device over loopback, through the source's
// own transfer handlers, against the raw loopback transfer of the same bytes
// measured in the same run: the median of five scans of each kind, with
// their range, and the peak of private memory one more scan of the kind adds
// beside the image size. Prints figures; not a test.
// winsock2.h before windows.h, psapi.h after it.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/handlers.h"
#include "core/startup.h"
#include "core/ui_callbacks.h"
#include "device/device_link.h"
#include "scan/chunk_worker.h"
#include "scan/scan_settings.h"
#include "tests/support/sim_client.h"

extern "C" TW_UINT16 TW_CALLINGSTYLE DS_Entry(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF);

namespace {

TW_IDENTITY Application() {
    TW_IDENTITY app{};
    app.Id = 77;
    strcpy(app.ProductName, "scan benchmark");
    return app;
}

TW_UINT16 Call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    TW_IDENTITY app = Application();
    return DS_Entry(&app, group, dat, msg, data);
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Opens the source on the device at 'port', as a scripted application would.
bool OpenSource(int port) {
    GetUiCallbacks()->ChooseDevice = [] { return 0; };
    char address[20] = "127.0.0.1";
    SetTransportKind(1);
    SetLinkAddress(address);
    SetLinkPort(static_cast<uint16_t>(port));
    uint8_t identity[29] = {0x02};
    memcpy(identity + 1, "Tarvik4100", 11);
    memcpy(identity + 12, "MorvelTarvik4100", 17);
    SetLinkIdentity(identity, sizeof identity);
    TW_IDENTITY app = Application();
    TW_IDENTITY ds = GetCoreContext()->dsIdentity;
    ds.Id = 78;
    return DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds) == TWRC_SUCCESS;
}

void Configure(int resolutionIndex, bool heavy) {
    SetPixelType(3);
    SetResolutionIndex(resolutionIndex);
    SetPaperSizeCode(2);  // A4
    ScanSettings* s = GetScanSettings();
    ResetAdjustments(s);
    if (heavy) {
        s->descreen = 1;
        s->curveMode = 1;
        s->curveGamma = 40;
        for (int i = 0; i < 9; ++i) s->balance[i] = (i % 3 - 1) * 20;
        s->hue = 30;
        s->saturation = 20;
        s->lightness = 10;
    }
    TW_USERINTERFACE ui{0, 0, nullptr};
    Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr);
    Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
}

// One native or memory transfer; returns seconds, or a negative number when it failed.
double TimedScan(bool memory) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (!memory) {
        TW_UINT32 handle = 0;
        if (Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle) != TWRC_XFERDONE) return -1;
        QueryPerformanceCounter(&end);
        GlobalFree(reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handle)));
        return Seconds(start, end);
    }
    std::vector<uint8_t> buffer(1048320);
    TW_UINT16 rc = TWRC_SUCCESS;
    while (rc == TWRC_SUCCESS) {
        TW_IMAGEMEMXFER xfer{};
        xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        xfer.Memory.Length = static_cast<TW_UINT32>(buffer.size());
        xfer.Memory.TheMem = buffer.data();
        rc = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
    }
    QueryPerformanceCounter(&end);
    return rc == TWRC_XFERDONE ? Seconds(start, end) : -1;
}

// The process's private memory: its private commit where the system keeps
// it, else (Wine on Linux reports no commit) its working set, which the
// scan's buffers enter as soon as they are filled.
uint64_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters)) {
        return 0;
    }
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.WorkingSetSize;
}

// The most private memory the process held while a scan ran, above what it
// held before: sampled every few milliseconds, since the process's own peak
// cannot be reset between scans. The scan's buffers live for most of it.
class PeakMemory {
   public:
    PeakMemory() : before_(PrivateBytes()), peak_(before_) {
        sampler_ = std::thread([this] {
            while (!stop_.load()) {
                const uint64_t now = PrivateBytes();
                if (now > peak_.load()) peak_.store(now);
                Sleep(2);
            }
        });
    }
    // Stops sampling; the peak above the starting level.
    uint64_t Finish() {
        stop_.store(true);
        sampler_.join();
        return peak_.load() - before_;
    }

   private:
    uint64_t before_;
    std::atomic<uint64_t> peak_;
    std::atomic<bool> stop_{false};
    std::thread sampler_;
};

// The ceiling: the same number of bytes sent over a loopback TCP connection
// in the device's read size and received straight into one buffer.
double RawLoopbackSeconds(uint64_t bytes) {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    listen(listener, 1);
    std::thread sender([&] {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
        std::vector<char> chunk(524286, 'x');
        for (uint64_t sent = 0; sent < bytes;) {
            int n =
                send(s, chunk.data(), static_cast<int>(std::min<uint64_t>(chunk.size(), bytes - sent)), 0);
            if (n <= 0) break;
            sent += static_cast<uint64_t>(n);
        }
        closesocket(s);
    });
    SOCKET receiver = accept(listener, nullptr, nullptr);
    std::vector<char> image(static_cast<size_t>(bytes));
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    uint64_t received = 0;
    while (received < bytes) {
        int n = recv(receiver, image.data() + received,
                     static_cast<int>(std::min<uint64_t>(524286, bytes - received)), 0);
        if (n <= 0) break;
        received += static_cast<uint64_t>(n);
    }
    QueryPerformanceCounter(&end);
    sender.join();
    closesocket(receiver);
    closesocket(listener);
    return Seconds(start, end);
}

}  // namespace

// Every figure of one kind of page; 1 when a scan failed.
int MeasurePages(const char* content) {
    // One scan is at the mercy of whatever else the machine runs at that
    // moment; the median of several, with their range, is a figure to compare.
    constexpr int Repetitions = 5;
    printf("%-34s %7s %11s %17s %9s %7s %12s\n", (std::string("A4 colour scan, ") + content).c_str(), "MB",
           "source MB/s", "(min - max)", "raw MB/s", "ratio", "peak priv MB");
    const struct {
        int resolutionIndex;
        const char* dpi;
    } resolutions[] = {{4, "300 dpi"}, {6, "600 dpi"}};
    int status = 0;
    // Heavy scans twice: with the adjustment beside the reading, and all on
    // the scan thread, to show what the overlap gives on this machine. The
    // kinds take turns scan by scan (in a rotating order), so a busy spell
    // of the machine falls on all of them alike.
    enum Kind { Neutral, Heavy, HeavyInline, KindCount };
    const char* const kindNames[] = {"neutral", "heavy", "heavy, inline"};
    struct Series {
        std::vector<double> source, raw;
        double mb = 0;
        double peak = 0;
    };
    for (const auto& r : resolutions) {
        // The device renders a page once and keeps it: a first scan, not
        // timed, so that the timed ones measure the source, not the rendering.
        Configure(r.resolutionIndex, false);
        if (TimedScan(false) < 0) status = 1;
        for (bool memory : {false, true}) {
            Series series[KindCount];
            bool failed[KindCount] = {};
            // The last round only samples memory: the sampler asks the
            // system every few milliseconds, which would slow the timed scans.
            for (int i = 0; i <= Repetitions; ++i) {
                const bool sampling = i == Repetitions;
                for (int turn = 0; turn < KindCount; ++turn) {
                    const int kind = (turn + i) % KindCount;
                    if (failed[kind]) continue;
                    AllowChunkOverlap(kind != HeavyInline);
                    Configure(r.resolutionIndex, kind != Neutral);
                    Series& x = series[kind];
                    if (sampling) {
                        PeakMemory memoryUse;
                        failed[kind] = TimedScan(memory) < 0;
                        x.peak = static_cast<double>(memoryUse.Finish()) / 1e6;
                        continue;
                    }
                    const double seconds = TimedScan(memory);
                    if (seconds < 0) {
                        failed[kind] = true;
                        continue;
                    }
                    const uint64_t bytes =
                        3ull * GetCoreContext()->deviceLineWidth * GetCoreContext()->deviceLineCount;
                    x.mb = static_cast<double>(bytes) / 1e6;
                    x.source.push_back(x.mb / seconds);
                    x.raw.push_back(x.mb / RawLoopbackSeconds(bytes));
                }
            }
            AllowChunkOverlap(true);
            for (int kind = 0; kind < KindCount; ++kind) {
                char label[64];
                snprintf(label, sizeof label, "%s %s %s", r.dpi, memory ? "memory" : "native",
                         kindNames[kind]);
                Series& x = series[kind];
                if (failed[kind]) {
                    printf("%-34s failed\n", label);
                    status = 1;
                    continue;
                }
                std::sort(x.source.begin(), x.source.end());
                std::sort(x.raw.begin(), x.raw.end());
                const double medianSource = x.source[Repetitions / 2];
                const double medianRaw = x.raw[Repetitions / 2];
                printf("%-34s %7.1f %11.1f   (%6.1f - %6.1f) %9.1f %7.2f %12.1f\n", label, x.mb, medianSource,
                       x.source.front(), x.source.back(), medianRaw, medianSource / medianRaw, x.peak);
            }
        }
    }
    return status;
}

int main() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    StartUp(GetModuleHandleA(nullptr));
    int status = 0;
    for (const char* content : {"chart", "photo", "noise"}) {
        SimulatedDevice device;
        std::string why;
        if (!StartSimulatedDevice(std::string("--sheets 0 --content ") + content, &device, &why)) {
            printf("scan_bench: %s\n", why.c_str());
            return 1;
        }
        if (!OpenSource(device.port)) {
            printf("scan_bench: the source did not open on the simulated device\n");
            return 1;
        }
        status |= MeasurePages(content);
        Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        StopSimulatedDevice(&device);
    }
    return status;
}
