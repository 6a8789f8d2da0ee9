// A bounded chaos campaign: each seed gives the simulator one fault somewhere
// in a scan session (see tarvik-sim --chaos). Whatever the fault, the session
// ends with the announced page or a clear failure, in bounded time, leaves no
// partial file, and a normal scan works afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/core_context.h"
#include "device/device_link.h"
#include "tests/support/sim_client.h"
#include "tests/win/win_test_support.h"

namespace {

constexpr TW_UINT32 ChaosApp = 62;
constexpr uint8_t ExchangeTimeoutSeconds = 2;
// A fault costs at most a few exchange time-outs (the faulted one, and the
// link's release behind it); far above that is a hang.
constexpr DWORD HangBoundMs = 6 * ExchangeTimeoutSeconds * 1000 + 20000;

enum class Mechanism { Native, File, Memory };
const char* const MechanismNames[] = {"native", "file", "memory"};

std::vector<int32_t> reports;
void RecordReport(int32_t status) { reports.push_back(status); }

TW_UINT16 Call(TW_UINT16 dat, TW_UINT32 group, TW_UINT16 msg, TW_MEMREF data) {
    TW_IDENTITY app = AppIdentity(ChaosApp);
    return DS_Entry(&app, group, dat, msg, data);
}

std::string TempFile(uint32_t seed) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "tarvik-chaos-" + std::to_string(seed) + ".bmp";
}

// The size of the file at path, or -1 when there is none.
int64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) return -1;
    return (int64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
}

uint32_t RowLength(const TW_IMAGEINFO& info, bool aligned) {
    const uint32_t packed = (static_cast<uint32_t>(info.ImageWidth) * info.BitsPerPixel + 7) / 8;
    return aligned ? (packed + 3) / 4 * 4 : packed;
}

struct Outcome {
    TW_UINT16 rc = TWRC_FAILURE;
    std::string step;  // where the session ended
};

// Opens the source on the device and brings it to state 6 without interface,
// asks for the image info and transfers one page; every step may meet the fault.
class ChaosSession {
   public:
    ChaosSession(int port, uint32_t seed, Mechanism mechanism) : seed_(seed), mechanism_(mechanism) {
        ResetSource();
        PointLinkAtLoopbackDevice(static_cast<uint16_t>(port));
        SetLinkTimeout(ExchangeTimeoutSeconds);
        GetUiCallbacks()->ReportDeviceStatus = RecordReport;
        reports.clear();
    }
    ~ChaosSession() {
        if (GetCoreContext()->state >= StateOpen) Call(DAT_IDENTITY, DG_CONTROL, MSG_CLOSEDS, nullptr);
        SetLinkTimeout(0);
    }

    Outcome Run() {
        if (OpenSourceWithChoice(ChaosApp, 0) != TWRC_SUCCESS) return {TWRC_FAILURE, "open"};
        SetPixelType(3);
        SetResolutionIndex(2);
        SetPaperSizeCode(255);
        SetCustomArea(30, 45, 600, 400);  // colour beyond 512 KB, so the stop key is polled once
        SetPaperSource(0);
        TW_USERINTERFACE ui{0, 0, nullptr};
        if (Call(DAT_USERINTERFACE, DG_CONTROL, MSG_ENABLEDS, &ui) != TWRC_SUCCESS)
            return {TWRC_FAILURE, "enable"};
        if (Call(DAT_IMAGEINFO, DG_IMAGE, MSG_GET, &info_) != TWRC_SUCCESS)
            return {TWRC_FAILURE, "imageinfo"};
        const size_t reportsBefore = reports.size();
        Outcome out{Transfer(), "transfer"};
        if (out.rc == TWRC_FAILURE) {
            const TW_UINT16 cc = GetCoreContext()->conditionCode;
            // A native transfer checks the device before its job starts.
            const bool beforeJob = mechanism_ == Mechanism::Native && cc == TWCC_CHECKDEVICEONLINE;
            EXPECT_TRUE(cc == TWCC_OPERATIONERROR || cc == TWCC_LOWMEMORY || beforeJob) << cc;
        } else if (out.rc != TWRC_XFERDONE) {
            EXPECT_EQ(TWRC_CANCEL, out.rc);
            // Only the device's key (reported as 3 or 7) or a lack of memory (8) cancels on its own.
            EXPECT_GT(reports.size(), reportsBefore);
            const int32_t why = reports.size() > reportsBefore ? reports.back() : 0;
            EXPECT_TRUE(why == 3 || why == 7 || why == 8) << why;
        }
        return out;
    }

    const TW_IMAGEINFO& Info() const { return info_; }

   private:
    TW_UINT16 Transfer() {
        switch (mechanism_) {
            case Mechanism::Native:
                return Native();
            case Mechanism::File:
                return File();
            case Mechanism::Memory:
                return Memory();
        }
        return TWRC_FAILURE;
    }

