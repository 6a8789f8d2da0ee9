#include "device/timed_io.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

enum class Direction { Send, Receive };

// Shared by the caller and its worker; whichever lets go last frees it. The
// worker only ever touches this job and the transport, never the caller's
// buffer: received bytes land in `data` and the caller copies them out once
// the worker has finished in time.
struct WorkerJob {
    std::atomic<int> holders;
    std::atomic<bool> abandoned;
    Direction direction;
    Transport* transport;
    uint8_t* data;
    uint32_t count;  // bytes still to move
    uint32_t done;
    DWORD startTick;
    volatile LONG result;
};

WorkerJob* NewJob(Direction direction, Transport* transport, uint32_t count) {
    auto* job = new (std::nothrow) WorkerJob{};
    if (job == nullptr) return nullptr;
    job->data = static_cast<uint8_t*>(malloc(count));
    if (job->data == nullptr) {
        delete job;
        return nullptr;
    }
    job->holders = 2;
    job->direction = direction;
    job->transport = transport;
    job->count = count;
    job->startTick = GetTickCount();
    return job;
}

void ReleaseJob(WorkerJob* job) {
    if (job->holders.fetch_sub(1) != 1) return;
    free(job->data);
    delete job;
}

// One write, as the device expects each block in a single send.
LONG RunSend(WorkerJob* job) {
    uint32_t count = job->count;
    if (!TransportWrite(job->transport, job->data, &count) || count != job->count) return 0;
    job->done = count;
    return 1;
}

// Reads until every byte is there. A transport that hands back nothing is
// asked again after a pause, so the loop waits for data instead of spinning.
LONG RunReceive(WorkerJob* job) {
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

DWORD WINAPI WorkerMain(void* parameter) {
    auto* job = static_cast<WorkerJob*>(parameter);
    LONG result = job->direction == Direction::Send ? RunSend(job) : RunReceive(job);
    InterlockedExchange(&job->result, result);
    ReleaseJob(job);
    return 0;
}

// Waits out the job; on time-out wakes the worker's blocked call and gives it a
// short grace to come back. A thread is never killed: that could leave the
// heap or the loader locked for the whole process.
int WaitForWorker(WorkerJob* job, HANDLE thread) {
    DWORD limitMs = static_cast<DWORD>(job->transport->timeoutSeconds) * 1000;
    if (WaitForSingleObject(thread, limitMs) == WAIT_OBJECT_0) return job->result;
    job->abandoned = true;
    TransportCancel(job->transport, thread);
    WaitForSingleObject(thread, CancelGraceMs);
    return 0;
}

// Runs the job on a worker thread; 0 when no thread can be started.
int RunJob(WorkerJob* job, void* buffer) {
    HANDLE thread =
        CreateThread(nullptr, 64 * 1024, WorkerMain, job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr) {
        ReleaseJob(job);  // the worker's share
        ReleaseJob(job);
        return 0;
    }
    int result = WaitForWorker(job, thread);
    if (result == 1 && buffer != nullptr) memcpy(buffer, job->data, job->done);
    CloseHandle(thread);
    ReleaseJob(job);
    return result;
}

}  // namespace

int SendWithTimeout(Transport* transport, const void* data, uint32_t count) {
    if (transport == nullptr || data == nullptr || count == 0) return 0;
    WorkerJob* job = NewJob(Direction::Send, transport, count);
    if (job == nullptr) return 0;
    memcpy(job->data, data, count);
    return RunJob(job, nullptr);
}

int ReceiveWithTimeout(Transport* transport, void* buffer, uint32_t count) {
    if (transport == nullptr || buffer == nullptr || count == 0) return 0;
    WorkerJob* job = NewJob(Direction::Receive, transport, count);
    if (job == nullptr) return 0;
    return RunJob(job, buffer);
}
