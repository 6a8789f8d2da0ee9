#include "image/raster_geometry.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "image/exact_divide.h"
#include "image/row_bytes.h"

namespace {

struct SourcePoint {
    int32_t row, col;
};

// Row and column of the source for logical position (U, V), before clamping.
// Memory transfers (purpose 0) keep the source order; bitmaps (purpose 1) are
// stored bottom-up, which the second set folds in.
SourcePoint SourceOf(int32_t q, int32_t purpose, int32_t width, int32_t height, int32_t u, int32_t v) {
    if (purpose == 0) {
        switch (q) {
            case 1:
                return {height - 1 - u, v};
            case 2:
                return {height - 1 - v, width - 1 - u};
            case 3:
                return {u, width - 1 - v};
            default:
                return {v, u};
        }
    }
    switch (q) {
        case 1:
            return {height - 1 - u, width - 1 - v};
        case 2:
            return {v, width - 1 - u};
        case 3:
            return {u, v};
        default:
            return {height - 1 - v, u};
    }
}

// Everything one transform carries from strip to strip of an image.
struct GeometryState {
    bool active = false;
    int32_t nextOutputRow = 0;
    // Frozen at the first strip.
    const uint8_t* image = nullptr;
    int32_t width = 0, height = 0, srcStride = 0;
    int32_t purpose = 0, q = 0, step = 1;  // step 2 samples every second pixel (descreen)
    int32_t outWidth = 0, outHeight = 0, stride = 0;
    bool enlarge = false;
    int32_t m = 0, n = 0, dx = 0, dy = 0;
    int32_t rowError = 0, v = -1;
    int32_t nextHolds = -1;             // logical row held in the next line, -1 none
    std::vector<int32_t> columnSource;  // logical u per output column
    std::vector<int32_t> columnWeight;  // interpolation error e, or -1 for a plain pixel
    std::vector<int32_t> columnBlend;   // weight of pixel u: e, or w for a plain pixel
    bool identityColumns = false;       // output column x is logical pixel x
    bool doubling = false;              // output columns 2u = pixel u, 2u + 1 = mean of u and u + 1
    ExactDivider byWidth;               // interpolation divisor w
    int32_t logicalCount = 0;           // logical pixels gathered per row: 0..max u + 1
    std::vector<uint8_t> logical;
    std::vector<uint8_t> current, next;
};

GeometryState colourState;
GeometryState greyState;
GeometryState bitState;

int32_t ClampTo(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The error-stepping of one output axis, shared by columns and rows: for each
// output position the logical source index and, when enlarging, the
// interpolation error of a repeated position (-1 for a source pixel).
void BuildColumnMap(GeometryState& g) {
    g.columnSource.assign(g.outWidth, 0);
    g.columnWeight.assign(g.outWidth, -1);
    int32_t error = 0, u = -1;
    for (int32_t x = 0; x < g.outWidth; ++x) {
        if (g.enlarge) {
            if (error < g.m) {
                error += g.dx;
                ++u;
            } else {
                g.columnWeight[x] = error;
                error -= g.m;
            }
        } else {
            error += -g.dx;
            ++u;
            g.columnSource[x] = std::max(u, 0);
            while (error >= g.m) {
                error -= g.m;
                ++u;
            }
            continue;
        }
        g.columnSource[x] = std::max(u, 0);
    }
    const int32_t maxU = g.outWidth > 0 ? *std::max_element(g.columnSource.begin(), g.columnSource.end()) : 0;
    g.logicalCount = maxU + 2;
    g.columnBlend.resize(g.outWidth);
    for (int32_t x = 0; x < g.outWidth; ++x)
        g.columnBlend[x] = g.columnWeight[x] < 0 ? g.outWidth : g.columnWeight[x];
    g.identityColumns = true;
    for (int32_t x = 0; x < g.outWidth && g.identityColumns; ++x) {
        g.identityColumns = g.columnSource[x] == x && g.columnWeight[x] < 0;
    }
    // Twice the width: a blend weighs both pixels by w / 2, which is their
    // mean truncated.
    g.doubling = g.enlarge && g.outWidth % 2 == 0 && g.outWidth > 0;
    for (int32_t x = 0; x < g.outWidth && g.doubling; ++x) {
        g.doubling = g.columnSource[x] == x / 2 &&
                     (x % 2 == 0 ? g.columnWeight[x] < 0 : 2 * g.columnWeight[x] == g.outWidth);
    }
}

// Largest numerator of a horizontal interpolation over `size` steps: 255 x size,
// saturated (the divider then divides plainly).
uint32_t LargestBlend(int32_t size) {
    return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{255} * static_cast<uint32_t>(size), UINT32_MAX));
}

