#include "scan/global_buffer.h"

#include <windows.h>

uint8_t* AllocateFixedBlock(uint64_t bytes, void** handle) {
    if (handle != nullptr) *handle = nullptr;
    if (bytes == 0 || bytes > 0x7FFF0000ull) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(bytes));
    if (block == nullptr) return nullptr;
    if (handle != nullptr) *handle = block;
    return static_cast<uint8_t*>(GlobalLock(block));
}

void FreeFixedBlock(uint8_t*& base) {
    if (base == nullptr) return;
    HGLOBAL block = GlobalHandle(base);
    if (block != nullptr) {
        GlobalUnlock(block);
        GlobalFree(block);
    }
    base = nullptr;
}
