// Numbers of the templates, controls and strings the library takes from the
// resource module. Shared by the .rc file and the code, so plain macros only.
#pragma once

#define IDD_DEVICE_SELECT 102

#define IDC_DEVICE_USB 1172
#define IDC_DEVICE_NETWORK 1173
#define IDC_DEVICE_ADDRESS 1174
#define IDC_DEVICE_LIST 1175
#define IDC_DEVICE_SEARCH 1176
#define IDC_DEVICE_STORE_TEST 1177
#define IDC_DEVICE_CLOSE 1178

#define IDS_BUILTIN_GREY 1247
#define IDS_BUILTIN_STANDARD 1250
#define IDS_BUILTIN_TEMPLATE 1256
#define IDS_BUILTIN_FEEDER 1263
#define IDS_CANCEL_LABEL 1268
#define IDS_STANDARD_COMMENT 1619
#define IDS_PHOTO_COMMENT 1620
#define IDS_FEEDER_COMMENT 1621

#define IDS_STATUS_NO_DEVICE 2080
#define IDS_STATUS_COVER_OPEN 2081
#define IDS_STATUS_PAPER_JAM 2082
#define IDS_STATUS_NO_PAPER 2083
#define IDS_STATUS_READ_FAILED 2102
#define IDS_FEEDER_EMPTY 2115
#define IDS_DEVICE_TITLE 2116
#define IDS_DEVICE_USB 2117
#define IDS_DEVICE_NETWORK 2118
#define IDS_DEVICE_LIST_ADDRESS 2119
#define IDS_DEVICE_SEARCH 2120
#define IDS_DEVICE_LIST_NOTE 2129
#define IDS_STATUS_START_KEY 2130

#include "ids_main_dialog.h"
#include "ids_progress_dialog.h"
#include "ids_preview.h"
#include "ids_registrations.h"
#include "ids_pictures.h"
