#include "device/paper_sizes.h"

namespace {

struct PaperSize {
    int32_t code;
    int32_t width600;
    int32_t length600;
};

// Code 255 (custom area) carries the A4 size.
constexpr PaperSize paperSizes[] = {
    {0, 7020, 9924},  {1, 6072, 8598},  {2, 4960, 7015},   {3, 4302, 6072},  {4, 3495, 4960},
    {5, 4960, 7795},  {6, 7015, 4960},  {7, 6072, 4302},   {8, 4960, 3495},  {9, 6600, 10200},
    {10, 6600, 8400}, {11, 5100, 8400}, {12, 5100, 6600},  {13, 3300, 5100}, {14, 6600, 5100},
    {15, 5100, 3300}, {16, 6378, 9216}, {17, 4608, 6378},  {18, 6378, 4608}, {21, 4350, 6300},
    {27, 2478, 3495}, {28, 3498, 2478}, {29, 5100, 3300},  {30, 5100, 7795}, {31, 6078, 8400},
    {32, 4960, 7795}, {33, 5100, 5100}, {255, 4960, 7015},
};

}  // namespace

bool PaperSize600(int32_t code, int32_t* width, int32_t* length) {
    int32_t w = 0;
    int32_t l = 0;
    bool found = false;
    for (const PaperSize& size : paperSizes) {
        if (size.code == code) {
            w = size.width600;
            l = size.length600;
            found = true;
            break;
        }
    }
    if (width != nullptr) *width = w;
    if (length != nullptr) *length = l;
    return found;
}
