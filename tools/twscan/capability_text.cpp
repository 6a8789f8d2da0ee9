// Capability containers in words.
#include "tools/twscan/capability_text.h"

#include <cstdio>
#include <cstring>

#include "tools/twscan/twain_text.h"

namespace {

// Printing a few hundred items helps nobody; a broken container might claim millions.
constexpr uint32_t MaxItemsShown = 64;

std::string Item(TW_UINT16 cap, TW_UINT16 type, uint32_t value) {
    switch (type) {
        case TWTY_FIX32: {
            char text[32];
            std::snprintf(text, sizeof text, "%g", FromFix32(UnpackFix32(value)));
            return text;
        }
        case TWTY_BOOL:
            return (value & 0xffff) != 0 ? "yes" : "no";
        case TWTY_INT8:
            return std::to_string(static_cast<int8_t>(value));
        case TWTY_INT16:
            return std::to_string(static_cast<int16_t>(value));
        case TWTY_INT32:
            return std::to_string(static_cast<int32_t>(value));
        default:
            break;
    }
    const auto code = static_cast<TW_UINT16>(value);
    switch (cap) {
        case ICAP_PIXELTYPE:
            return PixelTypeName(code);
        case ICAP_SUPPORTEDSIZES:
            return PaperSizeName(code);
        case CAP_SUPPORTEDCAPS:
            return CapabilityName(code);
        default:
            break;
    }
    struct Named {
        TW_UINT16 cap;
        TW_UINT16 code;
        const char* name;
    };
    static const Named names[] = {
        {ICAP_XFERMECH, TWSX_NATIVE, "native"},
        {ICAP_XFERMECH, TWSX_FILE, "file"},
        {ICAP_XFERMECH, TWSX_MEMORY, "memory"},
        {ICAP_UNITS, TWUN_INCHES, "inches"},
        {ICAP_UNITS, TWUN_CENTIMETERS, "centimetres"},
        {ICAP_PIXELFLAVOR, TWPF_CHOCOLATE, "chocolate"},
        {ICAP_PIXELFLAVOR, TWPF_VANILLA, "vanilla"},
        {ICAP_IMAGEFILEFORMAT, TWFF_TIFF, "TIFF"},
        {ICAP_IMAGEFILEFORMAT, TWFF_BMP, "BMP"},
        {ICAP_COMPRESSION, 0, "none"},
        {CAP_DUPLEX, TWDX_NONE, "none"},
        {CAP_DUPLEX, TWDX_1PASSDUPLEX, "one pass"},
        {CAP_DUPLEX, TWDX_2PASSDUPLEX, "two passes"},
    };
    for (const Named& n : names) {
        if (n.cap == cap && n.code == code) return n.name;
    }
    return std::to_string(value);
}

std::string List(TW_UINT16 cap, TW_UINT16 type, const uint8_t* items, uint32_t count) {
    const size_t bytes = TwainItemBytes(type);
    std::string text;
    for (uint32_t i = 0; i < count && i < MaxItemsShown; ++i) {
        if (i > 0) text += ", ";
        text += Item(cap, type, ReadTwainItem(items + i * bytes, bytes));
    }
    if (count > MaxItemsShown) text += ", ... (" + std::to_string(count) + " in all)";
    return text;
}

}  // namespace

std::string DescribeCapability(TW_UINT16 cap, TW_UINT16 conType, const uint8_t* block, size_t size) {
    if (block == nullptr || size < 2) return "(empty answer)";
    const auto type = static_cast<TW_UINT16>(ReadTwainItem(block, 2));
    const size_t bytes = TwainItemBytes(type);
    if (bytes == 0) return "(item type " + std::to_string(type) + " not shown)";
    switch (conType) {
        case TWON_ONEVALUE:
            if (size < 2 + bytes) break;
            return Item(cap, type, ReadTwainItem(block + 2, bytes));
        case TWON_RANGE: {
            if (size < 22) break;
            const auto at = [&](size_t offset) {
                return Item(cap, type, ReadTwainItem(block + offset, bytes));
            };
            return at(2) + ".." + at(6) + " in steps of " + at(10) + " (current " + at(18) + ", default " +
                   at(14) + ")";
        }
        case TWON_ENUMERATION: {
            if (size < 14) break;
            const uint32_t count = ReadTwainItem(block + 2, 4);
            const uint32_t current = ReadTwainItem(block + 6, 4);
            const uint32_t fallback = ReadTwainItem(block + 10, 4);
            if (uint64_t{count} * bytes > size - 14) break;
            const uint8_t* items = block + 14;
            std::string text = List(cap, type, items, count);
            if (current < count)
                text += " (current " + Item(cap, type, ReadTwainItem(items + current * bytes, bytes));
            if (fallback < count)
                text += std::string(current < count ? ", " : " (") + "default " +
                        Item(cap, type, ReadTwainItem(items + fallback * bytes, bytes));
            if (current < count || fallback < count) text += ")";
            return text;
        }
        case TWON_ARRAY: {
            if (size < 6) break;
            const uint32_t count = ReadTwainItem(block + 2, 4);
            if (uint64_t{count} * bytes > size - 6) break;
            return List(cap, type, block + 6, count);
        }
        default:
            return "(container kind " + std::to_string(conType) + " not shown)";
    }
    return "(container shorter than it says)";
}

size_t TwainItemBytes(TW_UINT16 type) {
    switch (type) {
        case TWTY_INT8:
        case TWTY_UINT8:
            return 1;
        case TWTY_INT16:
        case TWTY_UINT16:
        case TWTY_BOOL:
            return 2;
        case TWTY_INT32:
        case TWTY_UINT32:
        case TWTY_FIX32:
            return 4;
        default:
            return 0;
    }
}

uint32_t ReadTwainItem(const uint8_t* at, size_t bytes) {
    uint32_t value = 0;
    std::memcpy(&value, at, bytes < sizeof value ? bytes : sizeof value);
    return value;
}
