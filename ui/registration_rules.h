// What registering, editing, renaming and deleting saved modes and registered
// areas does to MainUiState, without any window: the dialogs call these and
// then show the outcome. Also TrimName, shared with the main dialog.
#pragma once

#include "ui/main_ui_state.h"

// The two values TrimName knows for the pair of bytes of an ideographic space,
// read as signed bytes and added: 0x81 0x40 (Japanese) and 0xA1 0x40
// (Traditional Chinese).
constexpr int DbcsSpaceSumJapanese = -63;
constexpr int DbcsSpaceSumOther = -31;

constexpr int ModeNameLimit = 14;
constexpr int ModeCommentLimit = 120;
constexpr int AreaNameLimit = 20;
constexpr int MaxAreas = AreaTableSize;
// Size indices: 0 custom, 1..10 the paper table, from 11 the registered areas.
constexpr int FirstAreaSizeIndex = 11;
constexpr int BuiltInSizeCount = 11;
// Picture choices of a mode; bitmapIndex = choice + 1 (0 is the template's).
constexpr int ModePictureChoices = 24;

// Removes ASCII spaces and two-byte ideographic spaces (a pair whose signed
// bytes add up to dbcsSpaceSum) from both ends of text, in place. A null text
// is left alone; a text of nothing else becomes empty.
void TrimName(char* text, int dbcsSpaceSum);

enum class RegistrationResult { Done, TableFull, Duplicate, EmptyName, NotAllowed };

// The language-dependent value for TrimName: Japanese (1041) or any other.
int DbcsSpaceSumFor(unsigned languageId);

bool ModeTableFull(const MainUiState& state);  // workingModeCount >= 100
bool AreaTableFull(const MainUiState& state);  // workingAreaCount >= 100
// Number of mode records in use: the template, the built-in modes, the user modes.
int ModeRecordCount(const MainUiState& state);
// Entries of the mode registration list: 0 the template, 1 fixed, 2.. editable.
bool ModeEditable(const MainUiState& state, int record);

// Index of the mode record 1.. in use whose name is exactly name (letter case
// counts), other than except; -1 when none.
int FindModeName(const MainUiState& state, const char* name, int except);
// Registers the main dialog's current settings as a new user mode. name is
// trimmed first; pictureChoice 0..23. The record's index is returned in
// *record when given.
RegistrationResult RegisterMode(MainUiState& state, const char* name, const char* comment, int pictureChoice,
                                int dbcsSpaceSum, int* record = nullptr);
// Renames, re-comments and re-pictures mode record r (2 and above). Keeping the
// mode's own name is not a duplicate.
RegistrationResult EditMode(MainUiState& state, int r, const char* name, const char* comment,
                            int pictureChoice, int dbcsSpaceSum);
// Deletes mode record r (2 and above); the following records move down.
RegistrationResult DeleteMode(MainUiState& state, int r);

// The texts of the eleven built-in size-list entries (size indices 0..10),
// against which area names are checked too.
struct BuiltInSizeNames {
    const char* names[BuiltInSizeCount];
};
// Index of the size-list entry whose text matches name ignoring ASCII letter
// case: a size index 0..10 for a built-in size, 11 + i for area i; -1 when
// none. exceptSizeIndex is not counted.
int FindAreaName(const MainUiState& state, const BuiltInSizeNames& builtIns, const char* name,
                 int exceptSizeIndex);
// Registers the current document size (and area when the area box is ticked)
// under name with the given rotation index.
RegistrationResult RegisterArea(MainUiState& state, const BuiltInSizeNames& builtIns, const char* name,
                                int orientation, int dbcsSpaceSum, int* area = nullptr);
// Renames area i; modes that use it take the new name as their size name.
RegistrationResult RenameArea(MainUiState& state, const BuiltInSizeNames& builtIns, int i, const char* name,
                              int dbcsSpaceSum);
// Deletes area i: modes that used it fall back to the custom size, modes and
// the current size that used a later area follow it down one place.
RegistrationResult DeleteArea(MainUiState& state, int i);
