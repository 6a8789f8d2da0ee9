#include "core/capabilities.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <span>

#include "core/cap_containers.h"
#include "core/trace.h"
#include "core/ui_callbacks.h"
#include "device/device_link.h"
#include "scan/paper_tables.h"

namespace {

constexpr TW_BOOL BoolFalse = 0;
constexpr TW_BOOL BoolTrue = 1;

using CapFn = TW_UINT16 (*)(TW_CAPABILITY* cap);

// One supported capability. A null set or reset marks it read-only.
struct CapabilityRow {
    TW_UINT16 cap;
    CapFn get;
    CapFn getCurrent;
    CapFn getDefault;
    CapFn set;
    CapFn reset;
};

// Where the value in force stands in a table's items; a position past the
// end means it is not among them.
using PositionFn = TW_UINT32 (*)();

// A stored enumeration: its header and its fixed items. Tables of values that
// other code may change (start-up settings, the main dialog) find their
// current index from the value in force; the others keep it in the header,
// which their handlers move.
struct StoredTable {
    CapTable table;
    std::span<const TW_UINT32> items;
    PositionFn inForce = nullptr;
};

constexpr TW_UINT32 pixelTypeItems[] = {TWPT_BW, TWPT_GRAY, TWPT_RGB};
constexpr TW_UINT32 unitItems[] = {TWUN_INCHES};
constexpr TW_UINT32 mechanismItems[] = {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY};
constexpr TW_UINT32 flavourItems[] = {TWPF_CHOCOLATE, TWPF_VANILLA};
constexpr TW_UINT32 fileFormatItems[] = {TWFF_BMP};
constexpr TW_UINT32 sizeItems[] = {TWSS_NONE, TWSS_A4LETTER, TWSS_A5, TWSS_USLEGAL, TWSS_USLETTER};
constexpr TW_UINT32 bitDepthItems[] = {1, 8, 24};

// Whole-number FIX32 items of the shared resolution table.
const std::array<TW_UINT32, ResolutionCount> resolutionItems = [] {
    std::array<TW_UINT32, ResolutionCount> items{};
    for (int32_t i = 0; i < ResolutionCount; ++i) items[i] = Fix32ToItem(WholeToFix32(ResolutionDpi(i)));
    return items;
}();

// Start values of the stored tables.
constexpr CapTable pixelTypesAtLoad{TWTY_UINT16, 3, 2, 2};
constexpr CapTable unitsAtLoad{TWTY_UINT16, 1, 0, 0};
constexpr CapTable mechanismsAtLoad{TWTY_UINT16, 3, 0, 0};
constexpr CapTable flavoursAtLoad{TWTY_UINT16, 2, 0, 0};
constexpr CapTable fileFormatsAtLoad{TWTY_UINT16, 1, 0, 0};
constexpr CapTable resolutionsAtLoad{TWTY_FIX32, ResolutionCount, 1, 1};
constexpr CapTable sizesAtLoad{TWTY_UINT16, 5, 1, 1};
constexpr CapTable bitDepthsAtLoad{TWTY_UINT16, 3, 2, 2};

CoreContext& Ctx() { return *GetCoreContext(); }

// Position of a pixel type (0 and 1 bilevel, 2 grey, 3 colour) in the
// pixel-type and bit-depth tables; anything else is taken as colour.
TW_UINT32 PixelTypePosition(int32_t pixelType) {
    if (pixelType == 0 || pixelType == 1) return 0;
    return pixelType == 2 ? 1 : 2;
}

TW_UINT32 PixelTypeInForce() { return PixelTypePosition(Ctx().scan.pixelType); }

// A negative index turns into a position past the end.
TW_UINT32 ResolutionInForce() { return static_cast<TW_UINT32>(Ctx().scanWindow.resolutionIndex); }

TW_UINT32 SizeInForce() {
    const TW_UINT16 twss = LookupPaperCode(Ctx().scanWindow.paperSizeCode).twss;
    const auto* at = std::find(std::begin(sizeItems), std::end(sizeItems), twss);
    return static_cast<TW_UINT32>(at - std::begin(sizeItems));
}

// Shared by every caller in the process.
StoredTable pixelTypes{pixelTypesAtLoad, pixelTypeItems, PixelTypeInForce};
StoredTable units{unitsAtLoad, unitItems};
StoredTable mechanisms{mechanismsAtLoad, mechanismItems};
StoredTable flavours{flavoursAtLoad, flavourItems};
StoredTable fileFormats{fileFormatsAtLoad, fileFormatItems};
StoredTable resolutions{resolutionsAtLoad, resolutionItems, ResolutionInForce};
StoredTable sizes{sizesAtLoad, sizeItems, SizeInForce};
StoredTable bitDepths{bitDepthsAtLoad, bitDepthItems, PixelTypeInForce};

// ---- answers -------------------------------------------------------------

TW_UINT16 Built(bool ok) { return ok ? TWRC_SUCCESS : FailWith(TWCC_LOWMEMORY); }

TW_UINT16 AnswerU16(TW_CAPABILITY* cap, TW_UINT16 value) {
    return Built(BuildOneValue(cap, TWTY_UINT16, value));
}

TW_UINT16 AnswerBool(TW_CAPABILITY* cap, bool value) {
    return Built(BuildOneValue(cap, TWTY_BOOL, value ? BoolTrue : BoolFalse));
}

// Signed items are stored sign-extended, so -1 reads as 0xFFFF and as -1.
TW_UINT16 AnswerInt16(TW_CAPABILITY* cap, TW_INT16 value) {
    return Built(BuildOneValue(cap, TWTY_INT16, static_cast<TW_UINT32>(static_cast<int32_t>(value))));
}

TW_UINT16 AnswerFix32(TW_CAPABILITY* cap, TW_FIX32 value) {
    return Built(BuildOneValue(cap, TWTY_FIX32, Fix32ToItem(value)));
}

TW_UINT16 AnswerWhole(TW_CAPABILITY* cap, int32_t value) { return AnswerFix32(cap, WholeToFix32(value)); }

TW_UINT16 AnswerTable(TW_CAPABILITY* cap, const CapTable& table, std::span<const TW_UINT32> items) {
    return Built(BuildEnumeration(cap, table, items.data()));
}

// The table as MSG_GET shows it: the current index is the value in force, or
// the default index for a value the list does not hold.
CapTable Shown(const StoredTable& stored) {
    CapTable shown = stored.table;
    if (stored.inForce != nullptr) {
        const TW_UINT32 position = stored.inForce();
        shown.CurrentIndex = position < stored.items.size() ? position : shown.DefaultIndex;
    }
    return shown;
}

TW_UINT16 AnswerTable(TW_CAPABILITY* cap, const StoredTable& stored) {
    return AnswerTable(cap, Shown(stored), stored.items);
}

// Answers the stored table moved to `index` and keeps the move only when the
// answer could be built, so a reset that runs out of memory changes nothing.
TW_UINT16 ResetStoredTable(TW_CAPABILITY* cap, StoredTable& stored, TW_UINT32 index) {
    CapTable after = stored.table;
    after.CurrentIndex = index;
    if (TW_UINT16 rc = AnswerTable(cap, after, stored.items); rc != TWRC_SUCCESS) return rc;
    stored.table = after;
    return TWRC_SUCCESS;
}

TW_UINT16 AnswerAdjustmentRange(TW_CAPABILITY* cap, int32_t current) {
    auto item = [](int32_t whole) { return Fix32ToItem(WholeToFix32(whole)); };
    return Built(BuildRange(cap, TWTY_FIX32, item(-100), item(100), item(1), item(0), item(current)));
}

template <TW_UINT16 value>
TW_UINT16 ConstU16(TW_CAPABILITY* cap) {
    return AnswerU16(cap, value);
}

template <bool value>
TW_UINT16 ConstBool(TW_CAPABILITY* cap) {
    return AnswerBool(cap, value);
}

template <int32_t whole>
TW_UINT16 ConstWhole(TW_CAPABILITY* cap) {
    return AnswerWhole(cap, whole);
}

template <StoredTable* stored>
TW_UINT16 TableList(TW_CAPABILITY* cap) {
    return AnswerTable(cap, *stored);
}

// ---- derived values --------------------------------------------------------

bool FeederAvailable() { return Ctx().feederState.adfAvailable == 1; }

bool DuplexAvailable() { return Ctx().feederState.duplexAvailable == 1 && FeederAvailable(); }

// ---- one value helpers for MSG_SET -------------------------------------------

TW_UINT16 Refuse() { return FailWith(TWCC_BADVALUE); }

// Reads the value of a one-value SET. A container of another kind is a
// protocol error; a dead handle, short block or frame/string item a bad value.
TW_UINT16 TakeOneValue(TW_CAPABILITY* cap, TW_UINT32* value) {
    if (cap->ConType != TWON_ONEVALUE) return FailWith(TWCC_BADPROTOCOL);
    if (!ReadOneValue(cap, value)) return Refuse();
    return TWRC_SUCCESS;
}

TW_INT16 Signed16(TW_UINT32 value) { return static_cast<TW_INT16>(value & 0xffff); }

TW_INT16 Whole(TW_UINT32 value) { return ItemToFix32(value).Whole; }

// Accepts exactly one value and changes nothing.
template <TW_UINT32 accepted>
TW_UINT16 SetOnly(TW_CAPABILITY* cap) {
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    return value == accepted ? TWRC_SUCCESS : Refuse();
}

// An application may hand back the enumeration it got; that changes nothing,
// but its claimed items must lie inside its block.
TW_UINT16 AcceptEnumeration(TW_CAPABILITY* cap) { return IsSoundEnumeration(cap) ? TWRC_SUCCESS : Refuse(); }

// ---- CAP_XFERCOUNT -----------------------------------------------------------

TW_UINT16 GetXferCount(TW_CAPABILITY* cap) { return AnswerInt16(cap, Ctx().xferCount); }
TW_UINT16 DefaultXferCount(TW_CAPABILITY* cap) { return AnswerInt16(cap, -1); }

// Only a single transfer is told apart; any other count means "all there are".
TW_UINT16 SetXferCount(TW_CAPABILITY* cap) {
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    const TW_INT16 count = Signed16(value);
    if (count < -1) return Refuse();
    Ctx().xferCount = count == 1 ? 1 : -1;
    return TWRC_SUCCESS;
}

TW_UINT16 ResetXferCount(TW_CAPABILITY* cap) {
    if (TW_UINT16 rc = DefaultXferCount(cap); rc != TWRC_SUCCESS) return rc;
    Ctx().xferCount = -1;
    return TWRC_SUCCESS;
}

// ---- CAP_SUPPORTEDCAPS, CAP_INDICATORS, CAP_DEVICEONLINE ---------------------

TW_UINT16 GetSupportedCaps(TW_CAPABILITY* cap);

TW_UINT16 GetIndicatorsList(TW_CAPABILITY* cap) { return AnswerBool(cap, UiIsAdjustmentDialogOpen() != 0); }

TW_UINT16 SetIndicators(TW_CAPABILITY* cap) {
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    return value != 0 ? TWRC_SUCCESS : Refuse();
}

// Opens the device quietly and closes it again: online means it answered now.
TW_UINT16 GetDeviceOnline(TW_CAPABILITY* cap) {
    const bool online = OpenDevice(0) == 0;
    if (online) CloseDevice();
    return AnswerBool(cap, online);
}

// ---- ICAP_PIXELTYPE and ICAP_BITDEPTH ----------------------------------------

TW_UINT16 GetCurrentPixelType(TW_CAPABILITY* cap) {
    return AnswerU16(cap, static_cast<TW_UINT16>(pixelTypeItems[PixelTypePosition(Ctx().scan.pixelType)]));
}

TW_UINT16 SetPixelTypeCap(TW_CAPABILITY* cap) {
    if (cap->ConType == TWON_ENUMERATION) return AcceptEnumeration(cap);
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    static constexpr int32_t pixelTypeOf[] = {0, 2, 3};  // by TWPT value
    if (value > TWPT_RGB) return Refuse();
    Ctx().scan.pixelType = pixelTypeOf[value];
    return TWRC_SUCCESS;
}

TW_UINT16 GetCurrentBitDepth(TW_CAPABILITY* cap) {
    return AnswerU16(cap, static_cast<TW_UINT16>(bitDepthItems[PixelTypePosition(Ctx().scan.pixelType)]));
}

// The depth follows the pixel type; only the depth already in force is accepted.
TW_UINT16 SetBitDepth(TW_CAPABILITY* cap) {
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    return value == bitDepthItems[PixelTypePosition(Ctx().scan.pixelType)] ? TWRC_SUCCESS : Refuse();
}

// Back to colour, which both lists then show.
TW_UINT16 ResetBitDepth(TW_CAPABILITY* cap) {
    CapTable colour = bitDepths.table;
    colour.CurrentIndex = 2;
    if (TW_UINT16 rc = AnswerTable(cap, colour, bitDepths.items); rc != TWRC_SUCCESS) return rc;
    Ctx().scan.pixelType = 3;
    return TWRC_SUCCESS;
}

// ---- ICAP_UNITS, ICAP_XFERMECH, ICAP_PIXELFLAVOR, ICAP_IMAGEFILEFORMAT ------

TW_UINT16 SetUnits(TW_CAPABILITY* cap) {
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    if (value != TWUN_INCHES) return Refuse();
    units.table.CurrentIndex = 0;
    return TWRC_SUCCESS;
}

TW_UINT16 GetCurrentXferMech(TW_CAPABILITY* cap) { return AnswerU16(cap, Ctx().xferMech); }

TW_UINT16 SetXferMech(TW_CAPABILITY* cap) {
    if (cap->ConType == TWON_ENUMERATION) return AcceptEnumeration(cap);
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    if (value > TWSX_MEMORY) return Refuse();
    Ctx().xferMech = static_cast<TW_UINT16>(value);
    mechanisms.table.CurrentIndex = value;
    return TWRC_SUCCESS;
}

TW_UINT16 ResetXferMech(TW_CAPABILITY* cap) {
    if (TW_UINT16 rc = ResetStoredTable(cap, mechanisms, 0); rc != TWRC_SUCCESS) return rc;
    Ctx().xferMech = TWSX_NATIVE;
    return TWRC_SUCCESS;
}

TW_UINT16 GetCurrentFlavor(TW_CAPABILITY* cap) { return AnswerU16(cap, Ctx().pixelFlavor); }

TW_UINT16 SetFlavor(TW_CAPABILITY* cap) {
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    if (value > TWPF_VANILLA) return Refuse();
    Ctx().pixelFlavor = static_cast<TW_UINT16>(value);
    flavours.table.CurrentIndex = value;
    return TWRC_SUCCESS;
}

TW_UINT16 ResetFlavor(TW_CAPABILITY* cap) {
    if (TW_UINT16 rc = ResetStoredTable(cap, flavours, 0); rc != TWRC_SUCCESS) return rc;
    Ctx().pixelFlavor = TWPF_CHOCOLATE;
    return TWRC_SUCCESS;
}

TW_UINT16 GetCurrentFileFormat(TW_CAPABILITY* cap) { return AnswerU16(cap, Ctx().xferFileFormat); }

// TIFF is taken so applications that ask for it go on; the file-format table,
// which lists BMP only, is left alone.
TW_UINT16 SetFileFormat(TW_CAPABILITY* cap) {
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    if (value != TWFF_TIFF && value != TWFF_BMP) return Refuse();
    Ctx().xferFileFormat = static_cast<TW_UINT16>(value);
    return TWRC_SUCCESS;
}

TW_UINT16 ResetFileFormat(TW_CAPABILITY* cap) {
    if (TW_UINT16 rc = AnswerU16(cap, TWFF_BMP); rc != TWRC_SUCCESS) return rc;
    Ctx().xferFileFormat = TWFF_BMP;
    return TWRC_SUCCESS;
}

// ---- ICAP_BRIGHTNESS, ICAP_CONTRAST -------------------------------------------

template <int32_t ScanSettings::*member>
TW_UINT16 GetAdjustmentList(TW_CAPABILITY* cap) {
    return AnswerAdjustmentRange(cap, Ctx().scan.*member);
}

template <int32_t ScanSettings::*member>
TW_UINT16 GetAdjustment(TW_CAPABILITY* cap) {
    return AnswerWhole(cap, Ctx().scan.*member);
}

// Judged by the whole part; the fraction is dropped.
template <int32_t ScanSettings::*member>
TW_UINT16 SetAdjustment(TW_CAPABILITY* cap) {
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    const TW_INT16 whole = Whole(value);
    if (whole < -100 || whole > 100) return Refuse();
    Ctx().scan.*member = whole;
    return TWRC_SUCCESS;
}

template <int32_t ScanSettings::*member>
TW_UINT16 ResetAdjustment(TW_CAPABILITY* cap) {
    if (TW_UINT16 rc = AnswerAdjustmentRange(cap, 0); rc != TWRC_SUCCESS) return rc;
    Ctx().scan.*member = 0;
    return TWRC_SUCCESS;
}

// ---- ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT -----------------------------------

TW_UINT16 GetPhysicalWidth(TW_CAPABILITY* cap) {
    return AnswerFix32(cap, HundredthsToFix32(Ctx().coreInfo.physicalWidth));
}

TW_UINT16 GetPhysicalHeight(TW_CAPABILITY* cap) {
    return AnswerFix32(cap, HundredthsToFix32(Ctx().coreInfo.physicalHeight));
}

// ---- ICAP_XRESOLUTION, ICAP_YRESOLUTION (one setting for both) ------------------

// The scan window's resolution; an index outside the table is an inconsistency
// of the source, not a value to report.
TW_UINT16 GetCurrentResolution(TW_CAPABILITY* cap) {
    const int32_t dpi = ResolutionDpi(Ctx().scanWindow.resolutionIndex);
    if (dpi == 0) return FailWith(TWCC_BUMMER);
    return AnswerWhole(cap, dpi);
}

TW_UINT16 SetResolution(TW_CAPABILITY* cap) {
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    const int32_t index = ResolutionIndexOf(Whole(value));
    if (index < 0) return Refuse();
    Ctx().scanWindow.resolutionIndex = index;
    return TWRC_SUCCESS;
}

// Reports the table as it stands, then puts the scan window at 100 dpi.
TW_UINT16 ResetResolution(TW_CAPABILITY* cap) {
    if (TW_UINT16 rc = AnswerTable(cap, resolutions); rc != TWRC_SUCCESS) return rc;
    Ctx().scanWindow.resolutionIndex = 1;
    return TWRC_SUCCESS;
}

// ---- ICAP_SUPPORTEDSIZES --------------------------------------------------------

struct SizeChoice {
    TW_UINT16 twss;
    int32_t paperCode;
};

constexpr SizeChoice sizeChoices[] = {
    {TWSS_NONE, PaperCodeCustomArea},
    {TWSS_A4LETTER, 2},
    {TWSS_B5LETTER, 3},
    {TWSS_USLETTER, 12},
    {TWSS_USLEGAL, 11},
    {TWSS_A5, 4},
};

constexpr int32_t PaperCodeA4 = 2;

TW_UINT16 GetCurrentSize(TW_CAPABILITY* cap) {
    return AnswerU16(cap, LookupPaperCode(Ctx().scanWindow.paperSizeCode).twss);
}

// A TWSS code beyond A5 is refused yet still selects A4, as this source has
// always answered it.
TW_UINT16 SetSize(TW_CAPABILITY* cap) {
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    for (const SizeChoice& choice : sizeChoices) {
        if (choice.twss != value) continue;
        Ctx().scanWindow.paperSizeCode = choice.paperCode;
        return TWRC_SUCCESS;
    }
    Ctx().scanWindow.paperSizeCode = PaperCodeA4;
    return Refuse();
}

TW_UINT16 ResetSize(TW_CAPABILITY* cap) {
    if (TW_UINT16 rc = AnswerU16(cap, TWSS_A4LETTER); rc != TWRC_SUCCESS) return rc;
    Ctx().scanWindow.paperSizeCode = PaperCodeA4;
    return TWRC_SUCCESS;
}

// ---- feeder and duplex ------------------------------------------------------------

TW_UINT16 GetFeederEnabled(TW_CAPABILITY* cap) { return AnswerBool(cap, FeederAvailable()); }
TW_UINT16 GetFeederLoaded(TW_CAPABILITY* cap) { return AnswerBool(cap, Ctx().feederState.adfLoaded == 1); }
TW_UINT16 GetDuplexEnabled(TW_CAPABILITY* cap) { return AnswerBool(cap, DuplexAvailable()); }

TW_UINT16 GetDuplex(TW_CAPABILITY* cap) {
    return AnswerU16(cap, DuplexAvailable() ? TWDX_2PASSDUPLEX : TWDX_NONE);
}

// Switching one feeder mode off leaves the other mode alone.
template <int32_t sourceWhenOn>
TW_UINT16 SetFeederMode(TW_CAPABILITY* cap) {
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    const bool possible = sourceWhenOn == 2 ? DuplexAvailable() : FeederAvailable();
    if (!possible) return Refuse();
    int32_t& source = Ctx().scanWindow.paperSource;
    if (value != 0) {
        source = sourceWhenOn;
    } else if (source == sourceWhenOn) {
        source = 0;
    }
    return TWRC_SUCCESS;
}

TW_UINT16 ResetFeederMode(TW_CAPABILITY* cap) {
    if (TW_UINT16 rc = AnswerBool(cap, false); rc != TWRC_SUCCESS) return rc;
    Ctx().scanWindow.paperSource = 0;
    return TWRC_SUCCESS;
}

// ---- ICAP_LIGHTSOURCE -------------------------------------------------------------

// The light is fixed: asking for it is a protocol error, anything else a bad value.
TW_UINT16 SetLightSource(TW_CAPABILITY* cap) {
    TW_UINT32 value;
    if (TW_UINT16 rc = TakeOneValue(cap, &value); rc != TWRC_SUCCESS) return rc;
    return FailWith(value == TWLS_WHITE ? TWCC_BADPROTOCOL : TWCC_BADVALUE);
}

// ---- the table ---------------------------------------------------------------------

constexpr auto brightness = &ScanSettings::brightness;
constexpr auto contrast = &ScanSettings::contrast;

// In the order of CAP_SUPPORTEDCAPS.
constexpr CapabilityRow capabilityRows[] = {
    {CAP_XFERCOUNT, GetXferCount, GetXferCount, DefaultXferCount, SetXferCount, ResetXferCount},
    {CAP_SUPPORTEDCAPS, GetSupportedCaps, GetSupportedCaps, GetSupportedCaps, nullptr, nullptr},
    {CAP_INDICATORS, GetIndicatorsList, ConstBool<true>, ConstBool<true>, SetIndicators, ConstBool<true>},
    {CAP_DEVICEONLINE, GetDeviceOnline, GetDeviceOnline, GetDeviceOnline, nullptr, nullptr},
    {CAP_UICONTROLLABLE, ConstBool<true>, ConstBool<true>, ConstBool<true>, nullptr, nullptr},
    {ICAP_COMPRESSION, ConstU16<TWCP_NONE>, ConstU16<TWCP_NONE>, ConstU16<TWCP_NONE>, SetOnly<TWCP_NONE>,
     ConstU16<TWCP_NONE>},
    {ICAP_PIXELTYPE, TableList<&pixelTypes>, GetCurrentPixelType, ConstU16<TWPT_RGB>, SetPixelTypeCap,
     ConstU16<TWPT_RGB>},
    {ICAP_UNITS, TableList<&units>, ConstU16<TWUN_INCHES>, ConstU16<TWUN_INCHES>, SetUnits,
     ConstU16<TWUN_INCHES>},
    {ICAP_XFERMECH, TableList<&mechanisms>, GetCurrentXferMech, ConstU16<TWSX_NATIVE>, SetXferMech,
     ResetXferMech},
    {ICAP_BRIGHTNESS, GetAdjustmentList<brightness>, GetAdjustment<brightness>, ConstWhole<0>,
     SetAdjustment<brightness>, ResetAdjustment<brightness>},
    {ICAP_CONTRAST, GetAdjustmentList<contrast>, GetAdjustment<contrast>, ConstWhole<0>,
     SetAdjustment<contrast>, ResetAdjustment<contrast>},
    {ICAP_PHYSICALWIDTH, GetPhysicalWidth, GetPhysicalWidth, GetPhysicalWidth, nullptr, nullptr},
    {ICAP_PHYSICALHEIGHT, GetPhysicalHeight, GetPhysicalHeight, GetPhysicalHeight, nullptr, nullptr},
    {ICAP_XRESOLUTION, TableList<&resolutions>, GetCurrentResolution, ConstWhole<100>, SetResolution,
     ResetResolution},
    {ICAP_YRESOLUTION, TableList<&resolutions>, GetCurrentResolution, ConstWhole<100>, SetResolution,
     ResetResolution},
    {ICAP_BITORDER, ConstU16<TWBO_MSBFIRST>, ConstU16<TWBO_MSBFIRST>, ConstU16<TWBO_MSBFIRST>,
     SetOnly<TWBO_MSBFIRST>, ConstU16<TWBO_MSBFIRST>},
    {ICAP_PIXELFLAVOR, TableList<&flavours>, GetCurrentFlavor, ConstU16<TWPF_CHOCOLATE>, SetFlavor,
     ResetFlavor},
    {ICAP_PLANARCHUNKY, ConstU16<TWPC_CHUNKY>, ConstU16<TWPC_CHUNKY>, ConstU16<TWPC_CHUNKY>,
     SetOnly<TWPC_CHUNKY>, ConstU16<TWPC_CHUNKY>},
    {ICAP_SUPPORTEDSIZES, TableList<&sizes>, GetCurrentSize, ConstU16<TWSS_A4LETTER>, SetSize, ResetSize},
    {ICAP_IMAGEFILEFORMAT, TableList<&fileFormats>, GetCurrentFileFormat, ConstU16<TWFF_BMP>, SetFileFormat,
     ResetFileFormat},
    {ICAP_LIGHTSOURCE, ConstU16<TWLS_WHITE>, ConstU16<TWLS_WHITE>, ConstU16<TWLS_WHITE>, SetLightSource,
     ConstU16<TWLS_WHITE>},
    {ICAP_LIGHTPATH, ConstU16<TWLP_REFLECTIVE>, ConstU16<TWLP_REFLECTIVE>, ConstU16<TWLP_REFLECTIVE>,
     SetOnly<TWLP_REFLECTIVE>, ConstU16<TWLP_REFLECTIVE>},
    {CAP_FEEDERENABLED, GetFeederEnabled, GetFeederEnabled, GetFeederEnabled, SetFeederMode<1>,
     ResetFeederMode},
    {CAP_FEEDERLOADED, GetFeederLoaded, GetFeederLoaded, GetFeederLoaded, nullptr, nullptr},
    {CAP_AUTOFEED, ConstBool<false>, ConstBool<false>, ConstBool<false>, nullptr, nullptr},
    {CAP_CLEARPAGE, ConstBool<false>, ConstBool<false>, ConstBool<false>, nullptr, nullptr},
    {ICAP_BITDEPTH, TableList<&bitDepths>, GetCurrentBitDepth, ConstU16<24>, SetBitDepth, ResetBitDepth},
    {CAP_DUPLEXENABLED, GetDuplexEnabled, GetDuplexEnabled, GetDuplexEnabled, SetFeederMode<2>,
     ResetFeederMode},
    {CAP_DUPLEX, GetDuplex, GetDuplex, GetDuplex, nullptr, nullptr},
    {ICAP_XSCALING, ConstWhole<1>, ConstWhole<1>, ConstWhole<1>, SetOnly<1>, ConstWhole<1>},
    {ICAP_YSCALING, ConstWhole<1>, ConstWhole<1>, ConstWhole<1>, SetOnly<1>, ConstWhole<1>},
};

constexpr TW_UINT32 CapabilityCount = std::size(capabilityRows);
static_assert(CapabilityCount == 31);

constexpr std::array<TW_UINT32, CapabilityCount> supportedCapItems = [] {
    std::array<TW_UINT32, CapabilityCount> items{};
    for (TW_UINT32 i = 0; i < CapabilityCount; ++i) items[i] = capabilityRows[i].cap;
    return items;
}();

TW_UINT16 GetSupportedCaps(TW_CAPABILITY* cap) {
    const CapTable table{TWTY_UINT16, CapabilityCount, 0, 0};
    return Built(BuildArray(cap, table, supportedCapItems.data()));
}

const CapabilityRow* FindRow(TW_UINT16 cap) {
    for (const CapabilityRow& row : capabilityRows) {
        if (row.cap == cap) return &row;
    }
    return nullptr;
}

// Runs one operation of the row for cap; a null operation is a read-only refusal.
TW_UINT16 RunOperation(TW_CAPABILITY* cap, CapFn CapabilityRow::*operation) {
    if (cap == nullptr) return Refuse();
    const CapabilityRow* row = FindRow(cap->Cap);
    if (row == nullptr) return FailWith(TWCC_BADCAP);
    const CapFn fn = row->*operation;
    if (fn == nullptr) return FailWith(TWCC_BADPROTOCOL);
    return fn(cap);
}

}  // namespace

