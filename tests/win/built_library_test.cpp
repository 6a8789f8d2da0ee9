// The built Tarvik4100.ds itself, loaded by path as a manager loads it.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/win/win_test_support.h"

namespace {

using DsEntryProc = TW_UINT16(TW_CALLINGSTYLE*)(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF);

// The built library alone in a folder of its own: without its resource module
// beside it the device-selection dialog cannot open, so MSG_OPENDS counts the
// choice as abandoned instead of waiting for a user. Copied once per process and
// removed when the process ends, whether its tests passed or not.
struct BareCopy {
    BareCopy() {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "tarvik-bare-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
        path = folder + "\\Tarvik4100.ds";
        CopyFileA(WinPathFromUnix(TARVIK_DS_PATH).c_str(), path.c_str(), FALSE);
    }
    ~BareCopy() {
        DeleteFileA(path.c_str());
        RemoveDirectoryA(folder.c_str());
    }
    std::string folder;
    std::string path;
};

const std::string& BareLibraryPath() {
    static const BareCopy copy;
    return copy.path;
}

struct LoadedSource {
    LoadedSource() {
        module = LoadLibraryA(BareLibraryPath().c_str());
        if (module != nullptr) {
            entry =
                reinterpret_cast<DsEntryProc>(reinterpret_cast<void*>(GetProcAddress(module, "DS_Entry")));
        }
    }
    ~LoadedSource() {
        if (module != nullptr) FreeLibrary(module);
    }
    HMODULE module = nullptr;
    DsEntryProc entry = nullptr;
};

// Runs the child program against the built library; its exit code is DS_Entry's result.
DWORD OpenInAnotherProcess() {
    std::string command = "\"" + WinPathFromUnix(TARVIK_CHILD_PATH) + "\" \"" + BareLibraryPath() + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return 1000;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 1001;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

TEST(BuiltLibrary, ExportsDsEntryUndecorated) {
    LoadedSource source;
    ASSERT_NE(nullptr, source.module);
    EXPECT_NE(nullptr, source.entry);
    EXPECT_EQ(nullptr, GetProcAddress(source.module, "DS_Entry@20"));
    EXPECT_EQ(nullptr, GetProcAddress(source.module, "_DS_Entry@20"));
}

TEST(BuiltLibrary, ListingIsStableAcrossLoadsAndNullOrigins) {
    TW_IDENTITY first{};
    for (int round = 0; round < 10; ++round) {
        LoadedSource source;
        ASSERT_NE(nullptr, source.entry);
        for (int call = 0; call < 3; ++call) {
            TW_IDENTITY identity;
            memset(&identity, 0xA5, sizeof identity);
            ASSERT_EQ(TWRC_SUCCESS, source.entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity));
            if (round == 0 && call == 0) first = identity;
            EXPECT_EQ(0, memcmp(&first, &identity, sizeof identity)) << "round " << round << " call " << call;
        }
    }
    EXPECT_STREQ("Tarvik4100 TWAIN", first.ProductName);
    EXPECT_STREQ("V 1.2.0.0", first.Version.Info);
    EXPECT_EQ(0u, TW_UINT32{first.Id});
    EXPECT_EQ(3u, TW_UINT32{first.SupportedGroups});
}

TEST(BuiltLibrary, OpenFlagIsSharedWithOtherProcessesAndComesBackAtClose) {
    LoadedSource source;
    ASSERT_NE(nullptr, source.entry);
    TW_IDENTITY app = AppIdentity(5);
    TW_IDENTITY ds{};
    source.entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &ds);
    ds.Id = 6;
    TW_STATUS status{};
    // No device-selection dialog in the bare library: the choice counts as abandoned.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(TWRC_SUCCESS, source.entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds));
        EXPECT_EQ(TWRC_FAILURE, OpenInAnotherProcess()) << "another process must not open it meanwhile";
        EXPECT_EQ(TWRC_FAILURE, source.entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds));
        source.entry(&app, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        EXPECT_EQ(TWCC_MAXCONNECTIONS, status.ConditionCode);
        ASSERT_EQ(TWRC_SUCCESS, source.entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    }
    EXPECT_EQ(TWRC_SUCCESS, OpenInAnotherProcess()) << "closed here, the source opens in another process";
    EXPECT_EQ(TWRC_SUCCESS, OpenInAnotherProcess()) << "a process that ends gives the source back";
}

TEST(BuiltLibrary, GarbageFromTheApplicationNeverCrashes) {
    LoadedSource source;
    ASSERT_NE(nullptr, source.entry);
    TW_IDENTITY app = AppIdentity(9);
    TW_IDENTITY ds{};
    ds.Id = 10;
    source.entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds);
    TW_USERINTERFACE garbage;
    memset(&garbage, 0xEE, sizeof garbage);
    const TW_UINT16 dats[] = {DAT_IDENTITY,   DAT_USERINTERFACE, DAT_STATUS,        DAT_PENDINGXFERS,
                              DAT_CAPABILITY, DAT_SETUPMEMXFER,  DAT_SETUPFILEXFER, DAT_XFERGROUP};
    const TW_UINT16 msgs[] = {MSG_GET, MSG_SET, MSG_RESET, MSG_ENDXFER, MSG_DISABLEDS, 0x9999};
    for (TW_UINT16 dat : dats) {
        for (TW_UINT16 msg : msgs) {
            source.entry(&app, DG_CONTROL, dat, msg, nullptr);
        }
    }
    EXPECT_EQ(TWRC_SUCCESS, source.entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
    TW_UINT16 rc = source.entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &garbage);
    EXPECT_TRUE(rc == TWRC_SUCCESS || rc == TWRC_FAILURE);
    EXPECT_EQ(TWRC_SUCCESS, source.entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
}

}  // namespace
