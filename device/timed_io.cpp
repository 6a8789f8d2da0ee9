#include "device/timed_io.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

enum class Direction { Send, Receive };

// Who owns a worker while it runs an exchange: it marks itself done, or the
// caller, having waited out the time-out and the grace, gives it up (orphans
// it) and the worker frees itself whenever its blocked call comes back.
enum WorkerState : LONG { WORKER_BUSY, WORKER_DONE, WORKER_ORPHANED };

// A long-lived thread running one exchange after another: starting a thread
// per read costs more than the read itself on some systems. The worker only
// ever touches its own buffer and the transport it borrowed, never the
// caller's: received bytes land in `data` and the caller copies them out once
// the worker has finished in time. The buffer is kept, so a stream of reads
// allocates once.
struct Worker {
    HANDLE thread;
    HANDLE wake;      // auto-reset: an exchange (or the order to end) is waiting
    HANDLE finished;  // auto-reset: the exchange is through
    std::atomic<LONG> state;
    std::atomic<bool> abandoned;
    bool quit;
    Direction direction;
    Transport* transport;
    uint8_t* data;
    uint32_t capacity;
    uint32_t count;  // bytes still to move
    uint32_t done;
    LONG result;
};

// At most one idle worker is kept; the device link ends it when it closes.
std::atomic<Worker*> idleWorker{nullptr};

void FreeWorker(Worker* worker) {
    CloseHandle(worker->wake);
    CloseHandle(worker->finished);
    CloseHandle(worker->thread);
    free(worker->data);
    delete worker;
}

// One write, as the device expects each block in a single send.
LONG RunSend(Worker* job) {
    uint32_t count = job->count;
    if (!TransportWrite(job->transport, job->data, &count) || count != job->count) return 0;
    job->done = count;
    return 1;
}

// Reads until every byte is there. A transport that hands back nothing is
// asked again after a pause, so the loop waits for data instead of spinning.
LONG RunReceive(Worker* job) {
    while (job->count > 0) {
        if (job->abandoned) return 0;
        uint32_t got = job->count;
        if (!TransportRead(job->transport, job->data + job->done, &got)) return 0;
        if (got > job->count) return 0;  // a transport claiming more than asked is not trusted
        if (got == 0) Sleep(1);
        job->done += got;
        job->count -= got;
    }
    return 1;
}

// Runs exchanges until told to end; an orphaned worker frees itself.
DWORD WINAPI WorkerMain(void* parameter) {
    auto* worker = static_cast<Worker*>(parameter);
    for (;;) {
        WaitForSingleObject(worker->wake, INFINITE);
        if (worker->quit) return 0;
        worker->result = worker->direction == Direction::Send ? RunSend(worker) : RunReceive(worker);
        // The owner may have destroyed the transport while this call was stuck.
        TransportGiveBack(worker->transport);
        worker->transport = nullptr;
        LONG busy = WORKER_BUSY;
        if (!worker->state.compare_exchange_strong(busy, WORKER_DONE)) {
            FreeWorker(worker);
            return 0;
        }
        SetEvent(worker->finished);
    }
}

