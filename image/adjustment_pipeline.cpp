#include "image/adjustment_pipeline.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "core/platform_hook.h"
#include "image/colour_adjust.h"
#include "image/filters.h"
#include "image/hue_saturation_rows.h"
#include "image/row_bytes.h"
#include "image/tone_tables.h"

namespace {

// Where one adjuster writes and how far it has come, for the progress signal.
struct AdjusterProgress {
    uint8_t* base = nullptr;
    int32_t stride = 0;
    uint32_t bytesWritten = 0;
    uint32_t lastSignalled = 0;
};

// Input rows copied with kPad edge pixels on each side, so the filters read
// neighbours without bounds tests. Five slots: rows y-2..y+2 of the row being
// filtered. The copies also keep rows that overlapping output will overwrite.
class PaddedRows {
   public:
    void Reset(const uint8_t* rows, int32_t width, int32_t height, int channels) {
        rows_ = rows;
        width_ = width;
        height_ = height;
        channels_ = channels;
        slotBytes_ = static_cast<size_t>(width + 2 * RowFilter::kPad) * channels;
        storage_.assign(slotBytes_ * 5, 0);
        std::fill(std::begin(tags_), std::end(tags_), -1);
    }

    // Follows the caller's input block if it moved between calls; rows
    // already copied stay valid, as input rows never change once delivered.
    void SetSource(const uint8_t* rows) { rows_ = rows; }

    // Pointer to the first real pixel of input row y (clamped into the image).
    const uint8_t* Row(int32_t y) {
        y = std::clamp(y, 0, height_ - 1);
        const int slot = y % 5;
        uint8_t* dst = storage_.data() + slot * slotBytes_;
        if (tags_[slot] != y) {
            Fill(dst, y);
            tags_[slot] = y;
        }
        return dst + RowFilter::kPad * channels_;
    }

   private:
    void Fill(uint8_t* dst, int32_t y) {
        const size_t rowBytes = static_cast<size_t>(width_) * channels_;
        const uint8_t* src = rows_ + static_cast<size_t>(y) * rowBytes;
        const int pad = RowFilter::kPad * channels_;
        std::memcpy(dst + pad, src, rowBytes);
        for (int p = 0; p < RowFilter::kPad; ++p) {
            std::memcpy(dst + p * channels_, src, channels_);
            std::memcpy(dst + pad + rowBytes + p * channels_, src + rowBytes - channels_, channels_);
        }
    }