TW_UINT16 GET_CapabilityList(TW_CAPABILITY* cap) {
    DsTrace("GET_CapabilityList IN");
    const TW_UINT16 rc = RunOperation(cap, &CapabilityRow::get);
    DsTrace("GET_CapabilityList OUT");
    return rc;
}

TW_UINT16 GET_CurrentCapabilityValue(TW_CAPABILITY* cap) {
    DsTrace("GET_CurrentCapabilityValue IN");
    const TW_UINT16 rc = RunOperation(cap, &CapabilityRow::getCurrent);
    DsTrace("GET_CurrentCapabilityValue OUT");
    return rc;
}

TW_UINT16 GET_DefaultCapabilityValue(TW_CAPABILITY* cap) {
    DsTrace("GET_DefaultCapabilityValue IN");
    const TW_UINT16 rc = RunOperation(cap, &CapabilityRow::getDefault);
    DsTrace("GET_DefaultCapabilityValue OUT");
    return rc;
}

TW_UINT16 SET_CapabilityValue(TW_CAPABILITY* cap) {
    DsTrace("SET_CapabilityValue IN");
    const TW_UINT16 rc = RunOperation(cap, &CapabilityRow::set);
    DsTrace("SET_CapabilityValue OUT");
    return rc;
}

TW_UINT16 ResetCapabilityValue(TW_CAPABILITY* cap) { return RunOperation(cap, &CapabilityRow::reset); }