// The idle worker, or a new one; null when no thread can be started.
Worker* TakeWorker() {
    Worker* worker = idleWorker.exchange(nullptr);
    if (worker != nullptr) return worker;
    worker = new (std::nothrow) Worker{};
    if (worker == nullptr) return nullptr;
    worker->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    worker->finished = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (worker->wake != nullptr && worker->finished != nullptr) {
        worker->thread =
            CreateThread(nullptr, 64 * 1024, WorkerMain, worker, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    }
    if (worker->thread == nullptr) {
        if (worker->wake != nullptr) CloseHandle(worker->wake);
        if (worker->finished != nullptr) CloseHandle(worker->finished);
        delete worker;
        return nullptr;
    }
    return worker;
}

// Tells an idle worker to end and waits for it, so no thread of ours outlives
// the link. An idle worker ends at once; should it not, it is left rather
// than freed under it.
void EndWorker(Worker* worker) {
    worker->quit = true;
    SetEvent(worker->wake);
    if (WaitForSingleObject(worker->thread, CancelGraceMs) == WAIT_OBJECT_0) FreeWorker(worker);
}

// Keeps the worker for the next exchange, or ends it when one is kept already.
void ParkWorker(Worker* worker) {
    Worker* empty = nullptr;
    if (!idleWorker.compare_exchange_strong(empty, worker)) EndWorker(worker);
}

// Makes the worker's buffer hold `count` bytes; false when there is no memory.
bool Reserve(Worker* worker, uint32_t count) {
    if (worker->capacity >= count) return true;
    free(worker->data);
    worker->data = static_cast<uint8_t*>(malloc(count));
    worker->capacity = worker->data != nullptr ? count : 0;
    return worker->data != nullptr;
}

// Waits out the exchange; on time-out wakes the worker's blocked call and gives
// it a short grace to come back. A thread is never killed: that could leave
// the heap or the loader locked for the whole process. True when the worker
// is through (in time or not); false when it was given up.
bool WaitForWorker(Worker* worker, Transport* transport, LONG* result) {
    DWORD limitMs = static_cast<DWORD>(transport->timeoutSeconds) * 1000;
    if (WaitForSingleObject(worker->finished, limitMs) == WAIT_OBJECT_0) {
        *result = worker->result;
        return true;
    }
    *result = 0;
    worker->abandoned = true;
    TransportCancel(transport, worker->thread);
    if (WaitForSingleObject(worker->finished, CancelGraceMs) == WAIT_OBJECT_0) return true;
    LONG busy = WORKER_BUSY;
    if (worker->state.compare_exchange_strong(busy, WORKER_ORPHANED)) return false;
    // Done just now: it sets its event next; take that so the next exchange starts clean.
    WaitForSingleObject(worker->finished, INFINITE);
    return true;
}

// Moves `count` bytes one way on a worker: `out` is sent, `in` receives.
// 0 when it failed, timed out or no worker or memory could be had.
int RunExchange(Direction direction, Transport* transport, const void* out, void* in, uint32_t count) {
    Worker* worker = TakeWorker();
    if (worker == nullptr) return 0;
    if (!Reserve(worker, count)) {
        ParkWorker(worker);
        return 0;
    }
    if (out != nullptr) memcpy(worker->data, out, count);
    worker->direction = direction;
    worker->transport = transport;
    worker->count = count;
    worker->done = 0;
    worker->abandoned = false;
    worker->state = WORKER_BUSY;
    TransportBorrow(transport);
    SetEvent(worker->wake);
    LONG result = 0;
    if (!WaitForWorker(worker, transport, &result)) return 0;  // orphaned: no longer ours
    if (result == 1 && in != nullptr) memcpy(in, worker->data, worker->done);
    ParkWorker(worker);
    return result == 1 ? 1 : 0;
}

// The staging buffer of direct receives, kept between reads; a receive that
// finds it taken by another thread stages in memory of its own.
std::atomic<bool> stagingTaken{false};
uint8_t* staging = nullptr;
uint32_t stagingCapacity = 0;

// Memory for `count` received bytes, null when there is none; hand it back with ReturnStaging.
uint8_t* TakeStaging(uint32_t count) {
    if (stagingTaken.exchange(true)) return static_cast<uint8_t*>(malloc(count));
    if (stagingCapacity < count) {
        free(staging);
        staging = static_cast<uint8_t*>(malloc(count));
        stagingCapacity = staging != nullptr ? count : 0;
    }
    if (staging == nullptr) stagingTaken = false;
    return staging;
}

void ReturnStaging(uint8_t* memory) {
    if (memory == staging) {
        stagingTaken = false;
    } else {
        free(memory);
    }
}

// Moves `count` bytes of `data` one way on the calling thread within the
// time-out, however slowly the bytes trickle. Each step tries the transport
// first and waits only when it had nothing to move: while data streams in,
// every wait saved is a system call saved. A time-out closes the connection,
// as a cancelled exchange does.
bool MoveDirect(Direction direction, Transport* transport, uint8_t* data, uint32_t count) {
    const DWORD limitMs = static_cast<DWORD>(transport->timeoutSeconds) * 1000;
    const DWORD start = GetTickCount();
    uint32_t done = 0;
    bool mustWait = false;
    while (done < count) {
        const DWORD elapsed = GetTickCount() - start;
        const bool late = elapsed >= limitMs;
        if (late || (mustWait && !TransportWait(transport, direction == Direction::Send, limitMs - elapsed))) {
            if (late || GetTickCount() - start >= limitMs) TransportCancel(transport, nullptr);
            return false;
        }
        uint32_t moved = count - done;
        const bool ok = direction == Direction::Send ? TransportWrite(transport, data + done, &moved)
                                                     : TransportRead(transport, data + done, &moved);
        if (!ok || moved > count - done) return false;  // a transport claiming more than asked is not trusted
        done += moved;
        mustWait = moved == 0;
    }
    return true;
}

// A send or receive for kinds that can wait: no thread is involved, so
// nothing runs on once this returns. Received bytes reach `in` only complete.
int RunDirect(Direction direction, Transport* transport, const void* out, void* in, uint32_t count) {
    if (direction == Direction::Send)
        return MoveDirect(direction, transport, static_cast<uint8_t*>(const_cast<void*>(out)), count) ? 1 : 0;
    uint8_t* memory = TakeStaging(count);
    if (memory == nullptr) return 0;
    const bool ok = MoveDirect(direction, transport, memory, count);
    if (ok) memcpy(in, memory, count);
    ReturnStaging(memory);
    return ok ? 1 : 0;
}

}  // namespace

int SendWithTimeout(Transport* transport, const void* data, uint32_t count) {
    if (transport == nullptr || data == nullptr || count == 0) return 0;
    if (TransportCanWait(transport)) return RunDirect(Direction::Send, transport, data, nullptr, count);
    return RunExchange(Direction::Send, transport, data, nullptr, count);
}

int ReceiveWithTimeout(Transport* transport, void* buffer, uint32_t count) {
    if (transport == nullptr || buffer == nullptr || count == 0) return 0;
    if (TransportCanWait(transport)) return RunDirect(Direction::Receive, transport, nullptr, buffer, count);
    return RunExchange(Direction::Receive, transport, nullptr, buffer, count);
}

void EndIdleIoWorker() {
    Worker* worker = idleWorker.exchange(nullptr);
    if (worker != nullptr) EndWorker(worker);
    if (!stagingTaken.exchange(true)) {
        free(staging);
        staging = nullptr;
        stagingCapacity = 0;
        stagingTaken = false;
    }
}
