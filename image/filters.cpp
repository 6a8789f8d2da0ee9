#include "image/filters.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace {

SharpenTables sharpenTables;
DescreenTables descreenTables;

struct SharpenKernel {
    int32_t corner, edge, centre;
};

// Indexed by sharpness + 2; sharpness 0 means "off" and has no kernel.
constexpr SharpenKernel kSharpenKernels[6] = {
    {8, 8, 8}, {0, 9, 36}, {0, 0, 0}, {0, -9, 108}, {0, -18, 144}, {0, -27, 180},
};

// Indexed by sharpness + 2, then row offset + 2, then column offset + 2.
constexpr int32_t kDescreenKernels[6][5][5] = {
    {{3, 3, 6, 3, 3}, {6, 3, 3, 3, 6}, {3, 3, 6, 3, 3}, {6, 3, 3, 3, 6}, {3, 3, 6, 3, 3}},
    {{4, 4, 4, 4, 4}, {4, 4, 4, 4, 4}, {4, 4, 4, 4, 4}, {4, 4, 4, 4, 4}, {4, 4, 4, 4, 4}},
    {{2, 2, 2, 2, 2}, {2, 6, 8, 6, 2}, {2, 8, 8, 8, 2}, {2, 6, 8, 6, 2}, {2, 2, 2, 2, 2}},
    {{0, 0, 0, 0, 0}, {0, 0, 12, 0, 0}, {0, 12, 48, 12, 0}, {0, 0, 12, 0, 0}, {0, 0, 0, 0, 0}},
    {{0, 0, 0, 0, 0}, {0, -12, 12, -12, 0}, {0, 12, 96, 12, 0}, {0, -12, 12, -12, 0}, {0, 0, 0, 0, 0}},
    {{-24, 24, -24, 24, -24},
     {24, -24, 24, -24, 24},
     {-24, 24, 96, 24, -24},
     {24, -24, 24, -24, 24},
     {-24, 24, -24, 24, -24}},
};

constexpr int32_t kSharpenDivisor = 72;
constexpr int32_t kDescreenDivisor = 96;

void FillProducts(int32_t* table, int32_t weight) {
    for (int v = 0; v < 256; ++v) table[v] = weight * v;
}

// Truncating division toward zero, then clamping to a byte.
uint8_t ClampQuotient(int32_t sum, int32_t divisor) {
    return static_cast<uint8_t>(std::clamp(sum / divisor, 0, 255));
}

// Byte of channel ch of the pixel at (x, y) of the input rows, edge repeated.
uint8_t Sample(const ScanSettings* s, int channels, int32_t x, int32_t y, int ch) {
    const int32_t cx = std::clamp(x, 0, s->imageWidth - 1);
    const int32_t cy = std::clamp(y, 0, s->imageHeight - 1);
    const int64_t stride = static_cast<int64_t>(s->imageWidth) * channels;
    return s->rows[cy * stride + static_cast<int64_t>(cx) * channels + ch];
}

bool CanSample(const ScanSettings* s) {
    return s != nullptr && s->rows != nullptr && s->imageWidth > 0 && s->imageHeight > 0;
}

}  // namespace

SharpenTables& GetSharpenTables() { return sharpenTables; }
DescreenTables& GetDescreenTables() { return descreenTables; }

void BuildSharpenTables(int32_t sharpness) {
    if (sharpness < -2 || sharpness > 3 || sharpness == 0) return;
    const SharpenKernel& k = kSharpenKernels[sharpness + 2];
    FillProducts(sharpenTables.corner, k.corner);
    FillProducts(sharpenTables.edge, k.edge);
    FillProducts(sharpenTables.centre, k.centre);
}

void BuildDescreenTables(int32_t sharpness) {
    if (sharpness < -2 || sharpness > 3) return;
    for (int row = 0; row < 5; ++row) {
        for (int col = 0; col < 5; ++col) {
            FillProducts(descreenTables.position[row * 5 + col], kDescreenKernels[sharpness + 2][row][col]);
        }
    }
}

// Straight per-pixel form: nine table reads per channel. Null or empty input
// gives a black pixel.
Pixel Sharpen3x3(const ScanSettings* settings, int32_t x, int32_t y) {
    Pixel out{};
    if (!CanSample(settings)) return out;
    const int channels = settings->pixelType == 3 ? 3 : 1;
    for (int ch = 0; ch < channels; ++ch) {
        int32_t sum = 0;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const uint8_t v = Sample(settings, channels, x + dx, y + dy, ch);
                if (dx == 0 && dy == 0) {
                    sum += sharpenTables.centre[v];
                } else if (dx == 0 || dy == 0) {
                    sum += sharpenTables.edge[v];
                } else {
                    sum += sharpenTables.corner[v];
                }
            }
        }
        out.c[ch] = ClampQuotient(sum, kSharpenDivisor);
    }
    return out;
}

