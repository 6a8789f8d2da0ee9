#include "scan/chunk_worker.h"

#include <initializer_list>

#include "image/adjustment_pipeline.h"

namespace {

bool overlapAllowed = true;

bool SecondProcessor() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 1;
}

}  // namespace

void AllowChunkOverlap(bool allowed) { overlapAllowed = allowed; }

ChunkWorker::ChunkWorker(ScanSettings* settings) : settings_(settings) {
    if (!overlapAllowed || !AdjustmentIsHeavy(settings) || !SecondProcessor()) return;
    ready_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    done_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (ready_ != nullptr && done_ != nullptr) thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    if (thread_ == nullptr) Close();  // no worker: every chunk inline
}

ChunkWorker::~ChunkWorker() {
    Wait();
    if (thread_ != nullptr) {
        stop_ = true;
        SetEvent(ready_);
        WaitForSingleObject(thread_, INFINITE);
    }
    Close();
}

void ChunkWorker::Close() {
    for (HANDLE* h : {&thread_, &ready_, &done_}) {
        if (*h != nullptr) CloseHandle(*h);
        *h = nullptr;
    }
}

// The adjustment only computes (no device or other waits), so every wait on
// the worker ends; the device operations keep their time-outs on the scan
// thread.
void ChunkWorker::Adjust(int32_t firstRow, int32_t rowCount) {
    if (thread_ == nullptr) {
        AdjustRows(settings_, firstRow, rowCount);
        return;
    }
    Wait();
    firstRow_ = firstRow;
    rowCount_ = rowCount;
    busy_ = true;
    SetEvent(ready_);
}

void ChunkWorker::Wait() {
    if (!busy_) return;
    WaitForSingleObject(done_, INFINITE);
    busy_ = false;
}

DWORD WINAPI ChunkWorker::Run(void* self) {
    auto* w = static_cast<ChunkWorker*>(self);
    for (;;) {
        WaitForSingleObject(w->ready_, INFINITE);
        if (w->stop_) return 0;
        AdjustRows(w->settings_, w->firstRow_, w->rowCount_);
        SetEvent(w->done_);
    }
}
