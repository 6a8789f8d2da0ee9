// What --list-options prints for one capability: the values a source's
// MSG_GET container allows, with the current and default one, in words
// where the code has a name. Platform-free; every length is checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/twain.h"

// 'block' holds the container of kind 'conType' (TWON_...), 'size' bytes.
std::string DescribeCapability(TW_UINT16 cap, TW_UINT16 conType, const uint8_t* block, size_t size);