// Settles the geometry of a new image from the settings.
bool StartImage(GeometryState& g, const ScanSettings* s, int32_t pageIndex, int bytesPerPixel, bool sampled) {
    g.active = false;
    g.current.clear();
    g.next.clear();
    g.current.shrink_to_fit();
    g.next.shrink_to_fit();
    if (s->imageBase == nullptr || s->imageWidth <= 0 || s->imageHeight <= 0 || s->outputWidth <= 0 ||
        s->outputHeight <= 0) {
        return false;
    }
    g.image = s->imageBase;
    g.width = s->imageWidth;
    g.height = s->imageHeight;
    g.srcStride = bytesPerPixel == 0 ? PackedRowBytes(0, g.width) : g.width * bytesPerPixel;
    g.purpose = s->scanPurpose == 0 ? 0 : 1;
    g.q = EffectiveTurns(s, pageIndex);
    g.step = sampled && s->descreen != 0 ? 2 : 1;
    g.outWidth = s->outputWidth;
    g.outHeight = s->outputHeight;
    g.stride = AlignedRowBytes(bytesPerPixel == 0 ? 0 : (bytesPerPixel == 3 ? 3 : 2), g.outWidth);
    const bool quarter = s->rotation == 1 || s->rotation == 3;
    const int32_t along = (quarter ? g.height : g.width) / g.step;
    const int32_t across = (quarter ? g.width : g.height) / g.step;
    g.dx = g.outWidth - along;
    g.dy = g.outHeight - across;
    g.m = g.dx > 0 ? along : g.outWidth;
    g.n = g.dx > 0 ? across : g.outHeight;
    g.enlarge = g.dx >= 0;
    g.rowError = 0;
    g.v = -1;
    g.nextHolds = -1;
    g.byWidth = ExactDivider(static_cast<uint32_t>(g.outWidth), LargestBlend(g.outWidth));
    BuildColumnMap(g);
    const int pixelBytes = bytesPerPixel == 0 ? 1 : bytesPerPixel;
    g.logical.assign(static_cast<size_t>(g.logicalCount) * pixelBytes, 0);
    g.current.assign(g.stride, 0);
    if (g.enlarge) g.next.assign(g.stride, 0);
    g.active = true;
    g.nextOutputRow = 0;
    return true;
}

