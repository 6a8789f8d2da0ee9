// The session's state rules through DS_Entry, as a manager would call it.
#include <gtest/gtest.h>

#include <vector>

#include "tests/win/win_test_support.h"

namespace {

constexpr TW_UINT32 ConnectedApp = 7;
const TW_INT16 AllStates[] = {300, 400, 500, 600, 700};

class SessionTest : public ::testing::Test {
   protected:
    void SetUp() override { ResetSource(); }

    // Puts the source into a state as if an application had brought it there.
    void Enter(TW_INT16 state) {
        CoreContext* core = GetCoreContext();
        core->state = state;
        core->appIdentity = state == 300 ? TW_IDENTITY{} : AppIdentity(ConnectedApp);
    }

    TW_UINT16 Call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
        TW_IDENTITY app = AppIdentity(ConnectedApp);
        return DS_Entry(&app, group, dat, msg, data);
    }
};

// What one triplet does in each state when no device is reachable.
struct StateCase {
    const char* name;
    TW_UINT16 dat;
    TW_UINT16 msg;
    TW_INT16 state;
    TW_UINT16 rc;
    int conditionCode;  // -1: left as it was
    TW_INT16 stateAfter;
};

std::vector<StateCase> StateTable() {
    std::vector<StateCase> cases;
    for (TW_INT16 s : AllStates) {
        bool open = s != 300;
        cases.push_back({"IdentityGet", DAT_IDENTITY, MSG_GET, s, TWRC_SUCCESS, -1, s});
        cases.push_back({"CloseDS", DAT_IDENTITY, MSG_CLOSEDS, s, open ? TWRC_SUCCESS : TWRC_FAILURE,
                         open ? -1 : TWCC_SEQERROR, open ? TW_INT16(300) : s});
        cases.push_back({"IdentitySet", DAT_IDENTITY, MSG_SET, s, TWRC_FAILURE, TWCC_BADPROTOCOL, s});
        cases.push_back({"DisableDS", DAT_USERINTERFACE, MSG_DISABLEDS, s, open ? TWRC_SUCCESS : TWRC_FAILURE,
                         open ? -1 : TWCC_SEQERROR, open ? TW_INT16(400) : s});
        cases.push_back(
            {"EnableDSUIOnly", DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, s, TWRC_FAILURE, TWCC_BADPROTOCOL, s});
        cases.push_back({"StatusGet", DAT_STATUS, MSG_GET, s, TWRC_SUCCESS, -1, s});
        cases.push_back({"StatusSet", DAT_STATUS, MSG_SET, s, TWRC_FAILURE, TWCC_BADPROTOCOL, s});
        // The page check needs the device; unreachable, it fails without a code.
        cases.push_back(
            {"PendingGet", DAT_PENDINGXFERS, MSG_GET, s, TWRC_FAILURE, open ? -1 : TWCC_SEQERROR, s});
        cases.push_back({"PendingReset", DAT_PENDINGXFERS, MSG_RESET, s, TWRC_FAILURE, -1, s});
        cases.push_back(
            {"StopFeeder", DAT_PENDINGXFERS, MSG_STOPFEEDER, s, TWRC_FAILURE, TWCC_BADPROTOCOL, s});
        // Shown interface without a main dialog: the open fails (TWCC_BUMMER) but the state moves on.
        cases.push_back({"EnableDSShown", DAT_USERINTERFACE, MSG_ENABLEDS, s, TWRC_FAILURE,
                         s == 400 ? TWCC_BUMMER : TWCC_SEQERROR, s == 400 ? TW_INT16(500) : s});
    }
    return cases;
}

TEST_F(SessionTest, EveryTripletInEveryStateFollowsTheStateTable) {
    constexpr TW_UINT16 Marker = 77;
    for (const StateCase& c : StateTable()) {
        ResetSource();
        Enter(c.state);
        GetCoreContext()->conditionCode = Marker;
        TW_IDENTITY identity{};
        TW_USERINTERFACE ui{1, 0, nullptr};
        TW_STATUS status{};
        TW_PENDINGXFERS pending{5, 0x12345678};
        TW_MEMREF data = c.dat == DAT_IDENTITY        ? TW_MEMREF(&identity)
                         : c.dat == DAT_USERINTERFACE ? TW_MEMREF(&ui)
                         : c.dat == DAT_STATUS        ? TW_MEMREF(&status)
                                                      : TW_MEMREF(&pending);
        TW_UINT16 rc = Call(DG_CONTROL, c.dat, c.msg, data);
        int expectedCode = c.conditionCode < 0 ? Marker : c.conditionCode;
        EXPECT_EQ(c.rc, rc) << c.name << " in state " << c.state;
        EXPECT_EQ(expectedCode, GetCoreContext()->conditionCode) << c.name << " in state " << c.state;
        EXPECT_EQ(c.stateAfter, GetCoreContext()->state) << c.name << " in state " << c.state;
        if (c.dat == DAT_PENDINGXFERS && c.rc == TWRC_FAILURE && c.conditionCode == -1) {
            EXPECT_EQ(0, pending.Count) << c.name << " in state " << c.state;
            EXPECT_EQ(0x12345678u, TW_UINT32{pending.Reserved}) << c.name;
        }
    }
}