    const uint8_t* rows_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int channels_ = 1;
    size_t slotBytes_ = 0;
    std::vector<uint8_t> storage_;
    int32_t tags_[5] = {-1, -1, -1, -1, -1};
};

// Per-image choices made at the first row, kept even if settings change later.
struct ImageState {
    int filterSize = 0;  // 0 none, 3 or 5
    RowFilter filter;
    PaddedRows padded;
    std::vector<uint8_t> work;
};

AdjusterProgress colourProgress;
AdjusterProgress greyProgress;
AdjusterProgress bilevelProgress;
ImageState colourState;
ImageState greyState;

struct RowWindow {
    int32_t lo, hi;
};

// Rows lo..hi-1 are processed by a call; the call that delivers the last row
// also finishes the two rows held back.
RowWindow WindowFor(const ScanSettings* s, int32_t firstRow, int32_t rowCount) {
    RowWindow w{std::max(firstRow - 2, 0), firstRow + rowCount - 2};
    if (firstRow + rowCount >= s->imageHeight) w.hi = s->imageHeight;
    w.hi = std::min(w.hi, s->imageHeight);
    return w;
}

void StartProgress(AdjusterProgress& p, ScanSettings* s, uint8_t* base, int32_t stride) {
    p.base = base;
    p.stride = stride;
    p.bytesWritten = 0;
    p.lastSignalled = 0;
    s->rowsScanned = 0;
}

// Counts one written row and wakes a waiting memory transfer once per new
// memXferRow. Only unturned memory transfers are woken early.
void RowDone(AdjusterProgress& p, ScanSettings* s) {
    p.bytesWritten += static_cast<uint32_t>(p.stride);
    ++s->rowsScanned;
    if (s->scanPurpose != 0 || s->rotation != 0 || s->rotateBackPages != 0) return;
    if (s->scanDoneEvent == nullptr) return;
    const uint32_t wanted = s->memXferRow;
    if (p.bytesWritten >= wanted && wanted != p.lastSignalled) {
        p.lastSignalled = wanted;
        PlatformSetEvent(s->scanDoneEvent);
    }
}

// Which filter runs on an image: 0, 3 or 5.
int ChooseFilter(const ScanSettings* s, bool colour) {
    if (colour && s->scanPurpose == 2) {
        return (s->uiPixelType == 2 || s->uiPixelType == 3) && s->sharpness != 0 ? 3 : 0;
    }
    if (s->descreen != 0) return 5;
    return s->sharpness != 0 ? 3 : 0;
}

void StartFilter(ImageState& st, const ScanSettings* s, bool colour) {
    const int channels = colour ? 3 : 1;
    st.filterSize = ChooseFilter(s, colour);
    if (st.filterSize == 5) BuildDescreenTables(s->sharpness);
    if (st.filterSize == 3) BuildSharpenTables(s->sharpness);
    if (st.filterSize != 0) st.filter.Prepare(st.filterSize, channels);
    st.padded.Reset(s->rows, s->imageWidth, s->imageHeight, channels);
    st.work.assign(static_cast<size_t>(s->imageWidth) * channels, 0);
}

// Filters pixels x0..x1 of row y from the padded input into out.
void FilterSpan(ImageState& st, int32_t y, int32_t x0, int32_t x1, int channels, uint8_t* out) {
    const int half = st.filterSize / 2;
    const uint8_t* taps[5];
    for (int k = 0; k < st.filterSize; ++k) taps[k] = st.padded.Row(y + k - half) + x0 * channels;
    st.filter.Run(taps, x1 - x0 + 1, out + x0 * channels);
}

// The colour steps after the filter, folded where they allow it: tone table,
// lightness and (when no hue/saturation step follows) the negative become one
// table per channel.
struct ColourSteps {
    uint8_t lut[3][256];
    bool shiftHueSaturation = false;
    bool invertAfterShift = false;
    int32_t hue = 0;
    int32_t saturation = 0;
};

ColourSteps PrepareColourSteps(const ScanSettings* s) {
    ColourSteps c;
    const ToneTables& t = GetToneTables();
    std::memcpy(c.lut[0], t.red, 256);
    std::memcpy(c.lut[1], t.green, 256);
    std::memcpy(c.lut[2], t.blue, 256);
    const bool hslStep = s->uiPixelType == 3 && (s->hue != 0 || s->saturation != 0 || s->lightness != 0);
    if (hslStep && s->lightness != 0) {
        for (auto& table : c.lut) {
            for (uint8_t& v : table) v = LightnessOfChannel(v, s->lightness);
        }
    }
    c.shiftHueSaturation = hslStep && (s->hue != 0 || s->saturation != 0);
    c.hue = s->hue;
    c.saturation = s->saturation;
    if (s->reversal == 1) {
        if (c.shiftHueSaturation) {
            c.invertAfterShift = true;
        } else {
            for (auto& table : c.lut) {
                for (uint8_t& v : table) v = static_cast<uint8_t>(255 - v);
            }
        }
    }
    return c;
}

void ApplyColourSteps(const ColourSteps& c, uint8_t* p, int32_t pixels) {
    if (!c.shiftHueSaturation) {
        for (int32_t i = 0; i < pixels; ++i, p += 3) {
            p[0] = c.lut[0][p[0]];
            p[1] = c.lut[1][p[1]];
            p[2] = c.lut[2][p[2]];
        }
        return;
    }
    ShiftHueSaturationRow(c.lut, c.hue, c.saturation, c.invertAfterShift, p, pixels);
}

// Luma with the usual weights, truncated; double precision.
int32_t Luma(const uint8_t* p) { return static_cast<int32_t>(0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]); }

// Writes one adjusted RGB row into the preview bitmap in the look of the
// pixel type the user chose.
void WritePreviewRow(const uint8_t* src, uint8_t* dst, int32_t width, int32_t uiPixelType) {
    for (int32_t x = 0; x < width; ++x, src += 3, dst += 3) {
        switch (uiPixelType) {
            case 0: {
                const uint8_t v = src[1] > 200 ? 255 : 0;
                dst[0] = dst[1] = dst[2] = v;
                break;
            }
            case 1:
                dst[0] = dst[1] = dst[2] = static_cast<uint8_t>(std::clamp(Luma(src) - 60, 0, 255));
                break;
            case 2:
                dst[0] = dst[1] = dst[2] = static_cast<uint8_t>(std::min(Luma(src), 255));
                break;
            case 3:
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
                break;
            default:
                std::memcpy(dst, src, 3);
                break;
        }
    }
}

