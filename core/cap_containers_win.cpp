// Container blocks in movable global memory: the form TWAIN applications expect
// to lock, read and free themselves.
#include <windows.h>

#include "core/cap_containers.h"
#include "core/win_handles.h"

namespace {

ContainerAllocator containerAllocator = nullptr;

HGLOBAL AllocateBlock(uint64_t bytes) {
    if (bytes > 0x7fffffff) return nullptr;
    if (containerAllocator != nullptr) return containerAllocator(static_cast<size_t>(bytes));
    return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(bytes));
}

// Allocates, lets write fill the locked block and hands the block to cap.
// On any failure cap ends with a null handle and nothing leaks.
template <typename Writer>
bool BuildContainer(TW_CAPABILITY* cap, TW_UINT16 conType, uint64_t bytes, Writer write) {
    cap->hContainer = nullptr;
    GlobalMemory block(AllocateBlock(bytes));
    if (!block) return false;
    {
        GlobalLockScope lock(block.get());
        if (!lock) return false;
        write(lock.as<uint8_t>());
    }
    cap->ConType = conType;
    cap->hContainer = block.release();
    return true;
}

// Size of an application's block; 0 for a null or dead handle.
size_t BlockSize(HGLOBAL handle) { return handle == nullptr ? 0 : GlobalSize(handle); }

}  // namespace

bool BuildOneValue(TW_CAPABILITY* cap, TW_UINT16 itemType, TW_UINT32 value) {
    return BuildContainer(cap, TWON_ONEVALUE, OneValueBytes,
                          [&](uint8_t* block) { WriteOneValue(block, itemType, value); });
}

bool BuildEnumeration(TW_CAPABILITY* cap, const CapTable& table, const TW_UINT32* items) {
    return BuildContainer(cap, TWON_ENUMERATION, EnumerationBlockBytes(table.ItemType, table.NumItems),
                          [&](uint8_t* block) { WriteEnumeration(block, table, items); });
}

bool BuildRange(TW_CAPABILITY* cap, TW_UINT16 itemType, TW_UINT32 minValue, TW_UINT32 maxValue,
                TW_UINT32 stepSize, TW_UINT32 defaultValue, TW_UINT32 currentValue) {
    return BuildContainer(cap, TWON_RANGE, RangeBytes, [&](uint8_t* block) {
        WriteRange(block, itemType, minValue, maxValue, stepSize, defaultValue, currentValue);
    });
}

bool BuildArray(TW_CAPABILITY* cap, const CapTable& table, const TW_UINT32* items) {
    return BuildContainer(cap, TWON_ARRAY, ArrayBlockBytes(table.ItemType, table.NumItems),
                          [&](uint8_t* block) { WriteArray(block, table, items); });
}

bool ReadOneValue(const TW_CAPABILITY* cap, TW_UINT32* out) {
    *out = 0;
    const size_t size = BlockSize(cap->hContainer);
    if (size == 0) return false;
    GlobalLockScope lock(cap->hContainer);
    return ReadOneValueBytes(lock.as<uint8_t>(), size, out);
}

bool IsSoundEnumeration(const TW_CAPABILITY* cap) {
    const size_t size = BlockSize(cap->hContainer);
    if (size == 0) return false;
    GlobalLockScope lock(cap->hContainer);
    return IsSoundEnumerationBytes(lock.as<uint8_t>(), size);
}

void SetContainerAllocator(ContainerAllocator allocator) { containerAllocator = allocator; }