TEST_F(SessionTest, StatusReportsTheCodeWithoutClearingIt) {
    Enter(300);
    ASSERT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
    for (int i = 0; i < 3; ++i) {
        TW_STATUS status{0xFFFF, 0xFFFF};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status));
        EXPECT_EQ(TWCC_SEQERROR, status.ConditionCode) << "call " << i;
        EXPECT_EQ(0, status.Reserved);
    }
}

TEST_F(SessionTest, EndTransferAfterCancelledOrFailedScanSucceedsWithoutDevice) {
    for (int32_t status : {SCANSTATUS_CANCELLED, SCANSTATUS_FAILED}) {
        for (TW_INT16 s : AllStates) {
            ResetSource();
            Enter(s);
            GetScanSettings()->scanStatus = status;
            TW_PENDINGXFERS pending{9, 0};
            EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending)) << s;
            EXPECT_EQ(0, pending.Count);
        }
    }
}

TEST_F(SessionTest, ResetSetsPageIndexBackToOne) {
    Enter(600);
    GetCoreContext()->pageIndex = 4;
    TW_PENDINGXFERS pending{1, 0};
    Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    EXPECT_EQ(1, GetCoreContext()->pageIndex);
    EXPECT_EQ(0, pending.Count);
}

TEST_F(SessionTest, ForeignOriginWhileConnectedIsNotOursAndChangesNothing) {
    Enter(500);
    GetCoreContext()->conditionCode = 3;
    TW_IDENTITY stranger = AppIdentity(ConnectedApp + 1);
    TW_IDENTITY identity{};
    EXPECT_EQ(TWRC_NOTDSEVENT, DS_Entry(&stranger, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity));
    EXPECT_EQ(0u, TW_UINT32{identity.Id});
    EXPECT_STREQ("", identity.ProductName);
    EXPECT_EQ(TWRC_NOTDSEVENT, DS_Entry(&stranger, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(TWRC_NOTDSEVENT, DS_Entry(nullptr, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
    EXPECT_EQ(500, GetCoreContext()->state);
    EXPECT_EQ(3, GetCoreContext()->conditionCode);
}

TEST_F(SessionTest, UnknownGroupsAndDatsAreRefused) {
    Enter(400);
    GetCoreContext()->conditionCode = 3;
    TW_UINT32 dummy = 0;
    EXPECT_EQ(TWRC_FAILURE, Call(DG_AUDIO, DAT_IDENTITY, MSG_GET, &dummy));
    EXPECT_EQ(3, GetCoreContext()->conditionCode) << "an unknown group leaves the code";
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_PARENT, MSG_GET, &dummy));
    EXPECT_EQ(TWCC_BADPROTOCOL, GetCoreContext()->conditionCode);
    GetCoreContext()->conditionCode = 3;
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, 0x0106, MSG_GET, &dummy));
    EXPECT_EQ(TWCC_BADPROTOCOL, GetCoreContext()->conditionCode);
    GetCoreContext()->conditionCode = 3;
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IDENTITY, MSG_GET, &dummy));
    EXPECT_EQ(TWCC_BADPROTOCOL, GetCoreContext()->conditionCode) << "DAT_IDENTITY is a control DAT only";
}

struct FilterDouble {
    static inline int answer;
    static inline void* seen;
    static int Filter(void* message) {
        seen = message;
        return answer;
    }
};

TEST_F(SessionTest, ProcessEventIsRecognisedByMessageAloneAndGoesToTheFilter) {
    Enter(500);
    GetUiCallbacks()->FilterEvent = FilterDouble::Filter;
    MSG message{};
    struct Case {
        TW_UINT32 group;
        TW_UINT16 dat;
        int filterAnswer;
        TW_UINT16 rc;
        TW_UINT16 twMessage;
    };
    const Case cases[] = {
        {DG_CONTROL, DAT_EVENT, 1, TWRC_DSEVENT, MSG_NULL},
        {DG_IMAGE, DAT_CAPABILITY, 1, TWRC_DSEVENT, MSG_NULL},
        {DG_AUDIO, 0x7777, 1, TWRC_DSEVENT, MSG_NULL},
        {DG_CONTROL, DAT_EVENT, 0, TWRC_NOTDSEVENT, 0x4242},
    };
    for (const Case& c : cases) {
        FilterDouble::answer = c.filterAnswer;
        FilterDouble::seen = nullptr;
        TW_EVENT event{&message, 0x4242};
        EXPECT_EQ(c.rc, Call(c.group, c.dat, MSG_PROCESSEVENT, &event)) << c.group << "/" << c.dat;
        EXPECT_EQ(c.twMessage, event.TWMessage) << c.group << "/" << c.dat;
        EXPECT_EQ(&message, FilterDouble::seen);
    }
}

