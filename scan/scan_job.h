// The module-wide scan-finished event: set by a scan job at its very end, waited
// on by MSG_ENDXFER when it cancels a running job.
#pragma once

void SignalScanFinished();
void WaitForScanFinished();
