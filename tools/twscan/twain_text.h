// Names of TWAIN codes for twscan's messages, and FIX32 conversion.
// Platform-free.
#pragma once

#include <string>

#include "core/twain.h"

// "TWRC_FAILURE" and the like; unknown codes come back as their number.
std::string ReturnCodeName(TW_UINT16 rc);
// "TWCC_SEQERROR (sequence error)" and the like; unknown codes as their number.
std::string ConditionCodeName(TW_UINT16 cc);
// Short names of data argument types, messages and capabilities, for tracing.
std::string DatName(TW_UINT16 dat);
std::string MsgName(TW_UINT16 msg);
std::string CapabilityName(TW_UINT16 cap);
// "BW", "GRAY", "RGB" or the number.
std::string PixelTypeName(TW_UINT16 pixelType);
// "A4", "US letter" ... or the number.
std::string PaperSizeName(TW_UINT16 twss);

// Nearest FIX32 of a value (rounded half away from zero).
TW_FIX32 ToFix32(double value);
double FromFix32(TW_FIX32 value);
// A FIX32 packed into the 32-bit item of a one-value container, and back.
TW_UINT32 PackFix32(TW_FIX32 value);
TW_FIX32 UnpackFix32(TW_UINT32 item);

// A fixed-size TWAIN string as printable text: stops at the terminator or the
// field's end, and shows bytes outside printable ASCII as '?'.
std::string PrintableText(const char* field, size_t size);
