// Numbers of the pictures.
// Plain macros only: included by the .rc files and the code.
#pragma once

// Mode pictures, 91 x 81, magenta (255, 0, 255) is transparent. The list of
// pictures a mode can take is these, in this order.
#define IDB_MODE_FIRST 1300
#define IDB_MODE_1300 1300
#define IDB_MODE_1301 1301
#define IDB_MODE_1302 1302
#define IDB_MODE_1303 1303
#define IDB_MODE_1307 1307
#define IDB_MODE_1308 1308
#define IDB_MODE_1309 1309
#define IDB_MODE_1310 1310
#define IDB_MODE_1311 1311
#define IDB_MODE_1312 1312
#define IDB_MODE_1313 1313
#define IDB_MODE_1314 1314
#define IDB_MODE_1315 1315
#define IDB_MODE_1326 1326
#define IDB_MODE_1327 1327
#define IDB_MODE_1328 1328
#define IDB_MODE_1329 1329
#define IDB_MODE_1330 1330
#define IDB_MODE_1331 1331
#define IDB_MODE_1332 1332
#define IDB_MODE_1333 1333
#define IDB_MODE_1334 1334
#define IDB_MODE_1335 1335
#define IDB_MODE_1336 1336
#define IDB_MODE_1337 1337

// Placement strip and the two rotation strips of the main dialog.
#define IDB_PLACEMENT_STRIP 1304
#define IDB_ROTATION_STRIP 1305
#define IDB_ROTATION_STRIP_2 1306
// Rotation pictures, 24 x 24.
#define IDB_ROTATION_0 1318
#define IDB_ROTATION_1 1319
#define IDB_ROTATION_2 1320
#define IDB_ROTATION_3 1321
// Document-shape pictures, 112 x 120.
#define IDB_DOCUMENT_SHAPE_1 1316
#define IDB_DOCUMENT_SHAPE_2 1317
// Area-mode picture 16 x 16, About picture 448 x 173.
#define IDB_AREA_MODE 1324
#define IDB_ABOUT 1325
