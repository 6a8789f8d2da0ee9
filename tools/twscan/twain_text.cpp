// Names of TWAIN codes for twscan's messages, and FIX32 conversion.
#include "tools/twscan/twain_text.h"

#include <cmath>
#include <cstring>

namespace {

struct CodeName {
    TW_UINT16 code;
    const char* name;
};

template <size_t N>
std::string NameOf(const CodeName (&table)[N], TW_UINT16 code, const char* prefix) {
    for (const CodeName& entry : table) {
        if (entry.code == code) return entry.name;
    }
    return std::string(prefix) + std::to_string(code);
}

constexpr CodeName returnCodes[] = {
    {TWRC_SUCCESS, "TWRC_SUCCESS"},         {TWRC_FAILURE, "TWRC_FAILURE"},
    {TWRC_CHECKSTATUS, "TWRC_CHECKSTATUS"}, {TWRC_CANCEL, "TWRC_CANCEL"},
    {TWRC_DSEVENT, "TWRC_DSEVENT"},         {TWRC_NOTDSEVENT, "TWRC_NOTDSEVENT"},
    {TWRC_XFERDONE, "TWRC_XFERDONE"},       {TWRC_ENDOFLIST, "TWRC_ENDOFLIST"},
};

constexpr CodeName conditionCodes[] = {
    {TWCC_SUCCESS, "TWCC_SUCCESS (no error)"},
    {TWCC_BUMMER, "TWCC_BUMMER (failure of unknown cause)"},
    {TWCC_LOWMEMORY, "TWCC_LOWMEMORY (not enough memory)"},
    {TWCC_NODS, "TWCC_NODS (no data source)"},
    {TWCC_MAXCONNECTIONS, "TWCC_MAXCONNECTIONS (source is in use by another application)"},
    {TWCC_OPERATIONERROR, "TWCC_OPERATIONERROR (the source or the device failed)"},
    {TWCC_BADCAP, "TWCC_BADCAP (capability not supported)"},
    {TWCC_BADPROTOCOL, "TWCC_BADPROTOCOL (operation not supported)"},
    {TWCC_BADVALUE, "TWCC_BADVALUE (value out of range)"},
    {TWCC_SEQERROR, "TWCC_SEQERROR (operation out of sequence)"},
    {TWCC_BADDEST, "TWCC_BADDEST (unknown destination)"},
    {TWCC_CAPUNSUPPORTED, "TWCC_CAPUNSUPPORTED (capability not supported)"},
    {TWCC_CAPBADOPERATION, "TWCC_CAPBADOPERATION (operation not supported by the capability)"},
    {TWCC_CAPSEQERROR, "TWCC_CAPSEQERROR (capability depends on another one)"},
    {TWCC_CHECKDEVICEONLINE, "TWCC_CHECKDEVICEONLINE (check that the device is on and connected)"},
};

constexpr CodeName dats[] = {
    {DAT_NULL, "DAT_NULL"},
    {DAT_CAPABILITY, "DAT_CAPABILITY"},
    {DAT_EVENT, "DAT_EVENT"},
    {DAT_IDENTITY, "DAT_IDENTITY"},
    {DAT_PARENT, "DAT_PARENT"},
    {DAT_PENDINGXFERS, "DAT_PENDINGXFERS"},
    {DAT_SETUPMEMXFER, "DAT_SETUPMEMXFER"},
    {DAT_SETUPFILEXFER, "DAT_SETUPFILEXFER"},
    {DAT_STATUS, "DAT_STATUS"},
    {DAT_USERINTERFACE, "DAT_USERINTERFACE"},
    {DAT_XFERGROUP, "DAT_XFERGROUP"},
    {DAT_IMAGEINFO, "DAT_IMAGEINFO"},
    {DAT_IMAGELAYOUT, "DAT_IMAGELAYOUT"},
    {DAT_IMAGEMEMXFER, "DAT_IMAGEMEMXFER"},
    {DAT_IMAGENATIVEXFER, "DAT_IMAGENATIVEXFER"},
    {DAT_IMAGEFILEXFER, "DAT_IMAGEFILEXFER"},
};

constexpr CodeName messages[] = {
    {MSG_NULL, "MSG_NULL"},
    {MSG_GET, "MSG_GET"},
    {MSG_GETCURRENT, "MSG_GETCURRENT"},
    {MSG_GETDEFAULT, "MSG_GETDEFAULT"},
    {MSG_GETFIRST, "MSG_GETFIRST"},
    {MSG_GETNEXT, "MSG_GETNEXT"},
    {MSG_SET, "MSG_SET"},
    {MSG_RESET, "MSG_RESET"},
    {MSG_XFERREADY, "MSG_XFERREADY"},
    {MSG_CLOSEDSREQ, "MSG_CLOSEDSREQ"},
    {MSG_CLOSEDSOK, "MSG_CLOSEDSOK"},
    {MSG_OPENDSM, "MSG_OPENDSM"},
    {MSG_CLOSEDSM, "MSG_CLOSEDSM"},
    {MSG_OPENDS, "MSG_OPENDS"},
    {MSG_CLOSEDS, "MSG_CLOSEDS"},
    {MSG_USERSELECT, "MSG_USERSELECT"},
    {MSG_DISABLEDS, "MSG_DISABLEDS"},
    {MSG_ENABLEDS, "MSG_ENABLEDS"},
    {MSG_PROCESSEVENT, "MSG_PROCESSEVENT"},
    {MSG_ENDXFER, "MSG_ENDXFER"},
};

constexpr CodeName capabilities[] = {
    {CAP_XFERCOUNT, "CAP_XFERCOUNT"},
    {ICAP_PIXELTYPE, "ICAP_PIXELTYPE"},
    {ICAP_UNITS, "ICAP_UNITS"},
    {ICAP_XFERMECH, "ICAP_XFERMECH"},
    {CAP_FEEDERENABLED, "CAP_FEEDERENABLED"},
    {CAP_DUPLEXENABLED, "CAP_DUPLEXENABLED"},
    {ICAP_BRIGHTNESS, "ICAP_BRIGHTNESS"},
    {ICAP_CONTRAST, "ICAP_CONTRAST"},
    {ICAP_XRESOLUTION, "ICAP_XRESOLUTION"},
    {ICAP_YRESOLUTION, "ICAP_YRESOLUTION"},
    {ICAP_PIXELFLAVOR, "ICAP_PIXELFLAVOR"},
    {ICAP_SUPPORTEDSIZES, "ICAP_SUPPORTEDSIZES"},
    {ICAP_IMAGEFILEFORMAT, "ICAP_IMAGEFILEFORMAT"},
    {CAP_SUPPORTEDCAPS, "CAP_SUPPORTEDCAPS"},
    {CAP_INDICATORS, "CAP_INDICATORS"},
    {CAP_DEVICEONLINE, "CAP_DEVICEONLINE"},
    {CAP_UICONTROLLABLE, "CAP_UICONTROLLABLE"},
    {ICAP_COMPRESSION, "ICAP_COMPRESSION"},
    {ICAP_PHYSICALWIDTH, "ICAP_PHYSICALWIDTH"},
    {ICAP_PHYSICALHEIGHT, "ICAP_PHYSICALHEIGHT"},
    {ICAP_BITORDER, "ICAP_BITORDER"},
    {ICAP_PLANARCHUNKY, "ICAP_PLANARCHUNKY"},
    {ICAP_LIGHTSOURCE, "ICAP_LIGHTSOURCE"},
    {ICAP_LIGHTPATH, "ICAP_LIGHTPATH"},
    {CAP_FEEDERLOADED, "CAP_FEEDERLOADED"},
    {CAP_AUTOFEED, "CAP_AUTOFEED"},
    {CAP_CLEARPAGE, "CAP_CLEARPAGE"},
    {ICAP_BITDEPTH, "ICAP_BITDEPTH"},
    {CAP_DUPLEX, "CAP_DUPLEX"},
    {ICAP_XSCALING, "ICAP_XSCALING"},
    {ICAP_YSCALING, "ICAP_YSCALING"},
};

constexpr CodeName pixelTypes[] = {{TWPT_BW, "BW"}, {TWPT_GRAY, "GRAY"}, {TWPT_RGB, "RGB"}};

constexpr CodeName paperSizes[] = {
    {TWSS_NONE, "none (custom frame)"},
    {TWSS_A4LETTER, "A4"},
    {TWSS_B5LETTER, "B5"},
    {TWSS_USLETTER, "US letter"},
    {TWSS_USLEGAL, "US legal"},
    {TWSS_A5, "A5"},
    {TWSS_B4, "B4"},
    {TWSS_B6, "B6"},
    {TWSS_USLEDGER, "US ledger"},
    {TWSS_USEXECUTIVE, "US executive"},
    {TWSS_A3, "A3"},
    {TWSS_B3, "B3"},
    {TWSS_A6, "A6"},
};

}  // namespace

