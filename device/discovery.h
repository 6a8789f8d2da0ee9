// The broadcast search for network devices: one request datagram out, the
// sender address of every answer collected.
#pragma once

#include <cstdint>

#include "device/device_link.h"

constexpr uint32_t SearchRequestLength = 29;
constexpr uint32_t SearchDatagramMax = 260;
constexpr uint16_t SearchRequestPort = 4568;
constexpr uint16_t SearchReplyPort = 4569;
constexpr uint32_t SearchWaitMs = 3000;
// More answers than any network holds devices: a flood ends the collection.
constexpr int32_t SearchReplyLimit = 256;

// Writes the search request (also the identity a network connection sends)
// into buffer; returns its length, or 0 when the buffer is too small.
uint32_t BuildSearchRequest(uint8_t* buffer, uint32_t size);

// Broadcasts `request` and collects the address of every device that answers
// within the wait. Returns a malloc'ed array the caller frees (null when none
// answered or the search failed) and its length in `count`. The socket
// library must already be started. Requests longer than 260 bytes fail.
DiscoveredHost* DiscoverHosts(int32_t* count, const uint8_t* request, uint32_t length);