// floor(a / b) for b > 0.
int32_t FloorDiv(int32_t a, int32_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// Narrows [lo, hi) to the u for which base + step * u lies in 0..limit-1.
void KeepInside(int32_t base, int32_t step, int32_t limit, int32_t& lo, int32_t& hi) {
    if (step == 0) {
        if (base < 0 || base >= limit) hi = lo;
        return;
    }
    const int32_t a = step > 0 ? -base : base - (limit - 1);  // u * |step| >= a
    const int32_t b = step > 0 ? limit - 1 - base : base;     // u * |step| <= b
    const int32_t s = step > 0 ? step : -step;
    lo = std::max(lo, -FloorDiv(-a, s));
    hi = std::min(hi, FloorDiv(b, s) + 1);
}

// One pixel: grey as it is, colour with bytes 0 and 2 exchanged when swap.
template <int kBytes>
inline void CopyPixel(uint8_t* dst, const uint8_t* src, bool swap) {
    if constexpr (kBytes == 1) {
        dst[0] = src[0];
    } else {
        dst[0] = src[swap ? 2 : 0];
        dst[1] = src[1];
        dst[2] = src[swap ? 0 : 2];
    }
}

// Writes logical pixels u in [from, to) of the row starting at source point
// p0 with the given steps, clamping every position (the image edges).
template <int kBytes>
void GatherClamped(const GeometryState& g, SourcePoint p0, int32_t rowStep, int32_t colStep, int32_t from,
                   int32_t to, bool swap, uint8_t* out) {
    out += static_cast<size_t>(from) * kBytes;
    for (int32_t u = from; u < to; ++u, out += kBytes) {
        const int32_t row = ClampTo(p0.row + rowStep * u, 0, g.height - 1);
        const int32_t col = ClampTo(p0.col + colStep * u, 0, g.width - 1);
        const uint8_t* src =
            g.image + static_cast<size_t>(row) * g.srcStride + static_cast<size_t>(col) * kBytes;
        CopyPixel<kBytes>(out, src, swap);
    }
}

// Gathers logical row v (pixels u = 0..count-1) into out: the stretch inside
// the image with plain pointer steps, the ends (beyond the edges) clamped.
// Bitmaps get bytes 0 and 2 of colour pixels exchanged.
template <int kBytes>
void GatherLogicalRow(const GeometryState& g, int32_t v, int32_t count, uint8_t* out) {
    const int32_t V = g.step * std::max(v, 0);
    const SourcePoint p0 = SourceOf(g.q, g.purpose, g.width, g.height, 0, V);
    const SourcePoint p1 = SourceOf(g.q, g.purpose, g.width, g.height, g.step, V);
    const int32_t rowStep = p1.row - p0.row, colStep = p1.col - p0.col;
    const bool swap = kBytes == 3 && g.purpose == 1;
    int32_t lo = 0, hi = count;
    KeepInside(p0.row, rowStep, g.height, lo, hi);
    KeepInside(p0.col, colStep, g.width, lo, hi);
    if (lo >= hi) {
        GatherClamped<kBytes>(g, p0, rowStep, colStep, 0, count, swap, out);
        return;
    }
    GatherClamped<kBytes>(g, p0, rowStep, colStep, 0, lo, swap, out);
    GatherClamped<kBytes>(g, p0, rowStep, colStep, hi, count, swap, out);
    const ptrdiff_t step =
        static_cast<ptrdiff_t>(rowStep) * g.srcStride + static_cast<ptrdiff_t>(colStep) * kBytes;
    const uint8_t* src = g.image + static_cast<ptrdiff_t>(p0.row + rowStep * lo) * g.srcStride +
                         static_cast<ptrdiff_t>(p0.col + colStep * lo) * kBytes;
    uint8_t* dst = out + static_cast<size_t>(lo) * kBytes;
    const int32_t n = hi - lo;
    if (step == kBytes && !swap) {
        std::memcpy(dst, src, static_cast<size_t>(n) * kBytes);
        return;
    }
    for (int32_t i = 0; i < n; ++i, src += step, dst += kBytes) {
        CopyPixel<kBytes>(dst, src, swap);
    }
}

// Computes output row content for logical source row v into line (stride
// bytes; filler bytes already zero).
template <int kBytes>
void ComputeRow(GeometryState& g, int32_t v, uint8_t* line) {
    if (g.identityColumns) {
        GatherLogicalRow<kBytes>(g, v, g.outWidth, line);
        return;
    }
    GatherLogicalRow<kBytes>(g, v, g.logicalCount, g.logical.data());
    const uint8_t* logical = g.logical.data();
    const int32_t* source = g.columnSource.data();
    const int32_t w = g.outWidth;
    if (!g.enlarge) {
        for (int32_t x = 0; x < w; ++x, line += kBytes)
            std::memcpy(line, logical + source[x] * kBytes, kBytes);
        return;
    }
    if (g.doubling) {
        for (int32_t u = 0; u < w / 2; ++u, line += 2 * kBytes, logical += kBytes) {
            for (int c = 0; c < kBytes; ++c) {
                line[c] = logical[c];
                line[kBytes + c] = static_cast<uint8_t>((logical[c] + logical[kBytes + c]) >> 1);
            }
        }
        return;
    }
    // Enlarging: a source pixel is the blend with all weight on pixel u, so
    // one branch-free formula serves every column.
    const int32_t* weight = g.columnBlend.data();
    const uint64_t m = g.byWidth.Multiplier();
    const int shift = g.byWidth.Shift();
    const bool multiply = g.byWidth.Multiplies();
    for (int32_t x = 0; x < w; ++x, line += kBytes) {
        const uint8_t* a = logical + static_cast<size_t>(source[x]) * kBytes;
        const uint32_t e = static_cast<uint32_t>(weight[x]), f = static_cast<uint32_t>(w) - e;
        for (int c = 0; c < kBytes; ++c) {
            const uint32_t n = a[c] * e + a[kBytes + c] * f;
            line[c] =
                static_cast<uint8_t>(multiply ? (uint64_t{n} * m) >> shift : n / static_cast<uint32_t>(w));
        }
    }
}

// Vertical interpolation of a repeated row: (next x (h - e) + current x e) / h.
// That equals current + floor((next - current) x (h - e) / h), so one table
// over the 511 possible differences replaces the division of every byte.
void BlendRows(const GeometryState& g, int32_t e, uint8_t* dst) {
    const int64_t h = g.outHeight;
    // Only a width kept exactly while the height grows lets e pass h; the
    // blend then stays on the current row instead of leaving 0..255.
    const int64_t weight = h - std::min<int64_t>(e, h);
    const uint8_t* cur = g.current.data();
    const uint8_t* nxt = g.next.data();
    const int32_t n = g.stride;
    if (2 * weight == h) {  // halfway: the truncated mean
        for (int32_t i = 0; i < n; ++i) dst[i] = static_cast<uint8_t>((cur[i] + nxt[i]) >> 1);
        return;
    }
    int16_t step[511];
    for (int32_t d = -255; d <= 255; ++d) {
        const int64_t product = d * weight;
        step[d + 255] = static_cast<int16_t>(product >= 0 ? product / h : -((-product + h - 1) / h));
    }
    for (int32_t i = 0; i < n; ++i) dst[i] = static_cast<uint8_t>(cur[i] + step[nxt[i] - cur[i] + 255]);
}

// Reducing: moves v to the source row of the next output row, skipping
// the source rows that the reduction drops.
void StepReducedRow(GeometryState& g) {
    g.rowError += std::abs(g.dy);
    ++g.v;
    while (g.rowError >= g.n) {
        g.rowError -= g.n;
        ++g.v;
    }
}

// One output row of a grey or colour image into dst.
template <int kBytes>
void EmitRow(GeometryState& g, uint8_t* dst) {
    if (!g.enlarge) {
        StepReducedRow(g);
        std::memset(dst, 0, g.stride);
        ComputeRow<kBytes>(g, g.v, dst);
        return;
    }
    if (g.rowError < g.n) {
        g.rowError += g.dy;
        ++g.v;
        if (g.nextHolds == g.v) {
            g.current.swap(g.next);
            g.nextHolds = -1;
        } else {
            ComputeRow<kBytes>(g, g.v, g.current.data());
        }
        std::memcpy(dst, g.current.data(), g.stride);
        return;
    }
    if (g.nextHolds != g.v + 1) {
        ComputeRow<kBytes>(g, g.v + 1, g.next.data());
        g.nextHolds = g.v + 1;
    }
    BlendRows(g, g.rowError, dst);
    g.rowError -= g.n;
}

// A kept size turned by a quarter turn: every output row is the next logical
// row, read down a source column. Rows are built straight into the strip in
// tiles of kTile columns, so the source rows of a tile stay in the cache
// while the strip's rows take their bytes. False when this image is not such
// a case (or a row would need clamping); the rows are then built one by one.
template <int kBytes>
bool EmitTurnedRows(GeometryState& g, uint8_t* dest, int32_t count) {
    // Colour rows of three-byte pixels gather as fast through the line
    // buffer, which stays in L1; the tiles pay for grey.
    if (kBytes != 1) return false;
    if (!g.enlarge || g.dx != 0 || g.dy != 0 || !g.identityColumns || g.q % 2 == 0) return false;
    constexpr int32_t kTile = 64;
    const int32_t first = g.v + 1, last = g.v + count;
    const bool swap = kBytes == 3 && g.purpose == 1;
    const int32_t w = g.outWidth;
    const uint8_t* rowStart[2];
    ptrdiff_t along = 0;
    for (int end = 0; end < 2; ++end) {
        const int32_t V = g.step * (end == 0 ? first : last);
        const SourcePoint p0 = SourceOf(g.q, g.purpose, g.width, g.height, 0, V);
        const SourcePoint p1 = SourceOf(g.q, g.purpose, g.width, g.height, g.step, V);
        const int32_t rowStep = p1.row - p0.row, colStep = p1.col - p0.col;
        int32_t lo = 0, hi = w;
        KeepInside(p0.row, rowStep, g.height, lo, hi);
        KeepInside(p0.col, colStep, g.width, lo, hi);
        if (lo != 0 || hi != w || V < 0) return false;
        rowStart[end] =
            g.image + static_cast<ptrdiff_t>(p0.row) * g.srcStride + static_cast<ptrdiff_t>(p0.col) * kBytes;
        along = static_cast<ptrdiff_t>(rowStep) * g.srcStride + static_cast<ptrdiff_t>(colStep) * kBytes;
    }
    const ptrdiff_t across = count > 1 ? (rowStart[1] - rowStart[0]) / (count - 1) : 0;
    const size_t rowBytes = static_cast<size_t>(w) * kBytes;
    for (int32_t k = 0; k < count; ++k) {
        std::memset(dest + static_cast<size_t>(k) * g.stride + rowBytes, 0, g.stride - rowBytes);
    }
    for (int32_t u0 = 0; u0 < w; u0 += kTile) {
        const int32_t u1 = std::min(w, u0 + kTile);
        for (int32_t k = 0; k < count; ++k) {
            const uint8_t* src = rowStart[0] + k * across + u0 * along;
            uint8_t* dst = dest + static_cast<size_t>(k) * g.stride + static_cast<size_t>(u0) * kBytes;
            for (int32_t u = u0; u < u1; ++u, src += along, dst += kBytes) {
                CopyPixel<kBytes>(dst, src, swap);
            }
        }
    }
    g.v = last;
    return true;
}

// One output row of a 1-bit image, OR-ed into dst.
void EmitBitRow(GeometryState& g, uint8_t* dst) {
    bool fresh = true;
    if (!g.enlarge) {
        StepReducedRow(g);
    } else if (g.rowError < g.n) {
        g.rowError += g.dy;
        ++g.v;
    } else {
        g.rowError -= g.n;
        fresh = false;
    }
    if (fresh) {
        std::memset(g.current.data(), 0, g.stride);
        const int32_t v = std::max(g.v, 0);
        for (int32_t x = 0; x < g.outWidth; ++x) {
            if (ReadSourceBit(g.q, g.purpose, g.srcStride, g.image, g.width, g.height, g.columnSource[x],
                              v)) {
                SetOutputBit(g.current.data(), g.stride, x, 0);
            }
        }
    }
    for (int32_t i = 0; i < g.stride; ++i) dst[i] |= g.current[i];
}

// Shared strip driver: starts or continues the image, emits the rows, frees
// the line buffers after the last row.
template <typename Emit, typename Batch>
void RunStrip(GeometryState& g, ScanSettings* s, int32_t pageIndex, uint8_t* dest, int32_t firstRow,
              int32_t rowCount, int bytesPerPixel, bool sampled, Emit emit, Batch batch) {
    if (s == nullptr || dest == nullptr || rowCount <= 0) return;
    if (firstRow == 0) {
        s->rowsDelivered = 0;
        bool started = false;
        try {
            started = StartImage(g, s, pageIndex, bytesPerPixel, sampled);
        } catch (const std::bad_alloc&) {
            g.active = false;  // line buffers beyond memory: deliver nothing rather than throw
        }
        if (!started) return;
    } else if (!g.active || firstRow != g.nextOutputRow) {
        return;
    }
    const int32_t count = std::min(rowCount, g.outHeight - firstRow);
    if (batch(g, dest, count)) {
        s->rowsDelivered += count;
    } else {
        for (int32_t k = 0; k < count; ++k) {
            emit(g, dest + static_cast<size_t>(k) * g.stride);
            ++s->rowsDelivered;
        }
    }
    g.nextOutputRow = firstRow + count;
    if (g.nextOutputRow >= g.outHeight) {
        g.active = false;
        std::vector<uint8_t>().swap(g.current);
        std::vector<uint8_t>().swap(g.next);
        std::vector<uint8_t>().swap(g.logical);
    }
}

}  // namespace