TEST_F(SessionTest, ProcessEventWithoutDialogOrWithoutEventIsNotOurs) {
    Enter(500);
    MSG message{};
    TW_EVENT event{&message, 0x4242};
    EXPECT_EQ(TWRC_NOTDSEVENT, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
    EXPECT_EQ(0x4242, event.TWMessage);
    GetUiCallbacks()->FilterEvent = FilterDouble::Filter;
    FilterDouble::answer = 1;
    EXPECT_EQ(TWRC_NOTDSEVENT, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, nullptr));
    TW_EVENT empty{nullptr, 0x4242};
    EXPECT_EQ(TWRC_NOTDSEVENT, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &empty));
}

TEST_F(SessionTest, OpenDsFollowsTheDeviceChoice) {
    struct Case {
        int choice;
        TW_UINT16 rc;
        TW_INT16 state;
        int closeRequested;
    };
    // 0 goes on to the device, which cannot be reached here.
    const Case cases[] = {{255, TWRC_SUCCESS, 400, 0},
                          {2, TWRC_SUCCESS, 400, 1},
                          {-1, TWRC_SUCCESS, 400, 1},
                          {0, TWRC_FAILURE, 300, 0}};
    for (const Case& c : cases) {
        ResetSource();
        EXPECT_EQ(c.rc, OpenSourceWithChoice(ConnectedApp, c.choice)) << "choice " << c.choice;
        EXPECT_EQ(c.state, GetCoreContext()->state) << "choice " << c.choice;
        EXPECT_EQ(c.closeRequested, GetCoreContext()->closeRequested) << "choice " << c.choice;
        if (c.rc == TWRC_FAILURE) {
            EXPECT_EQ(TWCC_SEQERROR, GetCoreContext()->conditionCode);
        }
    }
}

TEST_F(SessionTest, OpenDsKeepsBothIdentitiesAsCopies) {
    TW_IDENTITY app = AppIdentity(ConnectedApp);
    TW_IDENTITY ds = GetCoreContext()->dsIdentity;
    ds.Id = 4242;
    GetUiCallbacks()->ChooseDevice = [] { return 255; };
    ASSERT_EQ(TWRC_SUCCESS, DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds));
    // The manager's stack copies may be gone after the call.
    memset(&app, 0xCC, sizeof app);
    memset(&ds, 0xCC, sizeof ds);
    EXPECT_EQ(ConnectedApp, TW_UINT32{GetCoreContext()->appIdentity.Id});
    EXPECT_EQ(4242u, TW_UINT32{GetCoreContext()->dsIdentity.Id});
    TW_IDENTITY reported{};
    TW_IDENTITY again = AppIdentity(ConnectedApp);
    ASSERT_EQ(TWRC_SUCCESS, DS_Entry(&again, DG_CONTROL, DAT_IDENTITY, MSG_GET, &reported));
    EXPECT_EQ(4242u, TW_UINT32{reported.Id});
    EXPECT_STREQ("Tarvik4100 TWAIN", reported.ProductName);
}

// One session at a time: a second open is refused while one is open, and
// the flag comes back with MSG_CLOSEDS and with a failed open.
TEST_F(SessionTest, OpenFlagIsHeldByOneSessionAndGivenBackWhenItEnds) {
    enum Step { Open, OpenNoDevice, Close };
    struct Case {
        Step step;
        TW_UINT16 rc;
        int conditionCode;  // -1: left as it was
        TW_INT16 stateAfter;
        bool flagAfter;
    };
    const Case cases[] = {
        {Open, TWRC_SUCCESS, -1, 400, true},
        {Open, TWRC_FAILURE, TWCC_MAXCONNECTIONS, 400, true},
        {Close, TWRC_SUCCESS, -1, 300, false},
        {Open, TWRC_SUCCESS, -1, 400, true},
        {Close, TWRC_SUCCESS, -1, 300, false},
        {OpenNoDevice, TWRC_FAILURE, TWCC_SEQERROR, 300, false},
        {OpenNoDevice, TWRC_FAILURE, TWCC_SEQERROR, 300, false},
        {Open, TWRC_SUCCESS, -1, 400, true},
    };
    constexpr TW_UINT16 Marker = 77;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "step " << n++);
        GetCoreContext()->conditionCode = Marker;
        TW_IDENTITY app = AppIdentity(ConnectedApp);
        const TW_UINT16 rc = c.step == Close ? DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr)
                                             : OpenSourceWithChoice(ConnectedApp, c.step == Open ? 255 : 0);
        EXPECT_EQ(c.rc, rc);
        EXPECT_EQ(c.conditionCode < 0 ? Marker : c.conditionCode, GetCoreContext()->conditionCode);
        EXPECT_EQ(c.stateAfter, GetCoreContext()->state);
        EXPECT_EQ(c.flagAfter, IsOpenFlagTaken());
    }
}

