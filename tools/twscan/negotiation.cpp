// Capability negotiation from twscan's flags.
#include "tools/twscan/negotiation.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/twscan/capability_text.h"
#include "tools/twscan/console.h"
#include "tools/twscan/twain_text.h"
#include "tools/twscan/twscan_error.h"

namespace {

// Global memory owned by this object, freed when it goes.
class GlobalBlock {
   public:
    explicit GlobalBlock(HGLOBAL handle) : handle_(handle) {}
    ~GlobalBlock() {
        if (handle_ != nullptr) GlobalFree(handle_);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    HGLOBAL Handle() const { return handle_; }

   private:
    HGLOBAL handle_;
};

// Reads the current item of a container the source handed back; checks
// every length against the block's size.
bool ReadCurrent(TW_UINT16 conType, HGLOBAL handle, TW_UINT32* item) {
    const SIZE_T size = GlobalSize(handle);
    const auto* block = static_cast<const uint8_t*>(GlobalLock(handle));
    if (block == nullptr) return false;
    bool ok = false;
    TW_UINT16 itemType = 0;
    if (size >= 2) std::memcpy(&itemType, block, 2);
    const size_t itemSize = TwainItemBytes(itemType);
    if (conType == TWON_ONEVALUE && size >= sizeof(TW_ONEVALUE)) {
        TW_ONEVALUE one;
        std::memcpy(&one, block, sizeof one);
        *item = one.Item;
        ok = true;
    } else if (conType == TWON_RANGE && size >= sizeof(TW_RANGE)) {
        TW_RANGE range;
        std::memcpy(&range, block, sizeof range);
        *item = range.CurrentValue;
        ok = true;
    } else if (conType == TWON_ENUMERATION && itemSize != 0 && size >= offsetof(TW_ENUMERATION, ItemList)) {
        TW_ENUMERATION head;
        std::memcpy(&head, block, offsetof(TW_ENUMERATION, ItemList));
        const uint64_t end =
            offsetof(TW_ENUMERATION, ItemList) + (uint64_t{head.CurrentIndex} + 1) * itemSize;
        if (head.CurrentIndex < head.NumItems && end <= size) {
            *item = ReadTwainItem(block + end - itemSize, itemSize);
            ok = true;
        }
    }
    GlobalUnlock(handle);
    if (ok && itemSize == 2) *item &= 0xffff;
    return ok;
}

// Sets one capability to one value; the TWAIN result code.
TW_UINT16 SetOneValue(DsmSession& session, TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
    GlobalBlock block(GlobalAlloc(GHND, sizeof(TW_ONEVALUE)));
    if (block.Handle() == nullptr)
        throw TwscanError(ExitNegotiation, "out of memory for a capability container");
    auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(block.Handle()));
    TW_ONEVALUE value{itemType, item};
    std::memcpy(one, &value, sizeof value);
    GlobalUnlock(block.Handle());
    TW_CAPABILITY capability{cap, TWON_ONEVALUE, block.Handle()};
    return session.CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
}

// Sets a capability or ends the run with the source's reason.
void Require(DsmSession& session, TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item,
             const std::string& what) {
    const TW_UINT16 rc = SetOneValue(session, cap, itemType, item);
    if (rc == TWRC_SUCCESS || rc == TWRC_CHECKSTATUS) return;
    throw TwscanError(ExitNegotiation, "the source refused " + what + " (" + CapabilityName(cap) +
                                           "): " + session.DescribeSourceResult(rc));
}

// Prints "name: requested X, source reports Y".
void Report(DsmSession& session, const char* name, TW_UINT16 cap, const std::string& requested,
            std::string (*show)(TW_UINT32)) {
    TW_UINT32 item = 0;
    const std::string now = GetCurrentItem(session, cap, &item) ? show(item) : "(no answer)";
    Say("%-12s requested %s, source reports %s\n", name, requested.c_str(), now.c_str());
}

std::string ShowFix32(TW_UINT32 item) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", FromFix32(UnpackFix32(item)));
    return text;
}
std::string ShowPixelType(TW_UINT32 item) { return PixelTypeName(static_cast<TW_UINT16>(item)); }
std::string ShowPaperSize(TW_UINT32 item) { return PaperSizeName(static_cast<TW_UINT16>(item)); }
std::string ShowBool(TW_UINT32 item) { return (item & 0xffff) != 0 ? "on" : "off"; }
std::string ShowCount(TW_UINT32 item) { return std::to_string(static_cast<TW_INT16>(item & 0xffff)); }
std::string ShowMechanism(TW_UINT32 item) {
    switch (item) {
        case TWSX_NATIVE:
            return "native";
        case TWSX_FILE:
            return "file";
        case TWSX_MEMORY:
            return "memory";
        default:
            return std::to_string(item);
    }
}

