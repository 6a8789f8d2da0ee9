#include "device/window_descriptor.h"

#include <gtest/gtest.h>

#include "device/device_status.h"
#include "scan/paper_tables.h"

namespace {

WindowInputs Inputs() {
    WindowInputs in{};
    in.physicalWidth = 850;
    in.physicalHeight = 1169;
    in.pixelType = 2;
    in.paperSizeCode = PaperCodeCustomArea;
    in.resolutionIndex = 4;
    in.paperSource = 1;
    return in;
}

void ExpectWindow(const WindowDescriptor& expected, const WindowDescriptor& got, const char* what) {
    EXPECT_EQ(expected.reso, got.reso) << what;
    EXPECT_EQ(expected.scanType, got.scanType) << what;
    EXPECT_EQ(expected.brightness, got.brightness) << what;
    EXPECT_EQ(expected.origSize, got.origSize) << what;
    EXPECT_EQ(expected.x, got.x) << what;
    EXPECT_EQ(expected.y, got.y) << what;
    EXPECT_EQ(expected.width, got.width) << what;
    EXPECT_EQ(expected.length, got.length) << what;
    EXPECT_EQ(expected.paperSource, got.paperSource) << what;
    EXPECT_EQ(expected.xResolution, got.xResolution) << what;
    EXPECT_EQ(expected.yResolution, got.yResolution) << what;
}

TEST(WindowDescriptorTest, FollowsTheResolutionAreaAndPreviewRules) {
    struct Case {
        const char* what;
        WindowInputs in;
        WindowDescriptor expected;
    };
    WindowInputs at1200 = Inputs();
    at1200.resolutionIndex = 7;
    at1200.areaLeft = 120;
    at1200.areaTop = 240;
    at1200.areaWidth = 2400;
    at1200.areaHeight = 3000;
    WindowInputs at200 = Inputs();
    at200.resolutionIndex = 3;
    at200.areaWidth = 1700;
    at200.areaHeight = 2200;
    at200.pixelType = 0;
    WindowInputs preview = at1200;
    preview.previewMode = 1;
    preview.brightness = 20;
    WindowInputs a4 = Inputs();
    a4.paperSizeCode = 2;
    a4.paperWidth600 = 4960;
    a4.paperLength600 = 7015;
    a4.resolutionIndex = 2;
    a4.areaLeft = 999;  // ignored for a standard size
    a4.brightness = -100;
    a4.pixelType = 3;
    WindowInputs at4800 = a4;
    at4800.resolutionIndex = 9;
    at4800.brightness = 100;
    WindowInputs at75 = a4;
    at75.resolutionIndex = 0;
    WindowInputs at600 = a4;
    at600.resolutionIndex = 6;
    const Case cases[] = {
        {"1200 dpi custom", at1200, {2, 2, 101, 0xFF, 60, 120, 1200, 1500, 1, 0, 0}},
        {"200 dpi custom", at200, {3, 0, 101, 0xFF, 0, 0, 5100, 6600, 1, 200, 200}},
        {"preview", preview, {0xFF, 3, 121, 0xFF, 0, 0, 5100, 7014, 0, 0, 0}},
        {"A4 at 150", a4, {0, 3, 1, 2, 0, 0, 4960, 7015, 1, 0, 0}},
        {"A4 at 4800", at4800, {2, 3, 201, 2, 0, 0, 4960, 7015, 1, 0, 0}},
        {"A4 at 75", at75, {3, 3, 1, 2, 0, 0, 4960, 7015, 1, 75, 75}},
        {"A4 at 600", at600, {2, 3, 1, 2, 0, 0, 4960, 7015, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        WindowDescriptor got{};
        ASSERT_TRUE(FillWindowDescriptor(c.in, &got)) << c.what;
        ExpectWindow(c.expected, got, c.what);
    }
}

TEST(WindowDescriptorTest, ResolutionIndexOutsideTheTableIsRefused) {
    for (int32_t index : {-1, 10, 1000}) {
        WindowInputs in = Inputs();
        in.resolutionIndex = index;
        WindowDescriptor got{};
        got.reso = 0x55;
        EXPECT_FALSE(FillWindowDescriptor(in, &got)) << index;
        EXPECT_EQ(0x55, got.reso);
    }
    EXPECT_FALSE(FillWindowDescriptor(Inputs(), nullptr));
}

TEST(WindowDescriptorTest, SixteenBitFieldsKeepTheirLowBits) {
    WindowInputs in = Inputs();
    in.resolutionIndex = 6;  // 600 dpi: area passes through unscaled
    in.areaLeft = 70000;
    in.areaWidth = 65536 + 7;
    WindowDescriptor got{};
    ASSERT_TRUE(FillWindowDescriptor(in, &got));
    EXPECT_EQ(70000 - 65536, got.x);
    EXPECT_EQ(7, got.width);
}

TEST(DeviceStatusTest, RepliesMapToStatusAndAbort) {
    struct Case {
        int32_t reply;
        ReplyOutcome sense;
        ReplyOutcome key;
    };
    const Case cases[] = {
        {0, {0, false}, {0, false}}, {1, {3, true}, {3, true}}, {2, {4, true}, {4, true}},
        {3, {2, false}, {7, true}},  {4, {1, true}, {1, true}}, {255, {1, true}, {1, true}},
    };
    for (const Case& c : cases) {
        ReplyOutcome sense = SenseOutcome(c.reply);
        ReplyOutcome key = StartKeyOutcome(c.reply);
        EXPECT_EQ(c.sense.status, sense.status) << "sense " << c.reply;
        EXPECT_EQ(c.sense.abort, sense.abort) << "sense " << c.reply;
        EXPECT_EQ(c.key.status, key.status) << "key " << c.reply;
        EXPECT_EQ(c.key.abort, key.abort) << "key " << c.reply;
    }
}

TEST(DeviceStatusTest, ReportModes) {
    for (DeviceStatus status = 0; status <= 7; ++status) {
        EXPECT_EQ(status != 0, ShouldReport(ReportAll, status)) << status;
        EXPECT_EQ(status != 0 && status != 3, ShouldReport(ReportAllButCoverOpen, status)) << status;
        EXPECT_FALSE(ShouldReport(ReportNothing, status)) << status;
    }
}

}  // namespace

namespace {

TEST(DeviceStatusTest, BufferStatesThatWouldOverrunAreRefused) {
    struct Case {
        DataBufferState state;
        bool usable;
    };
    const Case cases[] = {
        {{2560, 3508, 2550, 3508}, true},
        {{7020, 10200, 7020, 10200}, true},     // A3 ledger at 600 dpi
        {{65535, 65535, 65535, 65535}, false},  // 12 GB in colour
        {{18000, 19885, 18000, 19885}, false},  // just over 1 GiB
        {{18000, 19884, 18000, 19884}, true},
        {{2560, 3508, 2561, 3508}, false},  // image wider than the lines sent
        {{2560, 3508, 2550, 3509}, false},
        {{0, 3508, 0, 3508}, false},
        {{2560, 0, 2550, 0}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.usable, IsUsableBufferState(c.state))
            << c.state.logicWidth << "x" << c.state.logicHeight << " image " << c.state.actualWidth << "x"
            << c.state.actualHeight;
    }
}

}  // namespace
