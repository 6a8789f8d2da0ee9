#pragma once

#include <windows.h>

#include <string>

#include "core/twain.h"

std::string WinPathFromUnix(const std::string& unixPath);
// Copies the built source (and its resource module and help file, when built)
// to where Wine's manager loads sources; `dsPath` picks a test build instead.
bool InstallSourceForWineManager(const char* dsPath = TARVIK_DS_PATH);

// What a finished child program left: its exit code and its two outputs.
struct ProgramRun {
    DWORD exitCode = 0xffffffff;  // unchanged when it could not start or timed out
    std::string out;
    std::string err;
};
// Runs 'commandLine' (program path first) and collects its output; a program
// still running after 'timeoutMs' is ended.
ProgramRun RunProgram(const std::string& commandLine, DWORD timeoutMs);

// A minimal TWAIN application on top of Wine's twain_32.dll.
struct TestApplication {
    TestApplication();
    ~TestApplication();
    TW_UINT16 Call(pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 OpenManager();
    TW_UINT16 CloseManager();
    bool FindSource(const char* productName, TW_IDENTITY* found);
    // Pumps window messages through MSG_PROCESSEVENT until the source sends a
    // message (MSG_XFERREADY, MSG_CLOSEDSREQ) or the time runs out (MSG_NULL).
    TW_UINT16 WaitForSourceMessage(pTW_IDENTITY source, DWORD timeoutMs);

    TW_IDENTITY identity{};
    HWND window = nullptr;
    HMODULE manager = nullptr;
    DSMENTRYPROC entry = nullptr;
};
