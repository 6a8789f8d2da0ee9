// Neighbourhood filters run on scanned rows before the tone tables: a 3x3
// family (soften/sharpen) and a 5x5 descreen family, both integer
// convolutions whose weight x value products come from per-image tables.
#pragma once

#include <cstdint>

#include "scan/scan_settings.h"

// One filtered pixel: channels R, G, B for colour data; grey uses c[0].
struct Pixel {
    uint8_t c[3];
};

struct SharpenTables {
    int32_t corner[256];
    int32_t edge[256];
    int32_t centre[256];
};

// One table per window position, row by row from offset (-2,-2) to (+2,+2).
struct DescreenTables {
    int32_t position[25][256];
};

// Module-wide tables; the pipeline rebuilds them at the start of each image.
SharpenTables& GetSharpenTables();
DescreenTables& GetDescreenTables();

// Fills the 3x3 tables for sharpness -2, -1, 1, 2, 3; other values leave the
// tables as they are.
void BuildSharpenTables(int32_t sharpness);
// Fills the 5x5 tables for sharpness -2..3; other values leave them alone.
void BuildDescreenTables(int32_t sharpness);

// The filtered pixel at column x of row y of settings->rows (colour when
// pixelType is 3, else grey), with the image edge repeated outward.
Pixel Sharpen3x3(const ScanSettings* settings, int32_t x, int32_t y);
Pixel Descreen5x5(const ScanSettings* settings, int32_t x, int32_t y);

// Whole-row form of the current tables, for the pipeline's inner loop. It
// gives the same bytes as the per-pixel functions.
class RowFilter {
   public:
    static constexpr int kPad = 2;  // pixels repeated beyond each side of a padded row

    // Captures the weights of the current 3x3 (size 3) or 5x5 (size 5) tables.
    void Prepare(int size, int channels);
    // Filters `width` pixels. taps[k] points at the first real pixel of the
    // padded input row at offset k - size/2, each row carrying kPad edge
    // pixels on both sides. Writes width x channels bytes to out.
    void Run(const uint8_t* const* taps, int32_t width, uint8_t* out);

    int Size() const { return size_; }

   private:
    // Positions sharing one weight are summed first, then multiplied once.
    struct WeightClass {
        int32_t weight;
        int count;
        int8_t rowIndex[25];
        int8_t columnOffset[25];
    };
    static constexpr int kChunk = 1024;  // bytes filtered per pass, kept in L1

    void RunChunk(const uint8_t* const* taps, int32_t begin, int32_t length, uint8_t* out);
    // Kernels symmetric about both axes (all of ours) split into row pairs
    // and column pairs: the rows at equal distance are added first, weighted
    // per column distance, then the columns at equal distance are added.
    // Used where every partial sum fits 16 bits.
    template <typename Sum>
    void RunSymmetricChunk(const uint8_t* const* taps, int32_t begin, int32_t length, uint8_t* out);

    int size_ = 0;
    int channels_ = 1;
    int32_t divisor_ = 72;
    int classCount_ = 0;
    WeightClass classes_[25] = {};
    bool symmetric_ = false;
    bool narrow_ = false;            // every partial sum fits 16 bits
    int32_t pairWeight_[3][3] = {};  // [row distance][column distance]
    int32_t acc_[kChunk] = {};
};