// Straight per-pixel form: 25 table reads per channel. Null or empty input
// gives a black pixel.
Pixel Descreen5x5(const ScanSettings* settings, int32_t x, int32_t y) {
    Pixel out{};
    if (!CanSample(settings)) return out;
    const int channels = settings->pixelType == 3 ? 3 : 1;
    for (int ch = 0; ch < channels; ++ch) {
        int32_t sum = 0;
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                const uint8_t v = Sample(settings, channels, x + dx, y + dy, ch);
                sum += descreenTables.position[(dy + 2) * 5 + (dx + 2)][v];
            }
        }
        out.c[ch] = ClampQuotient(sum, kDescreenDivisor);
    }
    return out;
}

// Reads each position's weight back from its product table (entry 1), so the
// row form always follows whatever the builders last stored.
void RowFilter::Prepare(int size, int channels) {
    size_ = size == 5 ? 5 : 3;
    channels_ = channels == 3 ? 3 : 1;
    divisor_ = size_ == 5 ? kDescreenDivisor : kSharpenDivisor;
    classCount_ = 0;
    const int half = size_ / 2;
    int32_t grid[5][5] = {};
    for (int row = 0; row < size_; ++row) {
        for (int col = 0; col < size_; ++col) {
            int32_t weight;
            if (size_ == 5) {
                weight = descreenTables.position[row * 5 + col][1];
            } else if (row == 1 && col == 1) {
                weight = sharpenTables.centre[1];
            } else if (row == 1 || col == 1) {
                weight = sharpenTables.edge[1];
            } else {
                weight = sharpenTables.corner[1];
            }
            grid[row][col] = weight;
        }
    }
    symmetric_ = true;
    int32_t magnitude = 0;
    for (int row = 0; row < size_; ++row) {
        for (int col = 0; col < size_; ++col) {
            const int32_t w = grid[row][col];
            symmetric_ = symmetric_ && w == grid[size_ - 1 - row][col] && w == grid[row][size_ - 1 - col];
            magnitude += w < 0 ? -w : w;
        }
    }
    // Row pair sums reach 510 and weighted column sums stay within the
    // kernel's total magnitude x 255.
    narrow_ = magnitude * 255 <= INT16_MAX;
    for (int a = 0; a <= half; ++a) {
        for (int b = 0; b <= half; ++b) pairWeight_[a][b] = grid[half + a][half + b];
    }
    for (int row = 0; row < size_; ++row) {
        for (int col = 0; col < size_; ++col) {
            const int32_t weight = grid[row][col];
            if (weight == 0) continue;
            int k = 0;
            while (k < classCount_ && classes_[k].weight != weight) ++k;
            if (k == classCount_) classes_[classCount_++] = WeightClass{weight, 0, {}, {}};
            WeightClass& c = classes_[k];
            c.rowIndex[c.count] = static_cast<int8_t>(row);
            c.columnOffset[c.count] = static_cast<int8_t>((col - half) * channels_);
            ++c.count;
        }
    }
}

void RowFilter::Run(const uint8_t* const* taps, int32_t width, uint8_t* out) {
    const int32_t bytes = width * channels_;
    for (int32_t begin = 0; begin < bytes; begin += kChunk) {
        const int32_t length = std::min<int32_t>(kChunk, bytes - begin);
        // In 32-bit lanes the tap sums of RunChunk are as quick; the split
        // pays where it halves the lane width.
        if (symmetric_ && narrow_) {
            RunSymmetricChunk<int16_t>(taps, begin, length, out + begin);
        } else {
            RunChunk(taps, begin, length, out + begin);
        }
    }
}

namespace {

// acc[i] (+)= weight x (sum of the tap bytes at i). The tap count is a
// compile-time pack so the sum is straight-line code; the sums go to a local
// array first, which cannot alias the input rows, so the loops vectorise.
template <size_t... T>
void AccumulateClass(const uint8_t* const* src, int32_t weight, int32_t length, int32_t* acc, bool first) {
    constexpr int32_t kMaxLength = 1024;
    int32_t sums[kMaxLength];
    const uint8_t* const p[] = {src[T]...};
    length = std::min(length, kMaxLength);
    for (int32_t i = 0; i < length; ++i) sums[i] = (0 + ... + static_cast<int32_t>(p[T][i]));
    if (first) {
        for (int32_t i = 0; i < length; ++i) acc[i] = weight * sums[i];
    } else {
        for (int32_t i = 0; i < length; ++i) acc[i] += weight * sums[i];
    }
}

using AccumulateFn = void (*)(const uint8_t* const*, int32_t, int32_t, int32_t*, bool);

template <size_t... T>
constexpr AccumulateFn AccumulatorFor(std::index_sequence<T...>) {
    return &AccumulateClass<T...>;
}

template <size_t... I>
constexpr std::array<AccumulateFn, sizeof...(I)> MakeAccumulators(std::index_sequence<I...>) {
    return {AccumulatorFor(std::make_index_sequence<I + 1>{})...};
}

// Indexed by tap count - 1 (1..25).
constexpr std::array<AccumulateFn, 25> kAccumulators = MakeAccumulators(std::make_index_sequence<25>{});

}  // namespace

