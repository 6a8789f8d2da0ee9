// The preview window: the glass with the last preview image, the document
// outline and the scan area, edited with the mouse. A modal dialog owned by
// the main dialog; every change goes into MainUiState and, through the host
// below, into the main dialog's controls.
#pragma once

#include <windows.h>

// What the preview asks of the main dialog it belongs to. The preview writes
// MainUiState itself (scanA..scanV, scanAreaCheck, scanSize, customA,
// customB, customOrientation); the host keeps the main dialog's controls in
// step. A missing entry, or no host at all, is skipped.
struct PreviewHost {
    int (*resolutionDpi)();      // dots per inch of the resolution box, for the pixel ruler
    int (*flatbedSetUp)();       // 1 while the controls are set up for the flatbed
    int (*rotationSelection)();  // the rotation box's selection
    int (*customSizeShown)();    // 1 when the size list shows the custom entry
    // Loads the raw values (1/6000 inch) into the width and length fields,
    // and into the four area fields as well when withArea is 1.
    void (*reloadSizeFields)(int withArea);
    void (*refreshSizeFields)();  // converts the loaded values into the unit shown
    void (*clampArea)();          // keeps the area inside the document
    // Ticks or unticks the area box; unticked also empties and disables the
    // four area fields, ticked enables them.
    void (*setAreaBox)(int ticked);
    // The size list to its custom entry, the placement box without selection
    // and disabled with its label.
    void (*switchToCustomSize)();
    void (*updateStatusLine)();
    void (*applyModeSelectionRule)();
};

// Installs the host; null removes it. The table must outlive its use.
void SetPreviewHost(const PreviewHost* host);

// Runs the preview window modally over owner until it is closed: 1 when it
// was closed with its close button (the stored preview is discarded), 0 for
// Esc (the preview stays), -1 when the template could not be loaded.
INT_PTR RunPreviewWindow(HWND owner);

// For the Preview button, after the core started the preview job: waits for
// the job while serving this thread's messages, then runs the window when
// the preview was scanned; -1 when it failed or was cancelled.
INT_PTR RunPreviewWhenScanned(HWND owner);

// Deletes the three off-screen surfaces the preview draws on, so that the
// next preview creates them anew. Called when the main dialog closes.
void DeletePreviewSurfaces();
// Whether the surfaces exist now (for tests).
bool PreviewSurfacesExist();

// The timer that repaints the window; there is no other painting.
constexpr UINT_PTR PreviewRepaintTimer = 859;