int32_t EffectiveTurns(const ScanSettings* s, int32_t pageIndex) {
    const int32_t q = s->rotation & 3;
    return s->rotateBackPages == 1 && pageIndex % 2 == 0 ? (q + 2) & 3 : q;
}

void TransformColorStrip(ScanSettings* settings, int32_t pageIndex, uint8_t* dest, int32_t firstRow,
                         int32_t rowCount) {
    RunStrip(colourState, settings, pageIndex, dest, firstRow, rowCount, 3, true, EmitRow<3>,
             EmitTurnedRows<3>);
}

void TransformGrayStrip(ScanSettings* settings, int32_t pageIndex, uint8_t* dest, int32_t firstRow,
                        int32_t rowCount) {
    RunStrip(greyState, settings, pageIndex, dest, firstRow, rowCount, 1, true, EmitRow<1>,
             EmitTurnedRows<1>);
}

void TransformBitStrip(ScanSettings* settings, int32_t pageIndex, uint8_t* dest, int32_t firstRow,
                       int32_t rowCount) {
    RunStrip(bitState, settings, pageIndex, dest, firstRow, rowCount, 0, false, EmitBitRow,
             [](GeometryState&, uint8_t*, int32_t) { return false; });
}

int ReadSourceBit(int32_t turn, int32_t scanPurpose, int32_t srcStride, const uint8_t* image, int32_t width,
                  int32_t height, int32_t u, int32_t v) {
    if (image == nullptr || width <= 0 || height <= 0) return 0;
    const SourcePoint p = SourceOf(turn & 3, scanPurpose == 0 ? 0 : 1, width, height, u, v);
    const int32_t row = ClampTo(p.row, 0, height - 1);
    const int32_t col = ClampTo(p.col, 0, width - 1);
    return (image[static_cast<size_t>(row) * srcStride + col / 8] >> (7 - col % 8)) & 1;
}