void RowFilter::RunChunk(const uint8_t* const* taps, int32_t begin, int32_t length, uint8_t* out) {
    if (classCount_ == 0) std::fill(acc_, acc_ + length, 0);
    for (int k = 0; k < classCount_; ++k) {
        const WeightClass& c = classes_[k];
        const uint8_t* src[25];
        for (int t = 0; t < c.count; ++t) src[t] = taps[c.rowIndex[t]] + begin + c.columnOffset[t];
        kAccumulators[c.count - 1](src, c.weight, length, acc_, k == 0);
    }
    // A negative sum truncates to zero or below and clamps to 0, so the
    // division can be unsigned, which vectorises.
    const auto finish = [&](auto divisor) {
        for (int32_t i = 0; i < length; ++i) {
            const uint32_t a = acc_[i] < 0 ? 0u : static_cast<uint32_t>(acc_[i]);
            const uint32_t q = a / decltype(divisor)::value;
            out[i] = static_cast<uint8_t>(q > 255u ? 255u : q);
        }
    };
    if (divisor_ == kDescreenDivisor) {
        finish(std::integral_constant<uint32_t, kDescreenDivisor>{});
    } else {
        finish(std::integral_constant<uint32_t, kSharpenDivisor>{});
    }
}

template <typename Sum>
void RowFilter::RunSymmetricChunk(const uint8_t* const* taps, int32_t begin, int32_t length, uint8_t* out) {
    constexpr int kReach = 2 * 3;  // two pixels of three bytes beyond each end
    const int half = size_ / 2;
    const int32_t step = channels_;
    const int32_t margin = half * step;
    const int32_t n = length + 2 * margin;
    // Byte i of these arrays belongs to position begin - margin + i.
    Sum rows[3][kChunk + 2 * kReach];
    Sum columns[3][kChunk + 2 * kReach];
    const uint8_t* centre = taps[half] + begin - margin;
    for (int32_t i = 0; i < n; ++i) rows[0][i] = centre[i];
    for (int a = 1; a <= half; ++a) {
        const uint8_t* up = taps[half - a] + begin - margin;
        const uint8_t* down = taps[half + a] + begin - margin;
        for (int32_t i = 0; i < n; ++i) rows[a][i] = static_cast<Sum>(up[i] + down[i]);
    }
    for (int b = 0; b <= half; ++b) {
        Sum* col = columns[b];
        const Sum w0 = static_cast<Sum>(pairWeight_[0][b]), w1 = static_cast<Sum>(pairWeight_[1][b]);
        if (half == 1) {
            for (int32_t i = 0; i < n; ++i) col[i] = static_cast<Sum>(w0 * rows[0][i] + w1 * rows[1][i]);
            continue;
        }
        const Sum w2 = static_cast<Sum>(pairWeight_[2][b]);
        for (int32_t i = 0; i < n; ++i)
            col[i] = static_cast<Sum>(w0 * rows[0][i] + w1 * rows[1][i] + w2 * rows[2][i]);
    }
    Sum sums[kChunk];
    const Sum* c0 = columns[0] + margin;
    const Sum* c1 = columns[1] + margin;
    for (int32_t i = 0; i < length; ++i) sums[i] = static_cast<Sum>(c0[i] + c1[i - step] + c1[i + step]);
    if (half == 2) {
        const Sum* c2 = columns[2] + margin;
        for (int32_t i = 0; i < length; ++i)
            sums[i] = static_cast<Sum>(sums[i] + c2[i - 2 * step] + c2[i + 2 * step]);
    }
    // As in RunChunk: negative sums clamp to 0, so the division is unsigned.
    using Unsigned = std::make_unsigned_t<Sum>;
    const auto finish = [&](auto divisor) {
        for (int32_t i = 0; i < length; ++i) {
            const Unsigned a = sums[i] < 0 ? Unsigned{0} : static_cast<Unsigned>(sums[i]);
            const Unsigned q = static_cast<Unsigned>(a / decltype(divisor)::value);
            out[i] = static_cast<uint8_t>(q > 255u ? 255u : q);
        }
    };
    if (divisor_ == kDescreenDivisor) {
        finish(std::integral_constant<Unsigned, kDescreenDivisor>{});
    } else {
        finish(std::integral_constant<Unsigned, kSharpenDivisor>{});
    }
}