std::string FrameText(const TW_FRAME& frame) {
    char text[96];
    std::snprintf(text, sizeof text, "%.3f,%.3f,%.3f,%.3f in", FromFix32(frame.Left), FromFix32(frame.Top),
                  FromFix32(frame.Right), FromFix32(frame.Bottom));
    return text;
}

void NegotiateFrame(DsmSession& session, const FrameInches& wanted) {
    TW_IMAGELAYOUT layout{};
    session.CallSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout);
    layout.Frame =
        TW_FRAME{ToFix32(wanted.left), ToFix32(wanted.top), ToFix32(wanted.right), ToFix32(wanted.bottom)};
    const std::string requested = FrameText(layout.Frame);
    const TW_UINT16 rc = session.CallSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
    if (rc != TWRC_SUCCESS && rc != TWRC_CHECKSTATUS) {
        throw TwscanError(ExitNegotiation, "the source refused the frame (DAT_IMAGELAYOUT): " +
                                               session.DescribeSourceResult(rc));
    }
    TW_IMAGELAYOUT now{};
    const bool answered = session.CallSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &now) == TWRC_SUCCESS;
    Say("%-12s requested %s, source reports %s\n", "frame", requested.c_str(),
        answered ? FrameText(now.Frame).c_str() : "(no answer)");
}

}  // namespace

bool GetCurrentItem(DsmSession& session, TW_UINT16 cap, TW_UINT32* item) {
    TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
    if (session.CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &capability) != TWRC_SUCCESS)
        return false;
    if (capability.hContainer == nullptr) return false;
    GlobalBlock block(capability.hContainer);
    return ReadCurrent(capability.ConType, block.Handle(), item);
}

void Negotiate(DsmSession& session, const ScanOptions& o) {
    if (o.resolution || o.frame) {
        Require(session, ICAP_UNITS, TWTY_UINT16, TWUN_INCHES, "inches as the unit");
    }
    if (o.pixelType) {
        Require(session, ICAP_PIXELTYPE, TWTY_UINT16, *o.pixelType, "the pixel type");
        Report(session, "pixel type", ICAP_PIXELTYPE, PixelTypeName(*o.pixelType), ShowPixelType);
    }
    if (o.resolution) {
        const TW_UINT32 item = PackFix32(ToFix32(*o.resolution));
        Require(session, ICAP_XRESOLUTION, TWTY_FIX32, item, "the horizontal resolution");
        Require(session, ICAP_YRESOLUTION, TWTY_FIX32, item, "the vertical resolution");
        Report(session, "resolution", ICAP_XRESOLUTION, ShowFix32(item) + " dpi", ShowFix32);
    }
    if (o.paperSize) {
        Require(session, ICAP_SUPPORTEDSIZES, TWTY_UINT16, *o.paperSize, "the paper size");
        Report(session, "paper size", ICAP_SUPPORTEDSIZES, PaperSizeName(*o.paperSize), ShowPaperSize);
    } else if (o.frame) {
        // A frame of its own is no listed size; a source without that choice
        // may still take the frame.
        if (SetOneValue(session, ICAP_SUPPORTEDSIZES, TWTY_UINT16, TWSS_NONE) != TWRC_SUCCESS) {
            Say("note: the source did not take paper size \"none\" before the frame\n");
        }
    }
    if (o.frame) NegotiateFrame(session, *o.frame);
    if (o.brightness) {
        const TW_UINT32 item = PackFix32(ToFix32(*o.brightness));
        Require(session, ICAP_BRIGHTNESS, TWTY_FIX32, item, "the brightness");
        Report(session, "brightness", ICAP_BRIGHTNESS, ShowFix32(item), ShowFix32);
    }
    if (o.contrast) {
        const TW_UINT32 item = PackFix32(ToFix32(*o.contrast));
        Require(session, ICAP_CONTRAST, TWTY_FIX32, item, "the contrast");
        Report(session, "contrast", ICAP_CONTRAST, ShowFix32(item), ShowFix32);
    }
    if (o.feeder) {
        Require(session, CAP_FEEDERENABLED, TWTY_BOOL, *o.feeder ? 1 : 0, "the feeder setting");
        Report(session, "feeder", CAP_FEEDERENABLED, *o.feeder ? "on" : "off", ShowBool);
    }
    if (o.duplex) {
        Require(session, CAP_DUPLEXENABLED, TWTY_BOOL, *o.duplex ? 1 : 0, "the duplex setting");
        Report(session, "duplex", CAP_DUPLEXENABLED, *o.duplex ? "on" : "off", ShowBool);
    }
    const TW_UINT16 mechanism = o.transfer == TransferKind::Native ? TWSX_NATIVE
                                : o.transfer == TransferKind::File ? TWSX_FILE
                                                                   : TWSX_MEMORY;
    const TW_UINT16 rc = SetOneValue(session, ICAP_XFERMECH, TWTY_UINT16, mechanism);
    const bool refused = rc != TWRC_SUCCESS && rc != TWRC_CHECKSTATUS;
    const std::string reason = refused ? session.DescribeSourceResult(rc) : std::string();
    TW_UINT32 current = TWSX_NATIVE;
    const bool answered = GetCurrentItem(session, ICAP_XFERMECH, &current);
    // Native transfer is every source's default: a source that will not
    // negotiate the mechanism still delivers natively.
    const bool nativeAnyway = mechanism == TWSX_NATIVE && (!answered || current == TWSX_NATIVE);
    if (refused && !nativeAnyway) {
        throw TwscanError(ExitNegotiation,
                          "the source refused the transfer mechanism (ICAP_XFERMECH): " + reason);
    }
    Say("%-12s requested %s, source reports %s\n", "transfer", ShowMechanism(mechanism).c_str(),
        answered ? ShowMechanism(current).c_str() : "(no answer)");
    if (o.count) {
        Require(session, CAP_XFERCOUNT, TWTY_INT16, static_cast<TW_UINT16>(*o.count), "the transfer count");
        Report(session, "count", CAP_XFERCOUNT, std::to_string(*o.count), ShowCount);
    }
}

