// What --list-options prints for one capability: the values a source's
// MSG_GET container allows, with the current and default one, in words
// where the code has a name. Platform-free; every length is checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/twain.h"

// Bytes of one item of a TWTY_ type; 0 for a type without a fixed size.
size_t TwainItemBytes(TW_UINT16 type);
// The item of 'bytes' (1, 2 or 4) bytes at 'at', little-endian, widened.
uint32_t ReadTwainItem(const uint8_t* at, size_t bytes);

// 'block' holds the container of kind 'conType' (TWON_...), 'size' bytes.
std::string DescribeCapability(TW_UINT16 cap, TW_UINT16 conType, const uint8_t* block, size_t size);
