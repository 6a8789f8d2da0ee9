#include "core/cap_containers.h"

#include <cstring>

namespace {

void PutU16(uint8_t* at, TW_UINT16 value) { memcpy(at, &value, sizeof value); }
void PutU32(uint8_t* at, TW_UINT32 value) { memcpy(at, &value, sizeof value); }

TW_UINT16 GetU16(const uint8_t* at) {
    TW_UINT16 value;
    memcpy(&value, at, sizeof value);
    return value;
}

TW_UINT32 GetU32(const uint8_t* at) {
    TW_UINT32 value;
    memcpy(&value, at, sizeof value);
    return value;
}

// Items are little-endian on every platform the source runs on, so the low
// bytes of the 32-bit value are the item.
void PutItems(uint8_t* at, TW_UINT16 itemType, TW_UINT32 count, const TW_UINT32* items) {
    const size_t size = CapItemSize(itemType);
    for (TW_UINT32 i = 0; i < count; ++i) {
        memcpy(at + i * size, &items[i], size);
    }
}

}  // namespace

TW_FIX32 WholeToFix32(int32_t n) { return TW_FIX32{static_cast<TW_INT16>(n), 0}; }

TW_FIX32 HundredthsToFix32(int32_t hundredths) {
    const int32_t whole = hundredths / 100;
    const int32_t frac = (hundredths % 100) * 65536 / 100;
    return TW_FIX32{static_cast<TW_INT16>(whole), static_cast<TW_UINT16>(frac)};
}

TW_UINT32 Fix32ToItem(TW_FIX32 value) {
    return static_cast<TW_UINT16>(value.Whole) | (static_cast<TW_UINT32>(value.Frac) << 16);
}

TW_FIX32 ItemToFix32(TW_UINT32 item) {
    return TW_FIX32{static_cast<TW_INT16>(item & 0xffff), static_cast<TW_UINT16>(item >> 16)};
}

size_t CapItemSize(TW_UINT16 itemType) {
    switch (itemType) {
        case TWTY_INT8:
        case TWTY_UINT8:
            return 1;
        case TWTY_INT16:
        case TWTY_UINT16:
        case TWTY_BOOL:
            return 2;
        case TWTY_INT32:
        case TWTY_UINT32:
        case TWTY_FIX32:
            return 4;
        default:
            return 0;
    }
}

uint64_t EnumerationBlockBytes(TW_UINT16 itemType, TW_UINT32 numItems) {
    return EnumerationHeaderBytes + 1 + uint64_t{CapItemSize(itemType)} * numItems;
}

uint64_t ArrayBlockBytes(TW_UINT16 itemType, TW_UINT32 numItems) {
    return ArrayHeaderBytes + 1 + uint64_t{CapItemSize(itemType)} * numItems;
}

void WriteOneValue(uint8_t* block, TW_UINT16 itemType, TW_UINT32 value) {
    PutU16(block, itemType);
    PutU32(block + 2, value);
}

void WriteEnumeration(uint8_t* block, const CapTable& table, const TW_UINT32* items) {
    PutU16(block, table.ItemType);
    PutU32(block + 2, table.NumItems);
    PutU32(block + 6, table.CurrentIndex);
    PutU32(block + 10, table.DefaultIndex);
    PutItems(block + EnumerationHeaderBytes, table.ItemType, table.NumItems, items);
}

void WriteArray(uint8_t* block, const CapTable& table, const TW_UINT32* items) {
    PutU16(block, table.ItemType);
    PutU32(block + 2, table.NumItems);
    PutItems(block + ArrayHeaderBytes, table.ItemType, table.NumItems, items);
}

void WriteRange(uint8_t* block, TW_UINT16 itemType, TW_UINT32 minValue, TW_UINT32 maxValue,
                TW_UINT32 stepSize, TW_UINT32 defaultValue, TW_UINT32 currentValue) {
    PutU16(block, itemType);
    PutU32(block + 2, minValue);
    PutU32(block + 6, maxValue);
    PutU32(block + 10, stepSize);
    PutU32(block + 14, defaultValue);
    PutU32(block + 18, currentValue);
}

bool ReadOneValueBytes(const uint8_t* block, size_t blockSize, TW_UINT32* out) {
    *out = 0;
    if (block == nullptr || blockSize < 2) return false;
    const size_t size = CapItemSize(GetU16(block));
    if (size == 0 || blockSize < 2 + size) return false;
    memcpy(out, block + 2, size);
    return true;
}

bool IsSoundEnumerationBytes(const uint8_t* block, size_t blockSize) {
    if (block == nullptr || blockSize < EnumerationHeaderBytes) return false;
    const TW_UINT16 itemType = GetU16(block);
    const TW_UINT32 numItems = GetU32(block + 2);
    const TW_UINT32 currentIndex = GetU32(block + 6);
    if (CapItemSize(itemType) == 0 || numItems == 0 || currentIndex >= numItems) return false;
    // The spare byte of EnumerationBlockBytes is not required of the application.
    return EnumerationBlockBytes(itemType, numItems) - 1 <= blockSize;
}