void StartColourImage(ScanSettings* s) {
    PlatformDebugLine("acolor");
    if (s->scanPurpose == 2) {
        StartProgress(colourProgress, s, s->dibBits, AlignedRowBytes(3, s->imageWidth));
    } else {
        StartProgress(colourProgress, s, s->imageBase, 3 * s->imageWidth);
    }
    BuildToneTables(s);
    StartFilter(colourState, s, true);
}

// Adjusts colour row r into the work buffer: pixels inside the selection run
// through every step, the rest keep their input values.
void AdjustColourRow(ScanSettings* s, const ColourSteps& steps, int32_t r) {
    ImageState& st = colourState;
    const int32_t w = s->imageWidth;
    uint8_t* work = st.work.data();
    const uint8_t* input = s->rows + static_cast<size_t>(r) * 3 * w;
    int32_t x0 = 0, x1 = w - 1;
    if (s->selectedAreaOnly != 0) {
        x0 = std::max(s->selLeft, 0);
        x1 = std::min(s->selRight, w - 1);
        if (r < s->selTop || r > s->selBottom) x1 = x0 - 1;
    }
    if (st.filterSize != 0 && x0 <= x1) {
        if (x0 > 0 || x1 < w - 1) std::memcpy(work, st.padded.Row(r), static_cast<size_t>(3) * w);
        FilterSpan(st, r, x0, x1, 3, work);
    } else {
        std::memcpy(work, st.filterSize != 0 ? st.padded.Row(r) : input, static_cast<size_t>(3) * w);
    }
    if (x0 <= x1) ApplyColourSteps(steps, work + 3 * x0, x1 - x0 + 1);
}

void StartGreyImage(ScanSettings* s) {
    char line[80];
    std::snprintf(line, sizeof line, "gRAY ImageWidth %d ImageHeight %d", static_cast<int>(s->imageWidth),
                  static_cast<int>(s->imageHeight));
    PlatformDebugLine(line);
    StartProgress(greyProgress, s, s->imageBase, s->imageWidth);
    BuildToneTables(s);
    StartFilter(greyState, s, false);
}

bool BuffersUsable(const ScanSettings* s) {
    if (s->imageWidth <= 0 || s->imageHeight <= 0 || s->rows == nullptr) return false;
    const bool preview = s->pixelType == 3 && s->scanPurpose == 2;
    return (preview ? s->dibBits : s->imageBase) != nullptr;
}

}  // namespace

bool AdjustmentIsHeavy(const ScanSettings* s) {
    if (s == nullptr || (s->pixelType != 3 && s->pixelType != 2)) return false;
    const bool colour = s->pixelType == 3;
    if (ChooseFilter(s, colour) != 0) return true;
    return colour && s->uiPixelType == 3 && (s->hue != 0 || s->saturation != 0 || s->lightness != 0);
}

int ValidateAdjustments(const ScanSettings* s) {
    if (s == nullptr) return kAdjustUnusableInput;
    const auto in = [](int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; };
    if (!in(s->brightness, -100, 100)) return 1;
    if (!in(s->contrast, -100, 100)) return 2;
    bool curveOk = s->curveIn[0] >= 0 && s->curveIn[4] <= 255 && in(s->curveGamma, -100, 100);
    for (int k = 0; k < 4; ++k) curveOk = curveOk && s->curveIn[k + 1] > s->curveIn[k];
    for (int k = 0; k < 5; ++k) curveOk = curveOk && in(s->curveOut[k], 0, 255);
    if (!curveOk) return 4;
    for (int32_t b : s->balance) {
        if (!in(b, -100, 100)) return 5;
    }
    if (!in(s->sharpness, -2, 3)) return 6;
    if (!in(s->hue, -180, 180) || !in(s->saturation, -100, 100) || !in(s->lightness, -100, 100)) return 7;
    return 0;
}