namespace {

// MSG_GET of one capability in words; empty when the source refuses it.
bool DescribeFromSource(DsmSession& session, TW_UINT16 cap, std::string* text) {
    TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
    if (session.CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability) != TWRC_SUCCESS) return false;
    if (capability.hContainer == nullptr) return false;
    GlobalBlock block(capability.hContainer);
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(block.Handle()));
    *text =
        DescribeCapability(cap, capability.ConType, bytes, bytes != nullptr ? GlobalSize(block.Handle()) : 0);
    if (bytes != nullptr) GlobalUnlock(block.Handle());
    return true;
}

}  // namespace

void ListCapabilities(DsmSession& session) {
    TW_CAPABILITY list{CAP_SUPPORTEDCAPS, TWON_DONTCARE16, nullptr};
    const TW_UINT16 rc = session.CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &list);
    if (rc != TWRC_SUCCESS || list.hContainer == nullptr) {
        throw TwscanError(ExitNegotiation,
                          "the source does not list its capabilities: " + session.DescribeSourceResult(rc));
    }
    std::vector<TW_UINT16> caps;
    {
        GlobalBlock block(list.hContainer);
        const auto* bytes = static_cast<const uint8_t*>(GlobalLock(block.Handle()));
        const SIZE_T size = bytes != nullptr ? GlobalSize(block.Handle()) : 0;
        if (list.ConType == TWON_ARRAY && size >= 6) {
            TW_UINT32 count = 0;
            std::memcpy(&count, bytes + 2, 4);
            for (TW_UINT32 i = 0; i < count && 6 + 2 * (uint64_t{i} + 1) <= size; ++i) {
                TW_UINT16 cap = 0;
                std::memcpy(&cap, bytes + 6 + 2 * i, 2);
                caps.push_back(cap);
            }
        }
        if (bytes != nullptr) GlobalUnlock(block.Handle());
    }
    Say("capabilities of \"%s\" (values the source allows; current and default in brackets):\n",
        PrintableText(session.Source().ProductName, sizeof session.Source().ProductName).c_str());
    for (TW_UINT16 cap : caps) {
        std::string text;
        if (!DescribeFromSource(session, cap, &text))
            text = "(the source gave no value: " + session.DescribeSourceResult(TWRC_FAILURE) + ")";
        Say("  %-22s %s\n", CapabilityName(cap).c_str(), text.c_str());
    }
}