std::string ReturnCodeName(TW_UINT16 rc) { return NameOf(returnCodes, rc, "TWRC "); }
std::string ConditionCodeName(TW_UINT16 cc) { return NameOf(conditionCodes, cc, "TWCC "); }
std::string DatName(TW_UINT16 dat) { return NameOf(dats, dat, "DAT "); }
std::string MsgName(TW_UINT16 msg) { return NameOf(messages, msg, "MSG "); }
std::string CapabilityName(TW_UINT16 cap) { return NameOf(capabilities, cap, "capability "); }
std::string PixelTypeName(TW_UINT16 pixelType) { return NameOf(pixelTypes, pixelType, "pixel type "); }
std::string PaperSizeName(TW_UINT16 twss) { return NameOf(paperSizes, twss, "paper size "); }

TW_FIX32 ToFix32(double value) {
    const double scaled = std::round(value * 65536.0);
    const int32_t packed = static_cast<int32_t>(scaled);
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(packed >> 16);
    fix.Frac = static_cast<TW_UINT16>(packed & 0xffff);
    return fix;
}

double FromFix32(TW_FIX32 value) { return value.Whole + value.Frac / 65536.0; }

TW_UINT32 PackFix32(TW_FIX32 value) {
    TW_UINT32 item = 0;
    static_assert(sizeof(item) == sizeof(value));
    std::memcpy(&item, &value, sizeof(item));
    return item;
}

TW_FIX32 UnpackFix32(TW_UINT32 item) {
    TW_FIX32 value;
    std::memcpy(&value, &item, sizeof(item));
    return value;
}

std::string PrintableText(const char* field, size_t size) {
    std::string text;
    for (size_t i = 0; i < size && field[i] != '\0'; ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        text += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?';
    }
    return text;
}
