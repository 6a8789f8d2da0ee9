#include "scan/paper_tables.h"

namespace {

// The device scans optically up to 600 dpi; the last three are interpolated.
constexpr int32_t resolutionTable[ResolutionCount] = {75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800};

// Codes 28 to 33 are device formats without a TWAIN name; 255 is the custom
// area, which carries the A4 size.
constexpr PaperCodeEntry paperCodeTable[] = {
    {0, 11, 1170, 1654, 7020, 9924}, {1, 6, 1012, 1433, 6072, 8598},  {2, 1, 827, 1170, 4960, 7015},
    {3, 2, 717, 1012, 4302, 6072},   {4, 5, 583, 827, 3495, 4960},    {5, 1, 827, 1300, 4960, 7795},
    {6, 1, 1170, 827, 7015, 4960},   {7, 2, 1012, 717, 6072, 4302},   {8, 5, 827, 583, 4960, 3495},
    {9, 9, 1100, 1700, 6600, 10200}, {10, 1, 1100, 1400, 6600, 8400}, {11, 4, 850, 1400, 5100, 8400},
    {12, 3, 850, 1100, 5100, 6600},  {13, 1, 550, 850, 3300, 5100},   {14, 3, 1100, 850, 6600, 5100},
    {15, 1, 850, 550, 5100, 3300},   {16, 1, 1063, 1536, 6378, 9216}, {17, 1, 768, 1063, 4608, 6378},
    {18, 1, 1063, 768, 6378, 4608},  {21, 1, 725, 1050, 4350, 6300},  {27, 1, 413, 583, 2478, 3495},
    {28, 0, 583, 413, 3498, 2478},   {29, 0, 850, 550, 5100, 3300},   {30, 0, 850, 1300, 5100, 7795},
    {31, 0, 1013, 1400, 6078, 8400}, {32, 0, 827, 1300, 4960, 7795},  {33, 0, 850, 850, 5100, 5100},
    {255, 0, 827, 1170, 4960, 7015},
};

}  // namespace

std::span<const PaperCodeEntry> PaperCodeTable() { return paperCodeTable; }

PaperCodeEntry LookupPaperCode(int32_t code) {
    for (const PaperCodeEntry& entry : paperCodeTable) {
        if (entry.code == code) return entry;
    }
    return PaperCodeEntry{};
}

int32_t ResolutionDpi(int32_t index) {
    if (index < 0 || index >= ResolutionCount) return 0;
    return resolutionTable[index];
}

int32_t ResolutionIndexOf(int32_t dpi) {
    for (int32_t i = 0; i < ResolutionCount; ++i) {
        if (resolutionTable[i] == dpi) return i;
    }
    return -1;
}

int32_t InterpolationFactor(int32_t index) {
    switch (index) {
        case 7:
            return 2;
        case 8:
            return 4;
        case 9:
            return 8;
        default:
            return 1;
    }
}
