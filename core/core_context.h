// The one global record of the core: identities, TWAIN state, transfer set-up,
// scan window, feeder state, scan settings, image buffers and device link.
#pragma once

#include <cstdint>

#include "core/twain.h"
#include "device/device_link.h"
#include "scan/scan_settings.h"

struct Transport;

struct CoreContext {
    TW_IDENTITY dsIdentity;
    TW_IDENTITY appIdentity;
    TW_UINT16 xferMech;
    TW_UINT16 pixelFlavor;
    TW_INT16 xferCount;
    TW_INT16 state;  // TWAIN state x 100
    TW_UINT16 conditionCode;
    TW_UINT16 statusReserved;
    char xferFileName[256];
    TW_UINT16 xferFileFormat;
    void* scanBlock;  // global memory handle of the current job's buffer
    CoreInfo coreInfo;
    ScanWindow scanWindow;
    int32_t deviceLineWidth;
    int32_t deviceLineCount;
    FeederState feederState;
    ScanSettings scan;
    ScanImage finalImage;
    ScanImage previewImage;
    int32_t pageIndex;
    int32_t transportKindSetting;  // 0 USB, 1 network
    Transport* openTransport;
    DeviceLink link;
    void* scanThread;
    int32_t closeRequested;
};

constexpr TW_INT16 StateLoaded = 300;
constexpr TW_INT16 StateOpen = 400;
constexpr TW_INT16 StateEnabled = 500;
constexpr TW_INT16 StateXferReady = 600;
constexpr TW_INT16 StateTransferring = 700;

// The request a handler receives: the five arguments of DS_Entry.
struct DsRequest {
    TW_IDENTITY* origin;
    TW_UINT32 group;
    TW_UINT16 dat;
    TW_UINT16 msg;
    TW_MEMREF data;
};

using DsHandler = TW_UINT16 (*)(const DsRequest& request);

struct DispatchEntry {
    TW_UINT16 dat;
    DsHandler handler;
};

CoreContext* GetCoreContext();

// Sets the condition code and returns TWRC_FAILURE: the one way a handler fails.
TW_UINT16 FailWith(TW_UINT16 conditionCode);

// Accessors returning addresses of members of the context.
ScanSettings* GetScanSettings();
ScanWindow* GetScanWindow();
FeederState* GetFeederState();
ScanImage* GetPreviewImage();
int32_t* GetTransportKind();
DeviceLink* GetDeviceLink();

// Start values of the whole context; usesMetric picks A4 rather than US Letter.
void InitCoreContextValues(bool usesMetric);
void DSCore_UISetCoreInfo(const CoreInfo* info);

// Setters and queries offered to the interface module; each returns 1 unless
// it returns a value.
int SetPixelType(int32_t type);
int SetBrightness(int32_t value);
int SetContrast(int32_t value);
int SetCurveGamma(int32_t value);
int SetCurveMode(int32_t value);
int SetToneCurve(int32_t* in, int32_t* out, int32_t count);
int SetRotation(int32_t value);
int SetResolutionIndex(int32_t index);
int SetPaperSource(int32_t source);
int SetPaperSizeCode(int32_t code);
int SetCustomArea(int32_t x, int32_t y, int32_t width, int32_t height);
int SetTransportKind(int32_t kind);
int32_t GetTransportKindValue();
int32_t GetPreviewWidth();
int32_t GetPreviewHeight();
uint8_t* GetPreviewBase();
uint8_t* GetPreviewBits();
