// Capability containers: the one-value, enumeration, range and array blocks that
// carry capability values between application and source, the stored tables
// they are built from, and TW_FIX32 conversions.
//
// The byte layout and the arithmetic are platform-free; the builders and
// ReadOneValue work on movable global memory and exist in the Windows build only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/twain.h"

// A stored enumeration or array; the items live in a separate list. Handlers
// move CurrentIndex; builders copy what the table holds at the moment of the call.
struct CapTable {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT32 CurrentIndex;
    TW_UINT32 DefaultIndex;
};

// Header sizes of the packed containers.
constexpr size_t OneValueBytes = 6;
constexpr size_t EnumerationHeaderBytes = 14;
constexpr size_t ArrayHeaderBytes = 6;
constexpr size_t RangeBytes = 22;

TW_FIX32 WholeToFix32(int32_t n);
// Length in hundredths of an inch as inches; whole and fraction truncated.
TW_FIX32 HundredthsToFix32(int32_t hundredths);
// A TW_FIX32 as it sits in a 32-bit container item: Whole in the low half.
TW_UINT32 Fix32ToItem(TW_FIX32 value);
TW_FIX32 ItemToFix32(TW_UINT32 item);

// Bytes of one item of this type; 0 for frames, strings and unknown types,
// which the source never carries.
size_t CapItemSize(TW_UINT16 itemType);

// Bytes of a list container: the TWAIN structure with its one-byte item list,
// plus the items (so one byte more than the items need). 64-bit so a hostile
// item count cannot wrap.
uint64_t EnumerationBlockBytes(TW_UINT16 itemType, TW_UINT32 numItems);
uint64_t ArrayBlockBytes(TW_UINT16 itemType, TW_UINT32 numItems);

// Writers into a block of at least the sizes above. Items are stored one by
// one at the table's item size; 8- and 16-bit items keep their low bytes.
void WriteOneValue(uint8_t* block, TW_UINT16 itemType, TW_UINT32 value);
void WriteEnumeration(uint8_t* block, const CapTable& table, const TW_UINT32* items);
void WriteArray(uint8_t* block, const CapTable& table, const TW_UINT32* items);
void WriteRange(uint8_t* block, TW_UINT16 itemType, TW_UINT32 minValue, TW_UINT32 maxValue,
                TW_UINT32 stepSize, TW_UINT32 defaultValue, TW_UINT32 currentValue);

// Reads the item of a one-value block of blockSize bytes into *out, zero-extended
// from the item's size. False, with *out 0, when the block is too short for its
// header or item or the item type has no size.
bool ReadOneValueBytes(const uint8_t* block, size_t blockSize, TW_UINT32* out);

// True when an enumeration block of blockSize bytes holds a sized item type, at
// least one item, all of its items inside the block and a current index among them.
bool IsSoundEnumerationBytes(const uint8_t* block, size_t blockSize);

// Global memory builders. Each allocates a new movable block, stores its handle
// in cap->hContainer and the kind in cap->ConType; the block is the caller's
// (the application's) from then on. Whatever handle cap held is overwritten,
// never read or freed. False, with hContainer null, when allocation fails.
bool BuildOneValue(TW_CAPABILITY* cap, TW_UINT16 itemType, TW_UINT32 value);
bool BuildEnumeration(TW_CAPABILITY* cap, const CapTable& table, const TW_UINT32* items);
bool BuildRange(TW_CAPABILITY* cap, TW_UINT16 itemType, TW_UINT32 minValue, TW_UINT32 maxValue,
                TW_UINT32 stepSize, TW_UINT32 defaultValue, TW_UINT32 currentValue);
bool BuildArray(TW_CAPABILITY* cap, const CapTable& table, const TW_UINT32* items);

// Reads the item of the one value in cap->hContainer; it does not look at
// ConType. False, with *out 0, for a null or dead handle, a block shorter than
// its item, or an item type without size.
bool ReadOneValue(const TW_CAPABILITY* cap, TW_UINT32* out);

// True when cap->hContainer is a readable enumeration whose claimed items fit in
// its block (see IsSoundEnumerationBytes).
bool IsSoundEnumeration(const TW_CAPABILITY* cap);

// Replaces the allocation of container blocks, so tests can make it fail; null
// restores the platform's movable global memory.
using ContainerAllocator = void* (*)(size_t bytes);
void SetContainerAllocator(ContainerAllocator allocator);
