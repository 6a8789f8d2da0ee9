// What the progress dialog shows for a job, from one look at its counters:
// the two bar positions and whether a finished preview should close it.
// Platform-free so the rules are tested on the host.
#pragma once

#include <cstdint>

struct ProgressSnapshot {
    int32_t rowsScanned;
    int32_t imageHeight;
    int32_t rowsDelivered;
    int32_t outputHeight;
    int32_t scanPurpose;
    int32_t scanStatus;
};

constexpr int32_t BarUnchanged = -1;

struct ProgressBars {
    int32_t scanning;  // 0..100, or BarUnchanged
    int32_t delivery;  // 0..100, or BarUnchanged; never moved for a preview
    bool previewFinished;
};

// A bar whose divisor is 0 is left as it is; rows beyond the height show 100.
ProgressBars ProgressBarsFor(const ProgressSnapshot& job);

// A position or size given against a parent: a negative value counts back
// from the parent's extent.
int32_t FromParentEdge(int32_t value, int32_t parentExtent);