TEST_F(SessionTest, BadPointersFromTheApplicationFailCleanly) {
    TW_IDENTITY app = AppIdentity(ConnectedApp);
    TW_IDENTITY ds{};
    // Neither identity may be missing at open; the flag stays free for a proper open.
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, GetCoreContext()->conditionCode);
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds));
    EXPECT_EQ(TWCC_BADVALUE, GetCoreContext()->conditionCode);
    EXPECT_FALSE(IsOpenFlagTaken());
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, GetCoreContext()->conditionCode);

    ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(ConnectedApp, 255));
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, GetCoreContext()->conditionCode);
    EXPECT_EQ(400, GetCoreContext()->state);
    GetCoreContext()->conditionCode = 3;
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(&app, DG_CONTROL, DAT_STATUS, MSG_GET, nullptr));
    EXPECT_EQ(3, GetCoreContext()->conditionCode) << "a status call never changes the code";
    for (TW_UINT16 msg : {MSG_GET, MSG_ENDXFER, MSG_RESET}) {
        EXPECT_EQ(TWRC_FAILURE, DS_Entry(&app, DG_CONTROL, DAT_PENDINGXFERS, msg, nullptr)) << msg;
        EXPECT_EQ(TWCC_BADVALUE, GetCoreContext()->conditionCode) << msg;
    }
}

struct ShowDouble {
    static inline int calls;
    static inline void* parent;
    static inline int answer;
    static int Show(void* p) {
        ++calls;
        parent = p;
        return answer;
    }
};

TEST_F(SessionTest, AnyNonZeroShowUiShowsTheMainDialog) {
    for (TW_BOOL show : {TW_BOOL(1), TW_BOOL(8), TW_BOOL(0xFFFF)}) {
        ResetSource();
        ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(ConnectedApp, 255));
        GetUiCallbacks()->ShowMainDialog = ShowDouble::Show;
        ShowDouble::calls = 0;
        ShowDouble::answer = 0;
        TW_USERINTERFACE ui{show, 0, reinterpret_cast<TW_HANDLE>(0x1234)};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui)) << show;
        EXPECT_EQ(1, ShowDouble::calls) << show;
        EXPECT_EQ(reinterpret_cast<void*>(0x1234), ShowDouble::parent);
        EXPECT_EQ(500, GetCoreContext()->state);
        EXPECT_EQ(0, GetCoreContext()->conditionCode) << "the dialog's result is the code";
    }
}

TEST_F(SessionTest, EnableInState500IsASequenceError) {
    ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(ConnectedApp, 255));
    GetUiCallbacks()->ShowMainDialog = ShowDouble::Show;
    ShowDouble::answer = 0;
    TW_USERINTERFACE ui{1, 0, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(TWCC_SEQERROR, GetCoreContext()->conditionCode);
}

TEST_F(SessionTest, EnableWithoutInterfaceAndNoDeviceFailsWithoutCode) {
    ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(ConnectedApp, 255));
    GetCoreContext()->conditionCode = 3;
    TW_USERINTERFACE ui{0, 0, nullptr};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(3, GetCoreContext()->conditionCode);
    EXPECT_EQ(400, GetCoreContext()->state);
}

TEST_F(SessionTest, DisableFreesThePreviewBuffer) {
    ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(ConnectedApp, 255));
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4096);
    ASSERT_NE(nullptr, block);
    auto* base = static_cast<uint8_t*>(GlobalLock(block));
    ScanImage* preview = GetPreviewImage();
    preview->base = base;
    preview->rows = base + 64;
    GetCoreContext()->scanBlock = block;
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
    EXPECT_EQ(nullptr, preview->base);
    EXPECT_EQ(nullptr, preview->rows);
    EXPECT_EQ(nullptr, GetCoreContext()->scanBlock);
    EXPECT_EQ(400, GetCoreContext()->state);
}

}  // namespace
