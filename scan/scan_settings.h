// The record of everything that shapes one scan and its delivery, and the small
// records that sit beside it in the core context. Platform-free: handles are
// opaque pointers so the image code can be built and tested on the host.
#pragma once

#include <atomic>
#include <cstdint>

// A 32-bit member that the scan thread, the application's thread and the
// progress dialog's thread read and write without a lock: every access is one
// atomic access of the whole value, so no reader sees a torn or stale-forever
// value. Copying a record copies a snapshot of the value.
template <typename T>
class SharedValue {
   public:
    SharedValue(T value = T()) : value_(value) {}
    SharedValue(const SharedValue& other) : value_(other.load()) {}
    SharedValue& operator=(const SharedValue& other) {
        store(other.load());
        return *this;
    }
    SharedValue& operator=(T value) {
        store(value);
        return *this;
    }
    operator T() const { return load(); }
    T load() const { return value_.load(); }
    void store(T value) { value_.store(value); }
    // Writes desired only while the value is still expected; true when it did.
    bool CompareExchange(T expected, T desired) { return value_.compare_exchange_strong(expected, desired); }
    SharedValue& operator+=(T delta) {
        value_.fetch_add(delta);
        return *this;
    }
    SharedValue& operator++() {
        value_.fetch_add(1);
        return *this;
    }

   private:
    std::atomic<T> value_;
};
static_assert(sizeof(SharedValue<int32_t>) == 4 && std::atomic<int32_t>::is_always_lock_free);

struct ScanSettings {
    int32_t scanPurpose;  // 0 memory transfer, 1 native or file transfer, 2 preview
    int32_t pixelType;    // 0 and 1 bilevel, 2 grey, 3 colour
    int32_t uiPixelType;
    int32_t imageWidth;
    int32_t imageHeight;
    uint8_t* imageBase;
    uint8_t* dibBits;
    uint8_t* rows;
    int32_t outputWidth;
    int32_t outputHeight;
    int32_t scalePercent;
    int32_t rotation;  // quarter turns 0..3
    int32_t rotateBackPages;
    int32_t reversal;
    int32_t brightness;
    int32_t contrast;
    int32_t curveIn[5];
    int32_t curveOut[5];
    int32_t curveGamma;
    int32_t curveMode;   // 0 five-point curve, 1 gamma, other: none
    int32_t balance[9];  // red, green, blue x shadows, midtones, highlights
    int32_t sharpness;
    int32_t descreen;
    int32_t hue;
    int32_t saturation;
    int32_t lightness;
    SharedValue<int32_t> rowsScanned;
    SharedValue<int32_t> rowsDelivered;
    SharedValue<uint32_t> memXferRow;
    void* scanDoneEvent;
    SharedValue<int32_t> scanStatus;  // 0 scanning, 1 scanned, 2 delivered, 3 cancelled, 4 failed
    int32_t selectedAreaOnly;
    int32_t selLeft;
    int32_t selTop;
    int32_t selRight;
    int32_t selBottom;
};

enum ScanStatusValue : int32_t {
    SCANSTATUS_SCANNING = 0,
    SCANSTATUS_SCANNED = 1,
    SCANSTATUS_DELIVERED = 2,
    SCANSTATUS_CANCELLED = 3,
    SCANSTATUS_FAILED = 4,
};

enum ScanPurposeValue : int32_t {
    SCANPURPOSE_MEMORY = 0,
    SCANPURPOSE_NATIVE_OR_FILE = 1,
    SCANPURPOSE_PREVIEW = 2,
};

struct CoreInfo {
    char productName[64];
    char resourcePath[256];
    char versionInfo[256];
    int32_t physicalWidth;   // hundredths of an inch
    int32_t physicalHeight;  // hundredths of an inch
};

struct ScanWindow {
    int32_t previewMode;
    int32_t paperSizeCode;  // device paper code; 255 = custom area
    int32_t resolutionIndex;
    int32_t paperSource;  // 0 flatbed, 1 feeder, 2 feeder both sides
    int32_t areaLeft;
    int32_t areaTop;
    int32_t areaWidth;
    int32_t areaHeight;
};

struct FeederState {
    int32_t duplexAvailable;
    int32_t adfAvailable;
    int32_t adfLoaded;
};

struct ScanImage {
    uint8_t* base;
    uint8_t* dibBits;
    uint8_t* rows;
    int32_t width;
    int32_t height;
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Restores the adjustment members of the record to their neutral defaults.
void ResetAdjustments(ScanSettings* scan);
