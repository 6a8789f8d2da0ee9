// One application session with a TWAIN Data Source Manager.
#include "tools/twscan/dsm_session.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/twscan/console.h"
#include "tools/twscan/twain_text.h"
#include "tools/twscan/twscan_error.h"

namespace {

// Wine marks its own PE libraries with this text right after the DOS header.
bool IsWineBuiltin(HMODULE module) {
    static const char marker[] = "Wine builtin DLL";
    const auto* image = reinterpret_cast<const char*>(module);
    return std::memcmp(image + 0x40, marker, sizeof marker - 1) == 0;
}

void CopyText(char* to, size_t size, const char* from) {
    std::strncpy(to, from, size - 1);
    to[size - 1] = '\0';
}

TW_IDENTITY TwscanIdentity() {
    TW_IDENTITY id{};
    id.Version.MajorNum = 1;
    id.Version.MinorNum = 0;
    id.Version.Language = TWLG_ENGLISH_USA;
    id.Version.Country = TWCY_USA;
    CopyText(id.Version.Info, sizeof id.Version.Info, "twscan 1.0");
    id.ProtocolMajor = 1;
    id.ProtocolMinor = 9;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyText(id.Manufacturer, sizeof id.Manufacturer, "Tarvik");
    CopyText(id.ProductFamily, sizeof id.ProductFamily, "Tarvik4100");
    CopyText(id.ProductName, sizeof id.ProductName, "twscan");
    return id;
}

}  // namespace

DsmSession::DsmSession(const ScanOptions& options) : options_(options), app_(TwscanIdentity()) {}

DsmSession::~DsmSession() {
    StepDown();
    if (manager_ != nullptr) FreeLibrary(manager_);
    if (window_ != nullptr) DestroyWindow(window_);
}

TW_UINT16 DsmSession::Call(pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                           TW_MEMREF data) {
    if (entry_ == nullptr) return TWRC_FAILURE;
    const TW_UINT16 rc = entry_(&app_, destination, group, dat, msg, data);
    if (options_.verbose && dat != DAT_EVENT) {
        Say("  %s %s %s / %s -> %s\n", destination != nullptr ? "source" : "manager",
            group == DG_IMAGE ? "DG_IMAGE" : "DG_CONTROL", DatName(dat).c_str(), MsgName(msg).c_str(),
            ReturnCodeName(rc).c_str());
    }
    return rc;
}

TW_UINT16 DsmSession::CallSource(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return Call(&source_, group, dat, msg, data);
}

TW_UINT16 DsmSession::CallManager(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return Call(nullptr, group, dat, msg, data);
}

std::string DsmSession::DescribeSourceResult(TW_UINT16 rc) {
    std::string text = ReturnCodeName(rc);
    TW_STATUS status{};
    if (CallSource(DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS) return text;
    if (status.ConditionCode == TWCC_SUCCESS && rc == TWRC_FAILURE) {
        return text + " (the source gave no condition code; is the device on and reachable?)";
    }
    return text + ", " + ConditionCodeName(status.ConditionCode);
}

std::string DsmSession::DescribeManagerResult(TW_UINT16 rc) {
    std::string text = ReturnCodeName(rc);
    TW_STATUS status{};
    if (CallManager(DG_CONTROL, DAT_STATUS, MSG_GET, &status) == TWRC_SUCCESS) {
        text += ", " + ConditionCodeName(status.ConditionCode);
    }
    return text;
}

bool DsmSession::PassParentAsHandle() const {
    switch (options_.parentPassing) {
        case ParentPassing::Handle:
            return true;
        case ParentPassing::Pointer:
            return false;
        case ParentPassing::Auto:
            break;
    }
    return IsWineBuiltin(manager_);
}

void DsmSession::OpenManager() {
    manager_ = LoadLibraryA(options_.managerLibrary.c_str());
    if (manager_ == nullptr) {
        throw TwscanError(ExitManager, "cannot load the Data Source Manager " + options_.managerLibrary +
                                           " (Windows error " + std::to_string(GetLastError()) + ")");
    }
    entry_ = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager_, "DSM_Entry")));
    if (entry_ == nullptr) {
        throw TwscanError(ExitManager, options_.managerLibrary + " has no DSM_Entry: not a TWAIN manager");
    }
    state_ = 2;
    window_ = CreateWindowA("STATIC", "twscan", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const bool asHandle = PassParentAsHandle();
    HWND parent = window_;
    const TW_MEMREF data = asHandle ? reinterpret_cast<TW_MEMREF>(window_) : static_cast<TW_MEMREF>(&parent);
    const TW_UINT16 rc = CallManager(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, data);
    if (rc != TWRC_SUCCESS) {
        throw TwscanError(ExitManager, "the Data Source Manager did not open: " + DescribeManagerResult(rc));
    }
    state_ = 3;
    if (options_.verbose) {
        Say("manager %s opened (parent window passed as %s)\n", options_.managerLibrary.c_str(),
            asHandle ? "the handle" : "a pointer to the handle");
    }
}

