// A stand-in for the main dialog with the controls the engine addresses: the
// entry list 301 (sorted, multiple selection), the plain list 302 (sorted,
// single selection) and the status line 601.  On the host it lives in the
// platform stand-in; under Wine it is a real window with real list boxes.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

HWND CreateEngineDialog(bool withStatusLine = true);
void DestroyEngineDialog(HWND dialog);

// Arranges for `callback` to run once, as the window message that the next
// extraction walk lets through.
void PostMessageCallback(HWND dialog, void (*callback)(void*), void* context);

std::vector<std::string> ListItems(HWND dialog, int id);
std::vector<std::string> SelectedItems(HWND dialog, int id);
void SelectAllItems(HWND dialog, int id);
std::string ControlText(HWND dialog, int id);
