// The document width and length the main dialog shows for a size index: a
// paper of the built-in table placed and turned as the placement and rotation
// boxes say, the custom size, or a registered area. Platform-free; lengths in
// 1/6000 inch.
#pragma once

#include <cstdint>

#include "ui/main_ui_state.h"

// The placement box without a selection (it is disabled for most papers).
constexpr int32_t NoPlacement = -1;

// A paper row placed by `placement` (0, 1 or NoPlacement) and turned by
// `rotation` (0..3): the row's width and length for placement 0 or none with
// rotation 1 or 3, and for placement 1 with rotation 0 or 2; exchanged otherwise.
PaperSizeEntry PlacedPaperSize(const PaperSizeEntry& paper, int32_t placement, int32_t rotation);

// Whether the placement box applies to a size index: only the papers 2, 3, 5
// and 8 can lie either way on the glass.
bool PlacementApplies(int32_t sizeIndex);

// The document size that size index `sizeIndex` gives with the placement,
// rotation, custom size and registered areas of `m`. False, with *size
// untouched, for an index that names no paper, custom size or loaded area.
bool DocumentSizeOf(const MainUiState& m, int32_t sizeIndex, PaperSizeEntry* size);
