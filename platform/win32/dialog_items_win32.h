// What the Windows dialogs share beyond the ui seam.
#pragma once

#include <windows.h>

namespace ui {

// Overwrites the text of the edit control `id` of `dialog` with as many
// filler characters and then empties it, so that a passphrase typed there
// does not stay behind in the control's memory when the dialog goes: a text
// no longer than the old one is written into the control's own buffer.
void WipeEditText(HWND dialog, int id);

}  // namespace ui
