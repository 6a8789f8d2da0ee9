// Adjusts the chunks of one scan on a second thread, so that the adjustment
// of one chunk runs while the scan thread reads the next.
//
// Only where it pays: with more than one processor and settings whose
// adjustment costs more than a table lookup. A neutral or tone-only
// adjustment runs near copying speed, and any hand-off (a wakeup of another
// thread, the chunk's rows moving to the other core's cache) would cost more
// than it saves; those chunks are adjusted inline, exactly as without the
// worker. When it runs, the job has one thread for its whole length and one
// hand-off per chunk.
#pragma once

#include <windows.h>

#include <cstdint>

#include "scan/scan_settings.h"

// False keeps every chunk on the scan thread (for measuring what the overlap
// gives); true, the default, lets it run where it pays.
void AllowChunkOverlap(bool allowed);

class ChunkWorker {
   public:
    explicit ChunkWorker(ScanSettings* settings);
    // Waits for the chunk in flight, then ends the thread.
    ~ChunkWorker();
    ChunkWorker(const ChunkWorker&) = delete;
    ChunkWorker& operator=(const ChunkWorker&) = delete;

    // Adjusts rows firstRow..firstRow+rowCount-1 once the previous chunk is
    // done: on the worker when it runs (returning at once), else here. The
    // caller may then write rows beyond these, never these or earlier ones.
    void Adjust(int32_t firstRow, int32_t rowCount);
    // Returns when every chunk handed over has been adjusted.
    void Wait();
    bool Overlapping() const { return thread_ != nullptr; }

   private:
    static DWORD WINAPI Run(void* self);
    void Close();

    ScanSettings* settings_;
    HANDLE ready_ = nullptr;  // auto-reset: a chunk (or the stop) is handed over
    HANDLE done_ = nullptr;   // auto-reset: the chunk handed over is adjusted
    HANDLE thread_ = nullptr;
    bool busy_ = false;
    bool stop_ = false;
    int32_t firstRow_ = 0;
    int32_t rowCount_ = 0;
};
