// Transfer set-up and layout handlers: DAT_SETUPMEMXFER, DAT_SETUPFILEXFER,
// DAT_XFERGROUP and DAT_IMAGELAYOUT. None of them needs the device, so they
// are platform-free.
#include <cstring>

#include "core/handlers.h"
#include "core/trace.h"
#include "scan/image_layout.h"
#include "scan/paper_tables.h"
#include "scan/transfers.h"

namespace {

constexpr TW_UINT32 MemXferMinimum = 65535;
// 0xFFF00: the native transfer's strip limit too.
constexpr TW_UINT32 MemXferMaximum = 1048320;
constexpr char DefaultXferFileName[] = "TWAIN.TMP";

CoreContext& Ctx() { return *GetCoreContext(); }

bool InSetupState() {
    const TW_INT16 s = Ctx().state;
    return s == StateOpen || s == StateEnabled || s == StateXferReady;
}

bool IsGet(TW_UINT16 msg) { return msg == MSG_GET || msg == MSG_GETCURRENT; }
bool IsSet(TW_UINT16 msg) { return msg == MSG_SET || msg == MSG_RESET; }

// Runs a handler body between its trace lines.
template <typename Body>
TW_UINT16 Traced(const char* in, const char* out, Body body) {
    DsTrace(in);
    const TW_UINT16 rc = body();
    DsTrace(out);
    return rc;
}

TW_UINT16 MemXferSetup(const DsRequest& request) {
    if (!InSetupState()) return FailWith(TWCC_SEQERROR);
    if (IsGet(request.msg) || request.msg == MSG_GETDEFAULT) {
        if (request.data == nullptr) return FailWith(TWCC_BADVALUE);
        const TW_SETUPMEMXFER setup{MemXferMinimum, MemXferMaximum, MemXferMaximum};
        std::memcpy(request.data, &setup, sizeof setup);
        return TWRC_SUCCESS;
    }
    if (IsSet(request.msg)) return TWRC_SUCCESS;
    return FailWith(TWCC_BADPROTOCOL);
}

// The caller's name, cut to the field and always terminated.
void TakeFileName(const TW_SETUPFILEXFER& setup) {
    char* name = Ctx().xferFileName;
    std::memcpy(name, setup.FileName, sizeof Ctx().xferFileName - 1);
    name[sizeof Ctx().xferFileName - 1] = '\0';
}

// Writes a name and format into the caller's record, the name cut to the
// field and terminated.
void ReportFile(TW_SETUPFILEXFER& setup, const char* name, TW_UINT16 format) {
    std::memset(setup.FileName, 0, sizeof setup.FileName);
    std::memcpy(setup.FileName, name, strnlen(name, sizeof setup.FileName - 1));
    setup.Format = format;
}

// Asking never changes the name or format: applications ask after each page
// and expect the next page where they set it.
TW_UINT16 FileXferSetup(const DsRequest& request) {
    if (!InSetupState()) return FailWith(TWCC_SEQERROR);
    if (!IsGet(request.msg) && request.msg != MSG_GETDEFAULT && !IsSet(request.msg)) {
        return FailWith(TWCC_BADPROTOCOL);
    }
    if (request.data == nullptr) return FailWith(TWCC_BADVALUE);
    TW_SETUPFILEXFER setup;
    std::memcpy(&setup, request.data, sizeof setup);
    if (IsGet(request.msg)) {
        ReportFile(setup, TransferFileName(), Ctx().xferFileFormat);
    } else if (request.msg == MSG_GETDEFAULT) {
        ReportFile(setup, DefaultXferFileName, TWFF_BMP);
    } else if (request.msg == MSG_RESET) {
        std::memcpy(Ctx().xferFileName, DefaultXferFileName, sizeof DefaultXferFileName);
        Ctx().xferFileFormat = TWFF_BMP;
        ReportFile(setup, DefaultXferFileName, TWFF_BMP);
    } else {
        // The format is kept even when refused: a later file transfer then
        // fails on it rather than writing the wrong kind of file.
        Ctx().xferFileFormat = setup.Format;
        if (setup.Format != TWFF_TIFF && setup.Format != TWFF_BMP) return FailWith(TWCC_BUMMER);
        TakeFileName(setup);
        return TWRC_SUCCESS;
    }
    std::memcpy(request.data, &setup, sizeof setup);
    return TWRC_SUCCESS;
}

TW_UINT16 XferGroup(const DsRequest& request) {
    if (!InSetupState()) return FailWith(TWCC_SEQERROR);
    if (IsGet(request.msg) || request.msg == MSG_GETDEFAULT || request.msg == MSG_RESET) {
        if (request.data == nullptr) return FailWith(TWCC_BADVALUE);
        const auto group = static_cast<TW_UINT16>(DG_IMAGE);
        std::memcpy(request.data, &group, sizeof group);
        return TWRC_SUCCESS;
    }
    if (request.msg == MSG_SET) return TWRC_SUCCESS;
    return FailWith(TWCC_BADPROTOCOL);
}

TW_UINT16 ImageLayout(const DsRequest& request) {
    const bool known = IsGet(request.msg) || request.msg == MSG_GETDEFAULT || IsSet(request.msg);
    if (!known) return FailWith(TWCC_BADPROTOCOL);
    if (request.data == nullptr) return FailWith(TWCC_BADVALUE);
    CoreContext& c = Ctx();
    const int32_t dpi = ResolutionDpi(c.scanWindow.resolutionIndex);
    TW_IMAGELAYOUT layout;
    std::memcpy(&layout, request.data, sizeof layout);
    if (IsSet(request.msg)) {
        // The area takes effect only while the custom area (code 255) is selected.
        if (dpi == 0) return FailWith(TWCC_BUMMER);
        return StoreLayoutFrame(layout.Frame, dpi, &c.scanWindow) ? TWRC_SUCCESS : TWRC_CHECKSTATUS;
    }
    if (request.msg == MSG_GETDEFAULT) {
        layout.Frame = PlatenFrame(c.coreInfo.physicalWidth, c.coreInfo.physicalHeight);
    } else if (!CurrentLayoutFrame(c.scanWindow, dpi, &layout.Frame)) {
        return FailWith(TWCC_BUMMER);
    }
    layout.DocumentNumber = 0;
    layout.PageNumber = 0;
    layout.FrameNumber = 0;
    std::memcpy(request.data, &layout, sizeof layout);
    return TWRC_SUCCESS;
}

}  // namespace

const char* TransferFileName() {
    return Ctx().xferFileName[0] != '\0' ? Ctx().xferFileName : DefaultXferFileName;
}

TW_UINT16 SetupMemXferMsg(const DsRequest& request) {
    return Traced("SetupMemXferMsg IN", "SetupMemXferMsg OUT", [&] { return MemXferSetup(request); });
}

TW_UINT16 SetupFileXferMsg(const DsRequest& request) {
    return Traced("SetupFileXferMsg IN", "SetupFileXferMsg OUT", [&] { return FileXferSetup(request); });
}

TW_UINT16 XferGroupMsg(const DsRequest& request) {
    return Traced("XferGroupMsg IN", "XferGroupMsg OUT", [&] { return XferGroup(request); });
}

TW_UINT16 ImageLayoutMsg(const DsRequest& request) {
    return Traced("ImageLayoutMsg IN", "ImageLayoutMsg OUT", [&] { return ImageLayout(request); });
}
