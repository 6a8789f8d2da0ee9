// Fixed global memory blocks that hold the job's buffers.
#pragma once

#include <cstdint>

// A fixed, zero-filled block of 'bytes' (null when it cannot be had, also for
// sizes a 32-bit process cannot address); its handle goes to *handle.
uint8_t* AllocateFixedBlock(uint64_t bytes, void** handle);
// Frees the block that starts at 'base' and clears the pointer; null is fine.
void FreeFixedBlock(uint8_t*& base);
