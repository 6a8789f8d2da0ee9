// Sends and receives bounded by the transport's time-out. Each runs on a
// worker thread kept from one exchange to the next; a device that stays silent
// costs the caller the time-out, never a hang.
#pragma once

#include <cstdint>

#include "device/transport.h"

// 1 when the transport accepted all `count` bytes within the time-out, else 0
// (also for no transport, no data or a count of 0).
int SendWithTimeout(Transport* transport, const void* data, uint32_t count);
// 1 when exactly `count` bytes arrived in `buffer` within the time-out, else 0.
// On failure `buffer` is left as it was.
int ReceiveWithTimeout(Transport* transport, void* buffer, uint32_t count);

// How long a timed-out exchange waits for its cancelled worker to come back
// before leaving it to finish on its own.
constexpr uint32_t CancelGraceMs = 2000;

// Ends the worker kept between exchanges (the device link does so when it
// closes); nothing when none is kept.
void EndIdleIoWorker();
