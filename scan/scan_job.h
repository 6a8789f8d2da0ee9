// A scan job: the application's thread prepares the device and starts the
// scan thread; the scan thread reads the image, adjusts it and signals the end
// through scanStatus, the job's scanDoneEvent and the scan-finished event.
#pragma once

#include <cstdint>

// Starts a job for a memory transfer (0), a native or file transfer (1) or a
// preview (2) and returns at once; a job that cannot start ends with
// scanStatus 4 and its done event set.
void StartScanJob(int32_t purpose);
// With the link open: whether the device can scan now (its sense state and,
// with the feeder chosen, a loaded feeder). 0 when ready; otherwise the link
// is closed and the result is 1 for a device failure or 5 for an empty
// feeder. The sense is reported by `senseReportMode`; the empty feeder only
// when `reportEmptyFeeder`.
int CheckReadyToScan(int senseReportMode, bool reportEmptyFeeder);
// With the link open: checks the device, sets the scan window and reads the
// image geometry. 0 when ready, 1 on a device failure, 5 for an empty feeder.
int PrepareScan();
// Frees the final buffer of the last job, if any.
void FreeFinalImage();
// The size of the block that holds the final image of the job being run,
// whose adjusted rows start the block; 0 when the job has no usable size.
uint64_t FinalImageBlockBytes();
// Hands the final image's block over, to become the application's: the job
// forgets it. Its start, with its handle and size; null when there is none.
uint8_t* TakeFinalImage(void** handle, uint64_t* bytes);
// True when the last job failed for memory: its buffers could not be
// allocated, or its image was too large for any transfer to hold.
bool LastJobRanOutOfMemory();

void SignalScanFinished();
// Waits for the running scan thread to end, however long the device takes.
void WaitForScanFinished();
