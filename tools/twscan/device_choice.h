// The scanner the Tarvik4100 source reaches: its saved choice, which its
// device-selection dialog tests when the source opens. twscan writes the
// choice of --device there before the source is loaded.
#pragma once

#include <string>

// "usb" or a dotted IPv4 address into the source's settings files.
void SaveDeviceChoice(const std::string& device);
// "network 192.168.1.20", "USB" or "none saved", from the settings files.
std::string SavedDeviceText();
// For messages: "at 192.168.1.20", "on USB", or empty when nothing is saved.
std::string SavedDeviceWhere();
