// A stand-in Data Source Manager with one built-in source, for driving
// twscan's transfers without a device: it lists "Fake Scanner", accepts every
// capability, offers FAKE_PAGES pages (default 1) of a 13 x 7 colour test
// image by native, file or memory transfer, and cancels page FAKE_CANCEL_PAGE
// when that is set. Enabled with its interface it plays a user who scans
// FAKE_UI_SCANS times (default 1) and then closes the window.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/twain.h"

namespace {

constexpr int Width = 13;
constexpr int Height = 7;
constexpr uint32_t PackedRow = 3 * Width;
constexpr uint32_t PaddedRow = (PackedRow + 3) / 4 * 4;

UINT readyMessage = 0;
UINT closeMessage = 0;
bool showingUi = false;
int uiScansLeft = 0;
TW_UINT16 mechanism = TWSX_NATIVE;
int pagesLeft = 0;
int page = 0;
uint32_t rowsSent = 0;
char fileName[256] = {};
TW_UINT16 condition = TWCC_SUCCESS;

int EnvNumber(const char* name, int fallback) {
    char text[32] = {};
    if (GetEnvironmentVariableA(name, text, sizeof text) == 0) return fallback;
    return std::atoi(text);
}

uint8_t Red(int x, int y) { return static_cast<uint8_t>(10 * x + y + page); }
uint8_t Green(int, int y) { return static_cast<uint8_t>(20 * y); }
uint8_t Blue(int x, int) { return static_cast<uint8_t>(255 - x); }

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The page as a packed DIB: header, then bottom-up BGR rows.
std::vector<uint8_t> Dib() {
    std::vector<uint8_t> dib(40 + PaddedRow * Height, 0);
    Put32(&dib[0], 40);
    Put32(&dib[4], Width);
    Put32(&dib[8], Height);
    dib[12] = 1;
    dib[14] = 24;
    Put32(&dib[20], PaddedRow * Height);
    Put32(&dib[24], 11811);
    Put32(&dib[28], 11811);
    for (int y = 0; y < Height; ++y) {
        uint8_t* row = &dib[40 + (Height - 1 - y) * PaddedRow];
        for (int x = 0; x < Width; ++x) {
            row[3 * x] = Blue(x, y);
            row[3 * x + 1] = Green(x, y);
            row[3 * x + 2] = Red(x, y);
        }
    }
    return dib;
}

TW_UINT16 Fail(TW_UINT16 cc) {
    condition = cc;
    return TWRC_FAILURE;
}

bool CancelThisPage() { return EnvNumber("FAKE_CANCEL_PAGE", 0) == page + 1; }

TW_UINT16 Capability(TW_UINT16 msg, TW_CAPABILITY* cap) {
    if (msg == MSG_SET) {
        TW_ONEVALUE one;
        std::memcpy(&one, GlobalLock(cap->hContainer), sizeof one);
        GlobalUnlock(cap->hContainer);
        if (cap->Cap == ICAP_XFERMECH) mechanism = static_cast<TW_UINT16>(one.Item);
        return TWRC_SUCCESS;
    }
    if (msg == MSG_GETCURRENT && cap->Cap == ICAP_XFERMECH) {
        cap->ConType = TWON_ONEVALUE;
        cap->hContainer = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
        TW_ONEVALUE one{TWTY_UINT16, mechanism};
        std::memcpy(GlobalLock(cap->hContainer), &one, sizeof one);
        GlobalUnlock(cap->hContainer);
        return TWRC_SUCCESS;
    }
    return Fail(TWCC_CAPUNSUPPORTED);
}

TW_UINT16 MemoryStrip(TW_IMAGEMEMXFER* xfer) {
    if (CancelThisPage()) return TWRC_CANCEL;
    TW_MEMORY memory;
    std::memcpy(&memory, &xfer->Memory, sizeof memory);
    const uint32_t rows = std::min<uint32_t>(memory.Length / PackedRow, Height - rowsSent);
    uint8_t* to = nullptr;
    HGLOBAL handle = nullptr;
    if ((memory.Flags & TWMF_DSOWNS) != 0) {
        handle = GlobalAlloc(GHND, memory.Length);
        memory.TheMem = (memory.Flags & TWMF_HANDLE) != 0 ? handle : GlobalLock(handle);
    }
    if ((memory.Flags & TWMF_HANDLE) != 0) {
        to = static_cast<uint8_t*>(GlobalLock(memory.TheMem));
    } else {
        to = static_cast<uint8_t*>(memory.TheMem);
    }
    for (uint32_t r = 0; r < rows; ++r) {
        const int y = static_cast<int>(rowsSent + r);
        for (int x = 0; x < Width; ++x) {
            to[r * PackedRow + 3 * x] = Red(x, y);
            to[r * PackedRow + 3 * x + 1] = Green(x, y);
            to[r * PackedRow + 3 * x + 2] = Blue(x, y);
        }
    }
    if ((memory.Flags & TWMF_HANDLE) != 0) GlobalUnlock(memory.TheMem);
    TW_IMAGEMEMXFER out{TWCP_NONE, PackedRow, Width, rows, 0, rowsSent, rows * PackedRow, memory};
    std::memcpy(xfer, &out, sizeof out);
    rowsSent += rows;
    if (rowsSent < Height) return TWRC_SUCCESS;
    rowsSent = 0;
    return TWRC_XFERDONE;
}

TW_UINT16 Source(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (group == DG_CONTROL) {
        switch (dat) {
            case DAT_CAPABILITY:
                return Capability(msg, static_cast<TW_CAPABILITY*>(data));
            case DAT_STATUS:
                static_cast<TW_STATUS*>(data)->ConditionCode = condition;
                return TWRC_SUCCESS;
            case DAT_USERINTERFACE:
                if (msg == MSG_ENABLEDS) {
                    pagesLeft = EnvNumber("FAKE_PAGES", 1);
                    page = 0;
                    showingUi = static_cast<TW_USERINTERFACE*>(data)->ShowUI != 0;
                    uiScansLeft = EnvNumber("FAKE_UI_SCANS", 1);
                    PostMessageA(nullptr, readyMessage, 0, 0);
                }
                return TWRC_SUCCESS;
            case DAT_EVENT: {
                // The source's messages reach the application only through here.
                auto* event = static_cast<TW_EVENT*>(data);
                const UINT message = static_cast<MSG*>(event->pEvent)->message;
                if (message == closeMessage) {
                    event->TWMessage = MSG_CLOSEDSREQ;
                    return TWRC_DSEVENT;
                }
                if (message != readyMessage) return TWRC_NOTDSEVENT;
                if (showingUi) pagesLeft = EnvNumber("FAKE_PAGES", 1);
                event->TWMessage = MSG_XFERREADY;
                return TWRC_DSEVENT;
            }
            case DAT_SETUPMEMXFER: {
                const TW_SETUPMEMXFER setup{PackedRow, 4 * PackedRow, 2 * PackedRow};
                std::memcpy(data, &setup, sizeof setup);
                return TWRC_SUCCESS;
            }
            case DAT_SETUPFILEXFER:
                std::memcpy(fileName, static_cast<TW_SETUPFILEXFER*>(data)->FileName, sizeof fileName);
                return TWRC_SUCCESS;
            case DAT_PENDINGXFERS: {
                auto* pending = static_cast<TW_PENDINGXFERS*>(data);
                pagesLeft = msg == MSG_RESET ? 0 : pagesLeft - 1;
                ++page;
                pending->Count = static_cast<TW_UINT16>(pagesLeft);
                // The user scans again from the interface, or closes it.
                if (showingUi && pagesLeft == 0)
                    PostMessageA(nullptr, --uiScansLeft > 0 ? readyMessage : closeMessage, 0, 0);
                return TWRC_SUCCESS;
            }
            default:
                return Fail(TWCC_BADPROTOCOL);
        }
    }
    switch (dat) {
        case DAT_IMAGEINFO: {
            TW_IMAGEINFO info{};
            info.XResolution = info.YResolution = TW_FIX32{300, 0};
            info.ImageWidth = Width;
            info.ImageLength = Height;
            info.SamplesPerPixel = 3;
            info.BitsPerSample[0] = info.BitsPerSample[1] = info.BitsPerSample[2] = 8;
            info.BitsPerPixel = 24;
            info.PixelType = TWPT_RGB;
            std::memcpy(data, &info, sizeof info);
            return TWRC_SUCCESS;
        }
        case DAT_IMAGENATIVEXFER: {
            if (CancelThisPage()) return TWRC_CANCEL;
            const std::vector<uint8_t> dib = Dib();
            HGLOBAL handle = GlobalAlloc(GHND, dib.size());
            std::memcpy(GlobalLock(handle), dib.data(), dib.size());
            GlobalUnlock(handle);
            *static_cast<TW_UINT32*>(data) = static_cast<TW_UINT32>(reinterpret_cast<uintptr_t>(handle));
            return TWRC_XFERDONE;
        }
        case DAT_IMAGEFILEXFER: {
            if (CancelThisPage()) return TWRC_CANCEL;
            const std::vector<uint8_t> dib = Dib();
            uint8_t header[14] = {'B', 'M'};
            Put32(header + 2, static_cast<uint32_t>(14 + dib.size()));
            Put32(header + 10, 54);
            HANDLE file = CreateFileA(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) return Fail(TWCC_OPERATIONERROR);
            DWORD written = 0;
            WriteFile(file, header, sizeof header, &written, nullptr);
            WriteFile(file, dib.data(), static_cast<DWORD>(dib.size()), &written, nullptr);
            CloseHandle(file);
            return TWRC_XFERDONE;
        }
        case DAT_IMAGEMEMXFER:
            return MemoryStrip(static_cast<TW_IMAGEMEMXFER*>(data));
        case DAT_IMAGELAYOUT:
            return TWRC_SUCCESS;
        default:
            return Fail(TWCC_BADPROTOCOL);
    }
}

TW_IDENTITY FakeIdentity() {
    TW_IDENTITY id{};
    id.Id = 1;
    std::strcpy(id.Version.Info, "fake 1");
    id.ProtocolMajor = 1;
    id.ProtocolMinor = 9;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(id.ProductName, "Fake Scanner");
    return id;
}

}  // namespace

