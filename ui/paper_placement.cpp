#include "ui/paper_placement.h"

#include <utility>

namespace {

bool IsOdd(int32_t value) { return (value & 1) != 0; }

PaperSizeEntry ExchangedWhen(bool exchange, int32_t width, int32_t length) {
    if (exchange) std::swap(width, length);
    return {width, length};
}

}  // namespace

PaperSizeEntry PlacedPaperSize(const PaperSizeEntry& paper, int32_t placement, int32_t rotation) {
    const bool asListed = placement == 1 ? !IsOdd(rotation) : IsOdd(rotation);
    return ExchangedWhen(!asListed, paper.width, paper.length);
}

bool PlacementApplies(int32_t sizeIndex) {
    return sizeIndex == 2 || sizeIndex == 3 || sizeIndex == 5 || sizeIndex == 8;
}

bool DocumentSizeOf(const MainUiState& m, int32_t sizeIndex, PaperSizeEntry* size) {
    if (sizeIndex == 0) {
        // The custom size was typed under customOrientation.
        *size = ExchangedWhen(IsOdd(m.customOrientation + m.scanOrientation), m.customA, m.customB);
        return true;
    }
    if (sizeIndex >= 1 && sizeIndex <= PaperSizeCount) {
        const int32_t placement = PlacementApplies(sizeIndex) ? m.scanOrientn : NoPlacement;
        *size = PlacedPaperSize(m.paperSizeTable[sizeIndex - 1], placement, m.scanOrientation);
        return true;
    }
    const int32_t area = sizeIndex - (PaperSizeCount + 1);
    if (area >= 0 && area < m.newCount && area < AreaTableSize) {
        // A sub-area was registered under its own rotation and turns with it.
        const ScanAreaRecord& r = m.areaTable[area];
        *size = ExchangedWhen(r.check == 1 && IsOdd(r.orientation + m.scanOrientation), r.a, r.b);
        return true;
    }
    return false;
}
