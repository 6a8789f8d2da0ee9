#include "device/net_discovery.h"

// The search itself is not built yet: no device is ever found, which callers
// show as an empty list.
DiscoveredHost* DiscoverHosts(int32_t* count, const uint8_t*, uint32_t) {
    if (count != nullptr) *count = 0;
    return nullptr;
}