int AdjustRows(ScanSettings* settings, int32_t firstRow, int32_t rowCount) {
    const int code = ValidateAdjustments(settings);
    if (code != 0) return code;
    if (!BuffersUsable(settings) || firstRow < 0 || rowCount < 0) return kAdjustUnusableInput;
    try {
        if (settings->pixelType == 3) {
            AdjustColourRows(settings, firstRow, rowCount);
        } else if (settings->pixelType == 2) {
            AdjustGreyRows(settings, firstRow, rowCount);
        } else {
            AdjustBilevelRows(settings, firstRow, rowCount);
        }
    } catch (const std::bad_alloc&) {
        return kAdjustUnusableInput;
    }
    return 0;
}

namespace {

// True when the adjuster's per-image state fits this image, so a call with
// firstRow > 0 can continue it; otherwise the call starts afresh.
bool Continues(const ImageState& st, const ScanSettings* s, int channels) {
    return st.work.size() == static_cast<size_t>(s->imageWidth) * channels;
}

}  // namespace

void AdjustColourRows(ScanSettings* s, int32_t firstRow, int32_t rowCount) {
    if (firstRow == 0 || !Continues(colourState, s, 3)) StartColourImage(s);
    colourState.padded.SetSource(s->rows);
    const ColourSteps steps = PrepareColourSteps(s);
    const RowWindow win = WindowFor(s, firstRow, rowCount);
    const int32_t w = s->imageWidth;
    AdjusterProgress& p = colourProgress;
    for (int32_t r = win.lo; r < win.hi; ++r) {
        AdjustColourRow(s, steps, r);
        if (s->scanPurpose == 2) {
            uint8_t* dst = p.base + static_cast<size_t>(s->imageHeight - 1 - r) * p.stride;
            WritePreviewRow(colourState.work.data(), dst, w, s->uiPixelType);
        } else {
            std::memcpy(p.base + static_cast<size_t>(r) * p.stride, colourState.work.data(),
                        static_cast<size_t>(3) * w);
        }
        RowDone(p, s);
    }
}

void AdjustGreyRows(ScanSettings* s, int32_t firstRow, int32_t rowCount) {
    if (firstRow == 0 || !Continues(greyState, s, 1)) StartGreyImage(s);
    greyState.padded.SetSource(s->rows);
    uint8_t lut[256];
    std::memcpy(lut, GetToneTables().grey, 256);
    if (s->reversal == 1) {
        for (uint8_t& v : lut) v = static_cast<uint8_t>(255 - v);
    }
    const RowWindow win = WindowFor(s, firstRow, rowCount);
    const int32_t w = s->imageWidth;
    ImageState& st = greyState;
    AdjusterProgress& p = greyProgress;
    for (int32_t r = win.lo; r < win.hi; ++r) {
        uint8_t* work = st.work.data();
        if (st.filterSize != 0) {
            FilterSpan(st, r, 0, w - 1, 1, work);
        } else {
            std::memcpy(work, s->rows + static_cast<size_t>(r) * w, w);
        }
        uint8_t* dst = p.base + static_cast<size_t>(r) * p.stride;
        for (int32_t x = 0; x < w; ++x) dst[x] = lut[work[x]];
        RowDone(p, s);
    }
}

void AdjustBilevelRows(ScanSettings* s, int32_t firstRow, int32_t rowCount) {
    const int32_t stride = PackedRowBytes(0, s->imageWidth);
    // A continuation of another image (or of none) starts afresh rather than
    // writing through an output base left from an earlier image.
    if (firstRow == 0 || bilevelProgress.base != s->imageBase || bilevelProgress.stride != stride) {
        PlatformDebugLine("bw");
        StartProgress(bilevelProgress, s, s->imageBase, stride);
    }
    const RowWindow win = WindowFor(s, firstRow, rowCount);
    const uint8_t mask = s->reversal == 0 ? 0xFF : 0x00;
    AdjusterProgress& p = bilevelProgress;
    for (int32_t r = win.lo; r < win.hi; ++r) {
        const uint8_t* src = s->rows + static_cast<size_t>(r) * stride;
        uint8_t* dst = p.base + static_cast<size_t>(r) * p.stride;
        for (int32_t i = 0; i < stride; ++i) dst[i] = static_cast<uint8_t>(src[i] ^ mask);
        RowDone(p, s);
    }
}
