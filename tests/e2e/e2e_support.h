#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "core/twain.h"
#include "tests/support/sim_client.h"

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

// Removes a folder a test made, with the files in it (not its subfolders).
void RemoveTestFolder(const std::string& folder);

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

// Presses Cancel in the source's device-selection dialog whenever one shows,
// as a user without a scanner does, for tests that open the source with no
// device answering. The dialog's title comes from the built resource module.
class SelectionDialogCanceller {
   public:
    SelectionDialogCanceller();
    ~SelectionDialogCanceller();
    SelectionDialogCanceller(const SelectionDialogCanceller&) = delete;
    SelectionDialogCanceller& operator=(const SelectionDialogCanceller&) = delete;
    int Cancelled() const { return cancelled_; }

   private:
    std::atomic<bool> stop_{false};
    std::atomic<int> cancelled_{0};
    std::thread thread_;
};

// The selection dialog's title as the built resource module has it.
std::string SelectionDialogTitle();

// Starts a simulated device with 'flags', has the test build of the source
// link to it with paper source 'paperSource', and opens that source through
// Wine's manager as 'app'. Skips the test when no simulator can start and
// fails it fatally when the source does not open: callers return when
// HasFatalFailure() or IsSkipped().
void OpenSourceOnSimulator(const std::string& flags, const char* paperSource, SimulatedDevice* device,
                           TestApplication* app, TW_IDENTITY* source);

// The main dialog the source opened on this thread, found once after MSG_ENABLEDS.
HWND SourceDialog();
// A user's choice of entry 'index' in combo box 'id', and a click on button 'id'.
void Select(HWND dialog, int id, int index);
void Click(HWND dialog, int id);
// File 'name' in the common application-data folder, where the source keeps
// its settings.
std::string CommonAppData(const char* name);
// The settings file the source's dialog saves.
std::string SettingsFile();

// The source's two settings files put aside for a test and put back, as they
// were, after it.
class SettingsFilesKept {
   public:
    SettingsFilesKept();
    ~SettingsFilesKept();
    SettingsFilesKept(const SettingsFilesKept&) = delete;
    SettingsFilesKept& operator=(const SettingsFilesKept&) = delete;

   private:
    const char* names_[2] = {"ZOL_MF1DS.ini", "KTX_TWAIN.ini"};
};

// The whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);
// The folder 'name' under the temporary folder, made when missing.
std::string TempFolder(const char* name);

// Tests that run twscan against a simulated device which the test build of
// the source links to; the device is stopped after each test.
class TwscanSimulatorTest : public ::testing::Test {
   protected:
    explicit TwscanSimulatorTest(const char* folderName) : folderName_(folderName) {}
    // Starts the device with 'flags' and installs the source that links to it;
    // skips the test when no simulator can start.
    void StartDevice(const std::string& flags);
    void TearDown() override;

    SimulatedDevice device;
    bool started = false;
    std::string folder;  // the test's own folder for pages

   private:
    const char* folderName_;
};
