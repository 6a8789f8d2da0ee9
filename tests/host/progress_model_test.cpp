#include "scan/progress_model.h"

#include <gtest/gtest.h>

#include "scan/scan_settings.h"

namespace {

struct BarCase {
    const char* what;
    ProgressSnapshot job;  // rowsScanned, imageHeight, rowsDelivered, outputHeight, purpose, status
    ProgressBars want;
};

constexpr int32_t U = BarUnchanged;

const BarCase barCases[] = {
    {"scanning a third", {100, 300, 0, 600, 1, SCANSTATUS_SCANNING}, {33, 0, false}},
    {"memory strips while scanning", {200, 300, 150, 600, 0, SCANSTATUS_SCANNING}, {66, 25, false}},
    {"scanned, strips half done", {300, 300, 300, 600, 1, SCANSTATUS_SCANNED}, {100, 50, false}},
    {"delivered", {300, 300, 600, 600, 1, SCANSTATUS_DELIVERED}, {100, 100, false}},
    {"height not known yet", {0, 0, 0, 0, 1, SCANSTATUS_SCANNING}, {U, U, false}},
    {"preview never moves the delivery bar", {50, 100, 7, 9, 2, SCANSTATUS_SCANNING}, {50, U, false}},
    {"finished preview closes", {100, 100, 0, 0, 2, SCANSTATUS_SCANNED}, {100, U, true}},
    {"cancel freezes both", {10, 100, 5, 100, 1, SCANSTATUS_CANCELLED}, {U, U, false}},
    {"failure freezes both", {10, 100, 5, 100, 0, SCANSTATUS_FAILED}, {U, U, false}},
    {"rows past the height stay at 100", {130, 100, 250, 200, 0, SCANSTATUS_SCANNING}, {100, 100, false}},
    {"large counts do not overflow", {2000000000, 2100000000, 0, 1, 1, SCANSTATUS_SCANNING}, {95, 0, false}},
};

TEST(ProgressModel, BarsFollowTheJobsCountersAndStatus) {
    for (const BarCase& c : barCases) {
        const ProgressBars got = ProgressBarsFor(c.job);
        EXPECT_EQ(c.want.scanning, got.scanning) << c.what;
        EXPECT_EQ(c.want.delivery, got.delivery) << c.what;
        EXPECT_EQ(c.want.previewFinished, got.previewFinished) << c.what;
    }
}

TEST(ProgressModel, NegativePositionsCountBackFromTheParent) {
    EXPECT_EQ(120, FromParentEdge(-208, 328));
    EXPECT_EQ(68, FromParentEdge(-47, 115));
    EXPECT_EQ(14, FromParentEdge(14, 328));
    EXPECT_EQ(0, FromParentEdge(0, 328));
}

}  // namespace
