// The scan job: preparing the device for a scan, and the module-wide
// scan-finished event, set by a scan job at its very end and waited on by
// MSG_ENDXFER when it cancels a running job.
#pragma once

void SignalScanFinished();
void WaitForScanFinished();

// With the link open: checks the device (and the feeder when one is selected),
// sends the scan window and fetches the image geometry. 0 when ready; 1 when
// the device failed; 5 when the selected feeder is empty (shown to the user).
// Failures of the checks close the link.
int PrepareScan();
