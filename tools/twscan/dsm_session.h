// One application session with a TWAIN Data Source Manager: loading it,
// listing and opening a source, calls to either, the event loop, and the
// orderly way back down from whatever state the run ends in.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/twain.h"
#include "tools/twscan/scan_options.h"

class DsmSession {
   public:
    explicit DsmSession(const ScanOptions& options);
    // Steps down from the state reached (ends transfers, disables, closes the
    // source and the manager) and unloads the manager.
    ~DsmSession();
    DsmSession(const DsmSession&) = delete;
    DsmSession& operator=(const DsmSession&) = delete;

    // Loads the manager library and opens it (states 2 and 3); throws on failure.
    void OpenManager();
    // Every source the manager lists; empty when it knows none.
    std::vector<TW_IDENTITY> ListSources();
    // Opens the source with this product name (state 4); throws when it is not
    // listed or refuses to open.
    void OpenSource(const std::string& productName);
    // Enables the source (state 5); throws when it refuses.
    void Enable(bool showUi);
    // Passes window messages through MSG_PROCESSEVENT until the source sends
    // MSG_XFERREADY or MSG_CLOSEDSREQ; MSG_NULL when 'limitMs' (0: none) ran out.
    TW_UINT16 WaitForSourceMessage(uint32_t limitMs);
    // Leaves state 5 for 4 (MSG_DISABLEDS).
    void Disable();

    TW_UINT16 CallSource(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 CallManager(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    // "TWRC_FAILURE, TWCC_..." with the source's condition code (DAT_STATUS).
    std::string DescribeSourceResult(TW_UINT16 rc);

    // The application-side TWAIN state (1 to 7), kept by the callers of the
    // transfer operations too.
    int State() const { return state_; }
    void SetState(int state) { state_ = state; }
    const TW_IDENTITY& Source() const { return source_; }
    bool Verbose() const { return options_.verbose; }
    HWND Window() const { return window_; }

   private:
    TW_UINT16 Call(pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    std::string DescribeManagerResult(TW_UINT16 rc);
    bool PassParentAsHandle() const;
    void StepDown();

    const ScanOptions& options_;
    TW_IDENTITY app_{};
    TW_IDENTITY source_{};
    TW_USERINTERFACE ui_{};
    HMODULE manager_ = nullptr;
    DSMENTRYPROC entry_ = nullptr;
    HWND window_ = nullptr;
    int state_ = 1;
};