    TW_UINT16 Native() {
        TW_UINT32 handle = 0;
        const TW_UINT16 rc = Call(DAT_IMAGENATIVEXFER, DG_IMAGE, MSG_GET, &handle);
        if (rc != TWRC_XFERDONE) return rc;
        auto block = reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handle));
        auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(block));
        EXPECT_NE(nullptr, header);
        if (header != nullptr) {
            EXPECT_EQ(info_.ImageWidth, header->biWidth);
            EXPECT_EQ(info_.ImageLength, header->biHeight);
            EXPECT_EQ(info_.BitsPerPixel, header->biBitCount);
            EXPECT_GE(GlobalSize(block),
                      40u + RowLength(info_, true) * static_cast<uint32_t>(info_.ImageLength));
            GlobalUnlock(block);
        }
        GlobalFree(block);
        return rc;
    }

    TW_UINT16 File() {
        const std::string path = TempFile(seed_);
        DeleteFileA(path.c_str());
        TW_SETUPFILEXFER setup{};
        snprintf(setup.FileName, sizeof setup.FileName, "%s", path.c_str());
        setup.Format = TWFF_BMP;
        EXPECT_EQ(TWRC_SUCCESS, Call(DAT_SETUPFILEXFER, DG_CONTROL, MSG_SET, &setup));
        const TW_UINT16 rc = Call(DAT_IMAGEFILEXFER, DG_IMAGE, MSG_GET, nullptr);
        const int64_t size = FileSize(path);
        if (rc == TWRC_XFERDONE) {
            EXPECT_EQ(54 + int64_t{RowLength(info_, true)} * info_.ImageLength, size) << "the announced page";
        } else {
            EXPECT_LE(size, 0) << "no partial file";
        }
        DeleteFileA(path.c_str());
        return rc;
    }

    TW_UINT16 Memory() {
        std::vector<uint8_t> buffer(65535);
        uint32_t rows = 0;
        TW_UINT16 rc = TWRC_SUCCESS;
        for (int calls = 0; calls < 10000 && rc == TWRC_SUCCESS; ++calls) {
            TW_IMAGEMEMXFER xfer{};
            xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
            xfer.Memory.Length = static_cast<TW_UINT32>(buffer.size());
            xfer.Memory.TheMem = buffer.data();
            rc = Call(DAT_IMAGEMEMXFER, DG_IMAGE, MSG_GET, &xfer);
            if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) break;
            EXPECT_EQ(static_cast<TW_UINT32>(info_.ImageWidth), xfer.Columns);
            EXPECT_EQ(rows, xfer.YOffset);
            rows += xfer.Rows;
        }
        if (rc == TWRC_XFERDONE) {
            EXPECT_EQ(static_cast<uint32_t>(info_.ImageLength), rows) << "every announced row";
        }
        return rc;
    }

    uint32_t seed_;
    Mechanism mechanism_;
    TW_IMAGEINFO info_{};
};

const char* Word(TW_UINT16 rc) {
    return rc == TWRC_XFERDONE  ? "page"
           : rc == TWRC_CANCEL  ? "cancel"
           : rc == TWRC_FAILURE ? "failure"
                                : "other";
}

// The fault the simulator picked, from its log line "NOTE conn=1 chaos seed=S fault=...".
std::string FaultOf(const std::string& log) {
    const size_t at = log.find("fault=");
    if (at == std::string::npos) return "?";
    return log.substr(at + 6, log.find('\n', at) - at - 6);
}

TEST(ChaosTest, EverySeedEndsInThePageOrAClearFailureAndTheNextScanWorks) {
    constexpr uint32_t FirstSeed = 1;
    constexpr uint32_t Seeds = 48;
    int pages = 0, failures = 0, cancels = 0;
    DWORD slowest = 0;
    for (uint32_t seed = FirstSeed; seed < FirstSeed + Seeds; ++seed) {
        const auto mechanism = static_cast<Mechanism>(seed % 3);
        SCOPED_TRACE("seed " + std::to_string(seed) + " " + MechanismNames[seed % 3]);
        SimulatedDevice device;
        std::string why;
        if (!StartSimulatedDevice("--chaos " + std::to_string(seed), &device, &why)) GTEST_SKIP() << why;
        Outcome out;
        const DWORD start = GetTickCount();
        {
            ChaosSession session(device.port, seed, mechanism);
            out = session.Run();
        }
        const DWORD elapsed = GetTickCount() - start;
        slowest = std::max(slowest, elapsed);
        EXPECT_LT(elapsed, HangBoundMs) << "a fault must not hang the session";
        pages += out.rc == TWRC_XFERDONE;
        failures += out.rc == TWRC_FAILURE;
        cancels += out.rc == TWRC_CANCEL;
        const std::string log = ReadSimulatorLog(device);
        printf("chaos seed %2u %-6s fault %-34s -> %-7s at %-9s %5lu ms\n", seed, MechanismNames[seed % 3],
               FaultOf(log).c_str(), Word(out.rc), out.step.c_str(), static_cast<unsigned long>(elapsed));

        // The device is healthy again: the same application scans normally.
        ChaosSession after(device.port, seed, Mechanism::Native);
        Outcome normal = after.Run();
        EXPECT_EQ(TWRC_XFERDONE, normal.rc) << "after the fault, at " << normal.step << "\n" << log;
        StopSimulatedDevice(&device);
        if (HasFatalFailure()) return;
    }
    printf("chaos: %u seeds, %d pages, %d failures, %d cancels, slowest %lu ms\n", Seeds, pages, failures,
           cancels, static_cast<unsigned long>(slowest));
}

}  // namespace