std::vector<TW_IDENTITY> DsmSession::ListSources() {
    std::vector<TW_IDENTITY> sources;
    TW_IDENTITY candidate{};
    TW_UINT16 rc = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &candidate);
    // A manager that never says "end of list" must not keep us here forever.
    while (rc == TWRC_SUCCESS && sources.size() < 1000) {
        candidate.ProductName[sizeof candidate.ProductName - 1] = '\0';
        sources.push_back(candidate);
        candidate = TW_IDENTITY{};
        rc = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &candidate);
    }
    return sources;
}

void DsmSession::OpenSource(const std::string& productName) {
    // Wine's manager opens its first source when the name is unknown: look first.
    bool found = false;
    for (const TW_IDENTITY& listed : ListSources()) {
        if (productName == listed.ProductName) {
            source_ = listed;
            found = true;
            break;
        }
    }
    if (!found) {
        throw TwscanError(ExitSource,
                          "no TWAIN source named \"" + productName + "\" is installed (see --list)");
    }
    const TW_UINT16 rc = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source_);
    if (rc != TWRC_SUCCESS) {
        throw TwscanError(ExitSource,
                          "the source \"" + productName + "\" did not open: " + DescribeManagerResult(rc));
    }
    state_ = 4;
    Say("opened source \"%s\" (%s, protocol %u.%u)\n", productName.c_str(),
        PrintableText(source_.Version.Info, sizeof source_.Version.Info).c_str(), source_.ProtocolMajor,
        source_.ProtocolMinor);
}

void DsmSession::Enable(bool showUi) {
    ui_ = TW_USERINTERFACE{static_cast<TW_BOOL>(showUi ? 1 : 0), 0, window_};
    const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui_);
    if (rc == TWRC_SUCCESS || rc == TWRC_CHECKSTATUS) {
        state_ = 5;
        return;
    }
    const std::string reason = DescribeSourceResult(rc);
    // A source may move to state 5 even when it reports a failure; ask it to
    // disable so the close that follows is in sequence.
    TW_USERINTERFACE ui = ui_;
    if (CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) != TWRC_SUCCESS) {
        // It stayed in state 4: nothing more to undo.
    }
    throw TwscanError(ExitEnable, "the source could not be enabled: " + reason);
}

TW_UINT16 DsmSession::WaitForSourceMessage(uint32_t limitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TW_EVENT event{&message, MSG_NULL};
            const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
            if (rc == TWRC_DSEVENT) {
                if (event.TWMessage == MSG_XFERREADY || event.TWMessage == MSG_CLOSEDSREQ) {
                    if (options_.verbose) Say("  source sent %s\n", MsgName(event.TWMessage).c_str());
                    return event.TWMessage;
                }
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        const DWORD elapsed = GetTickCount() - start;
        if (limitMs != 0 && elapsed >= limitMs) return MSG_NULL;
        const DWORD slice = limitMs == 0 ? 100 : std::min<DWORD>(100, limitMs - elapsed);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_ALLINPUT);
    }
}

void DsmSession::Disable() {
    if (state_ != 5) return;
    TW_USERINTERFACE ui = ui_;
    const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    if (rc != TWRC_SUCCESS) {
        std::fprintf(stderr, "twscan: disabling the source failed: %s\n", DescribeSourceResult(rc).c_str());
    }
    state_ = 4;
}

void DsmSession::StepDown() {
    TW_PENDINGXFERS pending{};
    if (state_ == 7) {
        CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
        state_ = pending.Count == 0 ? 5 : 6;
    }
    if (state_ == 6) {
        pending = TW_PENDINGXFERS{};
        CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
        state_ = 5;
    }
    Disable();
    if (state_ == 4) {
        CallManager(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_);
        state_ = 3;
    }
    if (state_ == 3) {
        HWND parent = window_;
        const TW_MEMREF data =
            PassParentAsHandle() ? reinterpret_cast<TW_MEMREF>(window_) : static_cast<TW_MEMREF>(&parent);
        CallManager(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, data);
        state_ = 2;
    }
}