void SetOutputBit(uint8_t* dest, int32_t stride, int32_t column, int32_t row) {
    dest[static_cast<size_t>(row) * stride + column / 8] |= static_cast<uint8_t>(0x80 >> (column % 8));
}

bool BitmapKeepsImageRows(const ScanSettings* s, int32_t pageIndex) {
    if (s == nullptr || (s->pixelType != 2 && s->pixelType != 3)) return false;
    if (s->scanPurpose != SCANPURPOSE_NATIVE_OR_FILE) return false;
    return s->imageWidth > 0 && s->imageHeight > 0 && s->outputWidth == s->imageWidth &&
           s->outputHeight == s->imageHeight && s->descreen == 0 && EffectiveTurns(s, pageIndex) == 0;
}

bool LayOutBitmapInPlace(const ScanSettings* s, uint8_t* block, uint64_t blockBytes, uint32_t headerBytes) {
    if (block == nullptr || s->imageWidth <= 0 || s->imageHeight <= 0) return false;
    const bool colour = s->pixelType == 3;
    const size_t packed = static_cast<size_t>(s->imageWidth) * (colour ? 3 : 1);
    const size_t stride = static_cast<size_t>(AlignedRowBytes(colour ? 3 : 2, s->imageWidth));
    const auto height = static_cast<size_t>(s->imageHeight);
    if (headerBytes == 0 || headerBytes + uint64_t{stride} * height > blockBytes) return false;
    // Bottom-up: row r changes place with row height - 1 - r, and colour
    // pixels exchange red and blue on the way.
    for (size_t top = 0; top < height - 1 - top; ++top) {
        uint8_t* a = block + top * packed;
        uint8_t* b = block + (height - 1 - top) * packed;
        if (!colour) {
            std::swap_ranges(a, a + packed, b);
            continue;
        }
        for (size_t i = 0; i < packed; i += 3) {
            const uint8_t red = a[i], green = a[i + 1], blue = a[i + 2];
            a[i] = b[i + 2];
            a[i + 1] = b[i + 1];
            a[i + 2] = b[i];
            b[i] = blue;
            b[i + 1] = green;
            b[i + 2] = red;
        }
    }
    if (colour && height % 2 == 1) {
        uint8_t* middle = block + height / 2 * packed;
        for (size_t i = 0; i < packed; i += 3) std::swap(middle[i], middle[i + 2]);
    }
    // Each row moves forward (past the header, then by the padding of the
    // rows before it), so moving the last one first never overwrites a row
    // still to move.
    for (size_t r = height; r-- > 0;) {
        uint8_t* to = block + headerBytes + r * stride;
        std::memmove(to, block + r * packed, packed);
        std::memset(to + packed, 0, stride - packed);
    }
    const uint64_t used = headerBytes + uint64_t{stride} * height;
    std::memset(block + used, 0, static_cast<size_t>(blockBytes - used));
    return true;
}
