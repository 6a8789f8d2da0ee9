// The broadcast search for network devices.
#pragma once

#include <cstdint>

#include "device/device_link.h"

// Broadcasts `request` and collects the address of every device that answers.
// Returns a malloc'ed array (null when none answered) and its length in
// `count`. The socket library must already be started.
DiscoveredHost* DiscoverHosts(int32_t* count, const uint8_t* request, uint32_t length);