extern "C" TW_UINT16 TW_CALLINGSTYLE DSM_Entry(pTW_IDENTITY, pTW_IDENTITY dest, TW_UINT32 group,
                                               TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (dest != nullptr) return Source(group, dat, msg, data);
    if (dat == DAT_PARENT) {
        readyMessage = RegisterWindowMessageA("FAKE TWAIN READY");
        closeMessage = RegisterWindowMessageA("FAKE TWAIN CLOSE");
        return TWRC_SUCCESS;
    }
    if (dat == DAT_STATUS) {
        static_cast<TW_STATUS*>(data)->ConditionCode = condition;
        return TWRC_SUCCESS;
    }
    if (dat != DAT_IDENTITY) return Fail(TWCC_BADPROTOCOL);
    static bool listed = false;
    switch (msg) {
        case MSG_GETFIRST:
            *static_cast<TW_IDENTITY*>(data) = FakeIdentity();
            listed = true;
            return TWRC_SUCCESS;
        case MSG_GETNEXT:
            return listed ? (listed = false, TWRC_ENDOFLIST) : TWRC_ENDOFLIST;
        case MSG_OPENDS:
        case MSG_CLOSEDS:
            return TWRC_SUCCESS;
        default:
            return Fail(TWCC_BADPROTOCOL);
    }
}
