// Small Win32 chores every dialog of the interface repeats: lists filled from
// string ids, control texts read and written as text or numbers, groups of
// controls enabled together. Texts come from the resource module.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

// A control and the resource string that becomes its text.
struct ControlLabel {
    int controlId;
    unsigned stringId;
};

// Sets the text of every listed control from its string.
void SetLabels(HWND dialog, std::span<const ControlLabel> labels);
// Empties a drop-down list and adds count strings from firstString upward.
void FillListFromStrings(HWND dialog, int controlId, unsigned firstString, int count);
// Empties a drop-down list and adds the given strings in order.
void FillListFromStringIds(HWND dialog, int controlId, std::span<const unsigned> stringIds);
// Selection of a drop-down list; -1 when nothing is selected.
int ListSelection(HWND dialog, int controlId);
void SelectListEntry(HWND dialog, int controlId, int index);

std::string ControlText(HWND dialog, int controlId);
void SetControlText(HWND dialog, int controlId, const std::string& text);
// The control's text read as a signed decimal integer: leading blanks and an
// optional minus sign, then digits; 0 for an empty or non-numeric text.
int32_t ControlNumber(HWND dialog, int controlId);
void SetControlNumber(HWND dialog, int controlId, int32_t value);

void EnableControls(HWND dialog, std::initializer_list<int> controlIds, bool enable);
bool IsChecked(HWND dialog, int controlId);
void SetChecked(HWND dialog, int controlId, bool checked);