TW_UINT16 CapabilityMsg(const DsRequest& request) {
    DsTrace("CapabilityMsg IN");
    GetCoreContext()->conditionCode = TWCC_SUCCESS;
    auto* cap = static_cast<TW_CAPABILITY*>(request.data);
    // Once a transfer is announced its image is fixed: a change now would
    // make the delivered image differ from the one described.
    const bool changes = request.msg == MSG_SET || request.msg == MSG_RESET;
    const TW_INT16 state = GetCoreContext()->state;
    if (changes && (state == StateXferReady || state == StateTransferring)) {
        DsTrace("CapabilityMsg OUT");
        return FailWith(TWCC_SEQERROR);
    }
    TW_UINT16 rc;
    switch (request.msg) {
        case MSG_GET:
            rc = GET_CapabilityList(cap);
            break;
        case MSG_GETCURRENT:
            rc = GET_CurrentCapabilityValue(cap);
            break;
        case MSG_GETDEFAULT:
            rc = GET_DefaultCapabilityValue(cap);
            break;
        case MSG_SET:
            rc = SET_CapabilityValue(cap);
            break;
        case MSG_RESET:
            rc = ResetCapabilityValue(cap);
            break;
        default:
            rc = FailWith(TWCC_BADPROTOCOL);
            break;
    }
    DsTrace("CapabilityMsg OUT");
    return rc;
}

void RestoreCapabilityTables() {
    pixelTypes.table = pixelTypesAtLoad;
    units.table = unitsAtLoad;
    mechanisms.table = mechanismsAtLoad;
    flavours.table = flavoursAtLoad;
    fileFormats.table = fileFormatsAtLoad;
    resolutions.table = resolutionsAtLoad;
    sizes.table = sizesAtLoad;
    bitDepths.table = bitDepthsAtLoad;
}
